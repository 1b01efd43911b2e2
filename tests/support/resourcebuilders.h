// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Builders of the Windows resource files the icon-library and version
// readers take apart: 16-bit NE modules, version resource blocks, icon
// pictures. The PE side uses the program's own CResourceModuleWriter.

#include "settings/resourcewriter.h"

#include <QBuffer>
#include <QByteArray>
#include <QList>
#include <QString>
#include <QtEndian>

#include <map>
#include <utility>

namespace ResourceBuilders {

inline void put16(QByteArray &out, qsizetype at, quint16 v) { qToLittleEndian(v, out.data() + at); }
inline void put32(QByteArray &out, qsizetype at, quint32 v) { qToLittleEndian(v, out.data() + at); }

struct NeResource
{
    int type;
    int id;
    QByteArray data;
};

// A 16-bit NE module holding `resources` (the old icon library form).
inline QByteArray NeModule(const QList<NeResource> &resources)
{
    constexpr int shift = 4;
    std::map<int, QList<const NeResource *>> byType;
    for (const NeResource &r : resources)
        byType[r.type].append(&r);
    const qsizetype header = 0x40;
    const qsizetype table = header + 0x40;
    qsizetype tableSize = 2 + 2;
    for (const auto &[type, list] : byType)
        tableSize += 8 + 12 * list.size();
    const qsizetype residentNames = table + tableSize;
    QByteArray out(residentNames + 1, '\0');
    out[0] = 'M';
    out[1] = 'Z';
    put32(out, 0x3C, quint32(header));
    out[header] = 'N';
    out[header + 1] = 'E';
    put16(out, header + 0x24, quint16(table - header));
    put16(out, header + 0x26, quint16(residentNames - header));
    put16(out, table, shift);
    qsizetype at = table + 2;
    for (const auto &[type, list] : byType) {
        put16(out, at, quint16(0x8000 | type));
        put16(out, at + 2, quint16(list.size()));
        at += 8;
        for (const NeResource *r : list) {
            const qsizetype dataAt = (out.size() + 15) / 16 * 16;
            out.resize(dataAt, '\0');
            out += r->data;
            out.resize((out.size() + 15) / 16 * 16, '\0');
            put16(out, at, quint16(dataAt >> shift));
            put16(out, at + 2, quint16(((r->data.size() + 15) / 16)));
            put16(out, at + 4, 0x30);
            put16(out, at + 6, quint16(0x8000 | r->id));
            at += 12;
        }
    }
    return out;
}

// An icon group resource pointing at icon ids, one entry per picture.
inline QByteArray IconGroup(const QList<std::pair<CResourceModuleWriter::Picture, int>> &entries)
{
    QByteArray group(6 + 14 * entries.size(), '\0');
    put16(group, 2, 1);
    put16(group, 4, quint16(entries.size()));
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const auto &[p, id] = entries[i];
        const qsizetype at = 6 + 14 * i;
        group[at] = char(p.width);
        group[at + 1] = char(p.height);
        put16(group, at + 4, 1);
        put16(group, at + 6, quint16(p.bitCount));
        put32(group, at + 8, quint32(p.data.size()));
        put16(group, at + 12, quint16(id));
    }
    return group;
}

// A square 32-bit bitmap picture of one colour (ARGB).
inline CResourceModuleWriter::Picture SolidBitmap(int size, quint32 argb)
{
    const QList<quint32> pixels(size * size, argb);
    return {size, size, 32, IconBitmap(size, size, pixels.constData())};
}

// A node of a version resource: length, value length, type, key, value,
// children, each part aligned to 4 bytes.
inline QByteArray VersionNode(const QString &key, const QByteArray &value, bool text,
                              const QList<QByteArray> &children = {}, int valueLengthOverride = -1)
{
    QByteArray out(6, '\0');
    for (QChar c : key) {
        out.append(char(c.unicode() & 0xFF));
        out.append(char(c.unicode() >> 8));
    }
    out.append(2, '\0');
    out.resize((out.size() + 3) / 4 * 4, '\0');
    out += value;
    for (const QByteArray &child : children) {
        out.resize((out.size() + 3) / 4 * 4, '\0');
        out += child;
    }
    put16(out, 0, quint16(out.size()));
    const int valueLength = valueLengthOverride >= 0 ? valueLengthOverride : int(text ? value.size() / 2 : value.size());
    put16(out, 2, quint16(valueLength));
    put16(out, 4, text ? 1 : 0);
    return out;
}

inline QByteArray Utf16z(const QString &text)
{
    QByteArray out;
    for (QChar c : text) {
        out.append(char(c.unicode() & 0xFF));
        out.append(char(c.unicode() >> 8));
    }
    out.append(2, '\0');
    return out;
}

struct StringTable
{
    quint16 language;
    quint16 codePage;
    QList<std::pair<QString, QString>> strings;
};

// A whole VS_VERSIONINFO block. `fixedSize` other than 52 makes a fixed
// part of the wrong length; `withTranslation` false leaves the array out.
inline QByteArray VersionResource(const QList<StringTable> &tables, bool withTranslation = true,
                                  int fixedSize = 52, quint32 fileVersionMS = 0x00010002)
{
    QByteArray fixed(fixedSize, '\0');
    if (fixedSize >= 12) {
        put32(fixed, 0, 0xFEEF04BD);
        put32(fixed, 4, 0x00010000);
        put32(fixed, 8, fileVersionMS);
    }
    QList<QByteArray> stringTables;
    QByteArray translations;
    for (const StringTable &t : tables) {
        QList<QByteArray> strings;
        for (const auto &[key, value] : t.strings)
            strings.append(VersionNode(key, Utf16z(value), true));
        stringTables.append(VersionNode(QStringLiteral("%1%2")
                                            .arg(t.language, 4, 16, QLatin1Char('0'))
                                            .arg(t.codePage, 4, 16, QLatin1Char('0'))
                                            .toUpper(),
                                        {}, true, strings));
        QByteArray entry(4, '\0');
        put16(entry, 0, t.language);
        put16(entry, 2, t.codePage);
        translations += entry;
    }
    QList<QByteArray> children{VersionNode(QStringLiteral("StringFileInfo"), {}, true, stringTables)};
    if (withTranslation)
        children.append(VersionNode(QStringLiteral("VarFileInfo"), {}, true,
                                    {VersionNode(QStringLiteral("Translation"), translations, false)}));
    return VersionNode(QStringLiteral("VS_VERSION_INFO"), fixed, false, children);
}

// Hostile modules: what a crafted .icl or program file may hold.

// Where CResourceModuleWriter puts its one section, the resource tree's root.
inline constexpr qsizetype WrittenSectionOffset = 0x200;

// A 32-bit module whose resource tree is `directories` directories of
// `entries` entries each, every entry of one pointing at the next and the
// last back at the first: with one directory, a directory that is its own
// type, name and language level.
inline QByteArray LoopingModule(int entries, int directories = 1)
{
    const qsizetype directorySize = 16 + 8 * qsizetype(entries);
    CResourceModuleWriter writer;
    writer.Add(3, 1, QByteArray(directorySize * directories, '\0'));
    QByteArray out = writer.Write();
    for (int d = 0; d < directories; ++d) {
        const qsizetype at = WrittenSectionOffset + d * directorySize;
        put16(out, at + 12, 0);
        put16(out, at + 14, quint16(entries));
        const quint32 next = 0x80000000u | quint32(((d + 1) % directories) * directorySize);
        for (int i = 0; i < entries; ++i) {
            put32(out, at + 16 + 8 * i, quint32(i + 1));
            put32(out, at + 16 + 8 * i + 4, next);
        }
    }
    return out;
}

// A tree that never repeats a directory but is wide: `types` type entries,
// each with a name directory of its own of `names` entries, all of which
// lead to one language directory whose entry names no data.
inline QByteArray WideModule(int types, int names)
{
    const qsizetype rootSize = 16 + 8 * qsizetype(types);
    const qsizetype nameSize = 16 + 8 * qsizetype(names);
    const qsizetype languageAt = rootSize + types * nameSize;
    const qsizetype total = languageAt + 16 + 8 + 16;
    CResourceModuleWriter writer;
    writer.Add(3, 1, QByteArray(total, '\0'));
    QByteArray out = writer.Write();
    const qsizetype section = WrittenSectionOffset;
    out.replace(section, total, QByteArray(total, '\0'));
    put16(out, section + 14, quint16(types));
    for (int t = 0; t < types; ++t) {
        const qsizetype nameAt = rootSize + t * nameSize;
        put32(out, section + 16 + 8 * t, quint32(t + 1));
        put32(out, section + 16 + 8 * t + 4, 0x80000000u | quint32(nameAt));
        put16(out, section + nameAt + 14, quint16(names));
        for (int n = 0; n < names; ++n) {
            put32(out, section + nameAt + 16 + 8 * n, quint32(n + 1));
            put32(out, section + nameAt + 16 + 8 * n + 4, 0x80000000u | quint32(languageAt));
        }
    }
    put16(out, section + languageAt + 14, 1);
    put32(out, section + languageAt + 16 + 4, quint32(languageAt + 24));
    return out;
}

// Icon group 4 whose `sizes` entries (all different sizes) all name one
// picture, icon 1.
inline QByteArray OneIconUnderManySizes(const QByteArray &picture, int sizes)
{
    QByteArray group(6 + 14 * sizes, '\0');
    put16(group, 2, 1);
    put16(group, 4, quint16(sizes));
    for (int i = 0; i < sizes; ++i) {
        const qsizetype at = 6 + 14 * qsizetype(i);
        group[at] = char(1 + i % 256);
        group[at + 1] = char(1 + i / 256);
        put16(group, at + 4, 1);
        put16(group, at + 6, 32);
        put32(group, at + 8, quint32(picture.size()));
        put16(group, at + 12, 1);
    }
    CResourceModuleWriter writer;
    writer.Add(3, 1, picture);
    writer.Add(14, 4, group);
    return writer.Write();
}

} // namespace ResourceBuilders
