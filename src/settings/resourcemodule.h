// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

// Read-only view of the resources of a Windows module file (a 32- or 64-bit
// PE image or a 16-bit NE image), parsed from its bytes. Nothing of the file
// is executed or mapped; every offset is checked against the data, so a
// damaged or hostile file gives "no resource" rather than a crash.
class CResourceModule
{
public:
    enum Format { None, NE, PE32, PE64 };

    // The most directory entries one parse looks at, over all levels of the
    // resource tree together. A library of the most resources the reader
    // keeps (maxResources, one name and one language entry each) needs a
    // little over half of it; a tree whose directories point back at each
    // other ends here instead of after 65,536 entries per level cubed.
    static constexpr int maxWalkEntries = 4 * 65536;
    static constexpr int maxResources = 65536;
    // A module larger than this is not a resource library; refusing it keeps
    // a mistaken choice (a disk image renamed .icl) from filling memory.
    static constexpr qint64 maxModuleSize = 64 * 1024 * 1024;

    // Standard resource types used by the program.
    static constexpr int TypeIcon = 3;
    static constexpr int TypeGroupIcon = 14;
    static constexpr int TypeVersion = 16;

    // Parses `data`; false (and an empty module) when it is no module the
    // reader understands.
    bool Parse(const QByteArray &data);
    // Reads a regular file of at most maxModuleSize (opened without waiting,
    // so a pipe or a device put in its place cannot hold the caller) and
    // parses it.
    bool Load(const QString &path);
    void Clear();

    Format format() const { return m_format; }
    bool isValid() const { return m_format != None; }

    // Bytes of the resource with a numeric type and id, the first language
    // found; null when missing. `language`, when given, gets its language id
    // (0 for NE modules, which have none).
    QByteArray Find(int type, int id, int *language = nullptr) const;
    // Size in bytes of what Find would give; -1 when missing.
    qint64 Size(int type, int id) const;
    // Numeric ids of every resource of `type`, in file order.
    QList<int> Ids(int type) const;
    // Directory entries the last parse looked at (at most maxWalkEntries).
    int walkedEntries() const { return m_walked; }

private:
    struct Entry
    {
        int type = 0;
        int id = 0;
        int language = 0;
        qint64 offset = 0;
        qint64 size = 0;
    };
    bool parsePE(qint64 header);
    bool parseNE(qint64 header);

    static quint64 key(int type, int id) { return (quint64(quint32(type)) << 32) | quint32(id); }

    QByteArray m_data;
    QList<Entry> m_entries;
    // (type, id) -> index of the first entry: lookups stay cheap however
    // many resources a hostile file names.
    QHash<quint64, qsizetype> m_first;
    Format m_format = None;
    int m_walked = 0;
};
