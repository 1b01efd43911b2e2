// SPDX-License-Identifier: GPL-3.0-or-later
#include "iconlibrary.h"

#include "platform/paths.h"

#include <QDir>
#include <QFileInfo>
#include <QtEndian>

#include <map>

namespace {

constexpr int groupHeaderSize = 6;
constexpr int groupEntrySize = 14;

quint16 le16(const QByteArray &data, qsizetype at)
{
    return at >= 0 && at + 2 <= data.size() ? qFromLittleEndian<quint16>(data.constData() + at) : 0;
}

// Bits per pixel of a stored bitmap, from its header (the group's own
// figure is often 0 in old libraries).
int bitmapDepth(const QByteArray &image)
{
    if (image.size() >= 16 && le16(image, 0) == 40)
        return le16(image, 14);
    return 0;
}

QByteArray wrapAsIcoFile(const QByteArray &image, int width, int height, int colours, int bitCount)
{
    QByteArray file(6 + 16, '\0');
    char *p = file.data();
    qToLittleEndian<quint16>(1, p + 2);
    qToLittleEndian<quint16>(1, p + 4);
    p[6] = char(width >= 256 ? 0 : width);
    p[7] = char(height >= 256 ? 0 : height);
    p[8] = char(colours);
    qToLittleEndian<quint16>(1, p + 10);
    qToLittleEndian<quint16>(quint16(bitCount), p + 12);
    qToLittleEndian<quint32>(quint32(image.size()), p + 14);
    qToLittleEndian<quint32>(22, p + 18);
    return file + image;
}

} // namespace

bool CIconLibrary::Load(const QString &path)
{
    return m_module.Load(path);
}

bool CIconLibrary::LoadData(const QByteArray &data)
{
    return m_module.Parse(data);
}

bool CIconLibrary::HasIcon(int number) const
{
    return !IconImages(number).isEmpty();
}

QList<IconImage> CIconLibrary::IconImages(int number) const
{
    const QByteArray group = m_module.Find(CResourceModule::TypeGroupIcon, number);
    if (group.size() < groupHeaderSize || le16(group, 2) != 1)
        return {};
    const int count = le16(group, 4);
    std::map<std::pair<int, int>, IconImage> bestBySize;
    for (int i = 0; i < count; ++i) {
        const qsizetype at = groupHeaderSize + qsizetype(i) * groupEntrySize;
        if (at + groupEntrySize > group.size())
            break;
        const int width = uchar(group[at]) ? uchar(group[at]) : 256;
        const int height = uchar(group[at + 1]) ? uchar(group[at + 1]) : 256;
        const int colours = uchar(group[at + 2]);
        const QByteArray image = m_module.Find(CResourceModule::TypeIcon, le16(group, at + 12));
        if (image.size() < 8)
            continue;
        IconImage picture;
        picture.width = width;
        picture.height = height;
        picture.png = image.startsWith("\x89PNG\r\n\x1a\n");
        if (picture.png) {
            picture.bitCount = 32;
            picture.file = image;
        } else {
            picture.bitCount = bitmapDepth(image);
            if (picture.bitCount == 0)
                continue; // not a bitmap either
            picture.file = wrapAsIcoFile(image, width, height, colours, picture.bitCount);
        }
        IconImage &best = bestBySize[{width, height}];
        if (picture.bitCount > best.bitCount)
            best = picture;
    }
    QList<IconImage> pictures;
    for (auto &[size, picture] : bestBySize)
        pictures.append(picture);
    return pictures;
}

QString IconLibraryPath(const QString &name)
{
    return Paths::iconsFolder() + name + QStringLiteral(".icl");
}

std::unique_ptr<CIconLibrary> LoadIconLibrary(const QString &name)
{
    if (name.isEmpty())
        return nullptr;
    auto library = std::make_unique<CIconLibrary>();
    if (!library->Load(IconLibraryPath(name)))
        return nullptr;
    return library;
}

QStringList ListIconLibraries(const QString &folder)
{
    QStringList titles;
    const QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral("*.icl")}, QDir::Files,
                                                            QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &file : files)
        titles.append(file.completeBaseName());
    return titles;
}
