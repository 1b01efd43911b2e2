// SPDX-License-Identifier: GPL-3.0-or-later
#include "iconlibraryicons.h"

#include <QPixmap>

QImage IconLibraryImage(const IconImage &image)
{
    QImage decoded = QImage::fromData(image.file, image.png ? "PNG" : "ICO");
    if (decoded.isNull())
        return {};
    return decoded.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QIcon IconFromLibrary(const CIconLibrary &library, int number)
{
    QIcon icon;
    for (const IconImage &image : library.IconImages(number)) {
        const QImage decoded = IconLibraryImage(image);
        if (!decoded.isNull())
            icon.addPixmap(QPixmap::fromImage(decoded));
    }
    return icon;
}

bool ReplaceFromLibrary(QIcon &icon, const CIconLibrary *library, int number)
{
    if (!library)
        return false;
    const QIcon replacement = IconFromLibrary(*library, number);
    if (replacement.isNull())
        return false;
    icon = replacement;
    return true;
}
