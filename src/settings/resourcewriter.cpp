// SPDX-License-Identifier: GPL-3.0-or-later
#include "resourcewriter.h"

#include <QtEndian>

#include <algorithm>
#include <map>

namespace {

void put16(QByteArray &out, qsizetype at, quint16 v) { qToLittleEndian(v, out.data() + at); }
void put32(QByteArray &out, qsizetype at, quint32 v) { qToLittleEndian(v, out.data() + at); }
qsizetype alignUp(qsizetype v, qsizetype a) { return (v + a - 1) / a * a; }

} // namespace

void CResourceModuleWriter::Add(int type, int id, const QByteArray &data, int language)
{
    m_resources.append({type, id, language, data});
}

void CResourceModuleWriter::AddIconGroup(int number, const QList<Picture> &pictures, int language)
{
    QByteArray group(6 + 14 * pictures.size(), '\0');
    put16(group, 2, 1);
    put16(group, 4, quint16(pictures.size()));
    for (qsizetype i = 0; i < pictures.size(); ++i) {
        const Picture &p = pictures[i];
        const qsizetype at = 6 + 14 * i;
        group[at] = char(p.width >= 256 ? 0 : p.width);
        group[at + 1] = char(p.height >= 256 ? 0 : p.height);
        put16(group, at + 4, 1);
        put16(group, at + 6, quint16(p.bitCount));
        put32(group, at + 8, quint32(p.data.size()));
        const int id = m_nextIconId++;
        put16(group, at + 12, quint16(id));
        Add(3, id, p.data, language);
    }
    Add(14, number, group, language);
}

QByteArray CResourceModuleWriter::Write(bool pe64) const
{
    // The resource tree: type -> id -> language -> data, each level sorted
    // by number as the platform's loader expects.
    std::map<int, std::map<int, std::map<int, const Resource *>>> tree;
    for (const Resource &r : m_resources)
        tree[r.type][r.id][r.language] = &r;

    qsizetype directories = 16 + 8 * qsizetype(tree.size());
    qsizetype leaves = 0;
    for (const auto &[type, ids] : tree) {
        directories += 16 + 8 * qsizetype(ids.size());
        for (const auto &[id, languages] : ids) {
            directories += 16 + 8 * qsizetype(languages.size());
            leaves += qsizetype(languages.size());
        }
    }
    const qsizetype dataEntries = directories;
    qsizetype dataAt = dataEntries + 16 * leaves;
    constexpr quint32 sectionRva = 0x1000;

    QByteArray section(dataAt, '\0');
    qsizetype nextDirectory = 0;
    qsizetype nextLeaf = dataEntries;
    auto openDirectory = [&](int count) {
        const qsizetype at = nextDirectory;
        put16(section, at + 14, quint16(count));
        nextDirectory += 16 + 8 * count;
        return at;
    };
    const qsizetype root = openDirectory(int(tree.size()));
    int typeIndex = 0;
    for (const auto &[type, ids] : tree) {
        const qsizetype typeDir = openDirectory(int(ids.size()));
        put32(section, root + 16 + 8 * typeIndex, quint32(type));
        put32(section, root + 16 + 8 * typeIndex + 4, 0x80000000u | quint32(typeDir));
        ++typeIndex;
        int idIndex = 0;
        for (const auto &[id, languages] : ids) {
            const qsizetype idDir = openDirectory(int(languages.size()));
            put32(section, typeDir + 16 + 8 * idIndex, quint32(id));
            put32(section, typeDir + 16 + 8 * idIndex + 4, 0x80000000u | quint32(idDir));
            ++idIndex;
            int languageIndex = 0;
            for (const auto &[language, resource] : languages) {
                put32(section, idDir + 16 + 8 * languageIndex, quint32(language));
                put32(section, idDir + 16 + 8 * languageIndex + 4, quint32(nextLeaf));
                ++languageIndex;
                dataAt = alignUp(section.size(), 8);
                section.resize(dataAt, '\0');
                section += resource->data;
                put32(section, nextLeaf, sectionRva + quint32(dataAt));
                put32(section, nextLeaf + 4, quint32(resource->data.size()));
                nextLeaf += 16;
            }
        }
    }

    constexpr qsizetype fileAlignment = 0x200;
    const qsizetype optionalSize = pe64 ? 240 : 224;
    const qsizetype headerAt = 0x40;
    const qsizetype sectionTable = headerAt + 4 + 20 + optionalSize;
    const qsizetype rawSize = alignUp(section.size(), fileAlignment);
    const qsizetype imageSize = sectionRva + alignUp(section.size(), 0x1000);

    QByteArray out(fileAlignment, '\0');
    out[0] = 'M';
    out[1] = 'Z';
    put32(out, 0x3C, quint32(headerAt));
    out.replace(headerAt, 4, QByteArray("PE\0\0", 4));
    const qsizetype coff = headerAt + 4;
    put16(out, coff, pe64 ? 0x8664 : 0x14C);
    put16(out, coff + 2, 1);
    put16(out, coff + 16, quint16(optionalSize));
    put16(out, coff + 18, pe64 ? 0x2022 : 0x2102); // DLL, executable image
    const qsizetype opt = coff + 20;
    put16(out, opt, pe64 ? 0x20B : 0x10B);
    put32(out, opt + 32, 0x1000); // section alignment
    put32(out, opt + 36, quint32(fileAlignment));
    put16(out, opt + 40, 4);      // operating system version
    put16(out, opt + 48, 4);      // subsystem version
    put32(out, opt + 56, quint32(imageSize));
    put32(out, opt + 60, quint32(fileAlignment)); // size of headers
    put16(out, opt + 68, 2);      // GUI subsystem
    const qsizetype counts = pe64 ? opt + 108 : opt + 92;
    put32(out, counts, 16);
    const qsizetype dirs = counts + 4;
    put32(out, dirs + 16, sectionRva);
    put32(out, dirs + 20, quint32(section.size()));
    out.replace(sectionTable, 6, QByteArray(".rsrc\0", 6));
    put32(out, sectionTable + 8, quint32(section.size()));
    put32(out, sectionTable + 12, sectionRva);
    put32(out, sectionTable + 16, quint32(rawSize));
    put32(out, sectionTable + 20, quint32(fileAlignment));
    put32(out, sectionTable + 36, 0x40000040u); // initialised data, readable
    if (pe64) {
        put32(out, opt + 24, 0x10000000u); // image base (low half)
    } else {
        put32(out, opt + 28, 0x10000000u);
    }
    section.resize(rawSize, '\0');
    return out + section;
}

QByteArray IconBitmap(int width, int height, const quint32 *pixels)
{
    const qsizetype maskStride = alignUp((width + 7) / 8, 4);
    QByteArray out(40 + qsizetype(width) * height * 4 + maskStride * height, '\0');
    put32(out, 0, 40);
    put32(out, 4, quint32(width));
    put32(out, 8, quint32(height * 2)); // colour rows and mask rows
    put16(out, 12, 1);
    put16(out, 14, 32);
    put32(out, 20, quint32(out.size() - 40));
    qsizetype at = 40;
    for (int y = height - 1; y >= 0; --y)
        for (int x = 0; x < width; ++x, at += 4)
            put32(out, at, pixels[qsizetype(y) * width + x]); // BGRA in memory = ARGB little-endian
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x)
            if ((pixels[qsizetype(y) * width + x] >> 24) == 0)
                out[at + x / 8] = char(out[at + x / 8] | (0x80 >> (x % 8)));
        at += maskStride;
    }
    return out;
}
