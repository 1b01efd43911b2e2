// SPDX-License-Identifier: GPL-3.0-or-later
#include "fileaccess.h"

#include <QLocale>

namespace FileAccess {

QString SizeText(qint64 bytes)
{
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

} // namespace FileAccess
