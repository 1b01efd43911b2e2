// SPDX-License-Identifier: GPL-3.0-or-later
#include "iconlibrary.h"

#include "platform/paths.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QtEndian>

#include <map>

namespace {

constexpr int groupHeaderSize = 6;
constexpr int groupEntrySize = 14;
// A group names sizes of at most 256 x 256 pixels; a stored 32-bit bitmap of
// that size with its mask is 270,376 bytes, a PNG of it about as much. A
// picture far beyond that is no icon, and decoding it would only cost time
// and memory.
constexpr qsizetype maxPictureBytes = 1024 * 1024;
constexpr int maxPictureSide = 256;
// All pictures of one group together: a handful of sizes of the largest
// pictures, not a copy per entry of a group that names thousands.
constexpr qsizetype maxGroupBytes = 8 * 1024 * 1024;

quint16 le16(const QByteArray &data, qsizetype at)
{
    return at >= 0 && at + 2 <= data.size() ? qFromLittleEndian<quint16>(data.constData() + at) : 0;
}

// Bits per pixel of a stored bitmap, from its header (the group's own
// figure is often 0 in old libraries); 0 when it is no bitmap of an icon's
// size (the height counts the colour rows and the mask rows).
int bitmapDepth(const QByteArray &image)
{
    if (image.size() < 16 || le16(image, 0) != 40)
        return 0;
    const qint32 width = qFromLittleEndian<qint32>(image.constData() + 4);
    const qint32 height = qFromLittleEndian<qint32>(image.constData() + 8);
    if (width < 1 || width > maxPictureSide || height < -2 * maxPictureSide || height > 2 * maxPictureSide)
        return 0;
    return le16(image, 14);
}

// A PNG that says in its header that it is larger than an icon can be.
bool isOversizedPng(const QByteArray &image)
{
    if (image.size() < 24 || image.mid(12, 4) != "IHDR")
        return false;
    const quint32 width = qFromBigEndian<quint32>(image.constData() + 16);
    const quint32 height = qFromBigEndian<quint32>(image.constData() + 20);
    return width > quint32(maxPictureSide) || height > quint32(maxPictureSide);
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
    // A stored picture has one size: a group that names it under several
    // sizes gets it once, under the first, not a copy (and a decoding) per
    // entry.
    QSet<int> taken;
    qsizetype groupBytes = 0;
    for (int i = 0; i < count; ++i) {
        const qsizetype at = groupHeaderSize + qsizetype(i) * groupEntrySize;
        if (at + groupEntrySize > group.size())
            break;
        const int width = uchar(group[at]) ? uchar(group[at]) : 256;
        const int height = uchar(group[at + 1]) ? uchar(group[at + 1]) : 256;
        const int colours = uchar(group[at + 2]);
        const int id = le16(group, at + 12);
        if (taken.contains(id))
            continue;
        taken.insert(id);
        // Measured before it is copied out of the module.
        const qint64 size = m_module.Size(CResourceModule::TypeIcon, id);
        if (size < 8 || size > maxPictureBytes)
            continue;
        if (groupBytes + size > maxGroupBytes)
            break;
        groupBytes += size;
        const QByteArray image = m_module.Find(CResourceModule::TypeIcon, id);
        IconImage picture;
        picture.width = width;
        picture.height = height;
        picture.png = image.startsWith("\x89PNG\r\n\x1a\n");
        if (picture.png) {
            if (isOversizedPng(image))
                continue;
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
    for (const QFileInfo &file : files) {
        // The listing takes a link to a pipe or a device for a file.
        if (file.isFile())
            titles.append(file.completeBaseName());
    }
    return titles;
}
