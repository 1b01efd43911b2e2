// SPDX-License-Identifier: GPL-3.0-or-later
#include "resourcemodule.h"

#include "platform/fileaccess.h"

#include <QSet>

namespace {

class Bytes
{
public:
    explicit Bytes(const QByteArray &data) : m_data(data) {}
    bool has(qint64 offset, qint64 size) const
    {
        return offset >= 0 && size >= 0 && offset <= m_data.size() && size <= m_data.size() - offset;
    }
    quint16 u16(qint64 offset) const
    {
        if (!has(offset, 2))
            return 0;
        const auto *p = reinterpret_cast<const uchar *>(m_data.constData()) + offset;
        return quint16(p[0] | (p[1] << 8));
    }
    quint32 u32(qint64 offset) const
    {
        return quint32(u16(offset)) | (quint32(u16(offset + 2)) << 16);
    }

private:
    const QByteArray &m_data;
};

} // namespace

void CResourceModule::Clear()
{
    m_data.clear();
    m_entries.clear();
    m_first.clear();
    m_format = None;
}

bool CResourceModule::Load(const QString &path)
{
    Clear();
    const Result<QByteArray> data = FileAccess::ReadRegularFile(path, maxModuleSize);
    if (!data) {
        qCDebug(lcFile) << "no module" << path << ":" << data.reason();
        return false;
    }
    return Parse(data.value());
}

bool CResourceModule::Parse(const QByteArray &data)
{
    Clear();
    m_walked = 0;
    m_data = data;
    const Bytes b(m_data);
    if (!b.has(0, 64) || b.u16(0) != 0x5A4D) // "MZ"
        return (Clear(), false);
    const qint64 header = b.u32(0x3C);
    bool ok = false;
    if (b.has(header, 4) && b.u32(header) == 0x00004550) // "PE\0\0"
        ok = parsePE(header);
    else if (b.has(header, 2) && b.u16(header) == 0x454E) // "NE"
        ok = parseNE(header);
    if (!ok) {
        Clear();
        return false;
    }
    // The first language found of each resource, as before.
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        const quint64 k = key(m_entries[i].type, m_entries[i].id);
        if (!m_first.contains(k))
            m_first.insert(k, i);
    }
    return true;
}

bool CResourceModule::parsePE(qint64 header)
{
    const Bytes b(m_data);
    const qint64 coff = header + 4;
    if (!b.has(coff, 20))
        return false;
    const int sectionCount = b.u16(coff + 2);
    const int optionalSize = b.u16(coff + 16);
    const qint64 optional = coff + 20;
    if (!b.has(optional, optionalSize))
        return false;
    const quint16 magic = b.u16(optional);
    qint64 directories = 0;
    qint64 directoryCountAt = 0;
    if (magic == 0x10B) {
        m_format = PE32;
        directoryCountAt = optional + 92;
        directories = optional + 96;
    } else if (magic == 0x20B) {
        m_format = PE64;
        directoryCountAt = optional + 108;
        directories = optional + 112;
    } else {
        return false;
    }
    // The resource directory is data directory 2.
    if (directories + 3 * 8 > optional + optionalSize || b.u32(directoryCountAt) < 3)
        return true; // a module without resources
    const quint32 resourceRva = b.u32(directories + 16);
    if (resourceRva == 0)
        return true;

    struct Section
    {
        quint32 rva, size, offset, rawSize;
    };
    QList<Section> sections;
    const qint64 table = optional + optionalSize;
    for (int i = 0; i < sectionCount && i < 96; ++i) {
        const qint64 at = table + qint64(i) * 40;
        if (!b.has(at, 40))
            break;
        const quint32 virtualSize = b.u32(at + 8);
        const quint32 rawSize = b.u32(at + 16);
        sections.append({b.u32(at + 12), qMax(virtualSize, rawSize), b.u32(at + 20), rawSize});
    }
    // File offset of an address of the loaded image; -1 when it lies in no
    // section's file data.
    auto toOffset = [&](quint32 rva, quint32 size) -> qint64 {
        for (const Section &s : sections) {
            if (rva >= s.rva && qint64(rva) - s.rva < qint64(s.size)) {
                const qint64 inSection = qint64(rva) - s.rva;
                if (inSection + size > qint64(s.rawSize))
                    return -1;
                const qint64 offset = s.offset + inSection;
                return b.has(offset, size) ? offset : -1;
            }
        }
        return -1;
    };
    const qint64 root = toOffset(resourceRva, 16);
    if (root < 0)
        return true;

    // Three fixed levels: type, name, language. Offsets inside the tree are
    // relative to its root; named (string) types and names are skipped.
    // Each directory is read once, and all levels together read at most
    // maxWalkEntries entries: a tree whose entries point back at their own
    // or an earlier directory costs no more than one that does not.
    QSet<qint64> visited;
    auto directory = [&](qint64 at, auto &&visit) {
        if (!b.has(at, 16) || visited.contains(at))
            return;
        visited.insert(at);
        const int count = b.u16(at + 12) + b.u16(at + 14);
        for (int i = 0; i < count && m_walked < maxWalkEntries; ++i) {
            const qint64 entry = at + 16 + qint64(i) * 8;
            if (!b.has(entry, 8))
                return;
            ++m_walked;
            const quint32 name = b.u32(entry);
            const quint32 target = b.u32(entry + 4);
            visit(name, target);
        }
    };
    directory(root, [&](quint32 type, quint32 typeTarget) {
        if ((type & 0x80000000u) || !(typeTarget & 0x80000000u))
            return;
        directory(root + (typeTarget & 0x7FFFFFFFu), [&](quint32 id, quint32 idTarget) {
            if ((id & 0x80000000u) || !(idTarget & 0x80000000u))
                return;
            directory(root + (idTarget & 0x7FFFFFFFu), [&](quint32 language, quint32 dataTarget) {
                if ((dataTarget & 0x80000000u) || m_entries.size() >= maxResources)
                    return;
                const qint64 dataEntry = root + dataTarget;
                if (!b.has(dataEntry, 16))
                    return;
                const quint32 size = b.u32(dataEntry + 4);
                const qint64 offset = toOffset(b.u32(dataEntry), size);
                if (offset < 0)
                    return;
                m_entries.append({int(type), int(id), int(language & 0xFFFF), offset, size});
            });
        });
    });
    return true;
}

bool CResourceModule::parseNE(qint64 header)
{
    const Bytes b(m_data);
    if (!b.has(header, 0x40))
        return false;
    m_format = NE;
    const quint16 tableOffset = b.u16(header + 0x24);
    const quint16 residentNames = b.u16(header + 0x26);
    if (tableOffset == 0 || tableOffset == residentNames)
        return true; // no resource table
    qint64 at = header + tableOffset;
    const int shift = b.u16(at);
    if (shift > 24)
        return true;
    at += 2;
    while (b.has(at, 2) && m_entries.size() < maxResources && m_walked < maxWalkEntries) {
        const quint16 type = b.u16(at);
        if (type == 0)
            break;
        const int count = b.u16(at + 2);
        at += 8;
        for (int i = 0; i < count && m_walked < maxWalkEntries; ++i, at += 12) {
            if (!b.has(at, 12))
                return true;
            ++m_walked;
            const quint16 id = b.u16(at + 6);
            // Only numbered types and names (high bit set) are taken.
            if (!(type & 0x8000) || !(id & 0x8000))
                continue;
            const qint64 offset = qint64(b.u16(at)) << shift;
            const qint64 size = qint64(b.u16(at + 2)) << shift;
            // The stored length is rounded up to the alignment: cut it at
            // the end of the file.
            if (!b.has(offset, 0) || offset == m_data.size())
                continue;
            m_entries.append({type & 0x7FFF, id & 0x7FFF, 0, offset, qMin(size, m_data.size() - offset)});
        }
    }
    return true;
}

QByteArray CResourceModule::Find(int type, int id, int *language) const
{
    const auto found = m_first.constFind(key(type, id));
    if (found == m_first.cend())
        return {};
    const Entry &e = m_entries[*found];
    if (language)
        *language = e.language;
    return m_data.mid(e.offset, e.size);
}

qint64 CResourceModule::Size(int type, int id) const
{
    const auto found = m_first.constFind(key(type, id));
    return found == m_first.cend() ? -1 : m_entries[*found].size;
}

QList<int> CResourceModule::Ids(int type) const
{
    QList<int> ids;
    QSet<int> seen;
    for (const Entry &e : m_entries) {
        if (e.type == type && !seen.contains(e.id)) {
            seen.insert(e.id);
            ids.append(e.id);
        }
    }
    return ids;
}
