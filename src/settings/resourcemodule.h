// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
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

    // Standard resource types used by the program.
    static constexpr int TypeIcon = 3;
    static constexpr int TypeGroupIcon = 14;
    static constexpr int TypeVersion = 16;

    // Parses `data`; false (and an empty module) when it is no module the
    // reader understands.
    bool Parse(const QByteArray &data);
    bool Load(const QString &path);
    void Clear();

    Format format() const { return m_format; }
    bool isValid() const { return m_format != None; }

    // Bytes of the resource with a numeric type and id, the first language
    // found; null when missing. `language`, when given, gets its language id
    // (0 for NE modules, which have none).
    QByteArray Find(int type, int id, int *language = nullptr) const;
    // Numeric ids of every resource of `type`, in file order.
    QList<int> Ids(int type) const;

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

    QByteArray m_data;
    QList<Entry> m_entries;
    Format m_format = None;
};
