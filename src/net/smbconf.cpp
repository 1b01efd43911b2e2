// SPDX-License-Identifier: GPL-3.0-or-later
#include "smbconf.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {
// Includes that include each other must not recurse for ever.
constexpr int MaxIncludeDepth = 8;
}

QString CSmbConf::DefaultPath()
{
    const QString overridden = qEnvironmentVariable("LANTERRA_SMB_CONF");
    return overridden.isEmpty() ? QStringLiteral("/etc/samba/smb.conf") : overridden;
}

bool CSmbConf::Load(const QString &path)
{
    return LoadFile(path, 0);
}

bool CSmbConf::LoadFile(const QString &path, int depth)
{
    QFile file(path);
    if (depth > MaxIncludeDepth || !file.open(QIODevice::ReadOnly))
        return false;
    // A configuration file is small; a huge one is not worth reading.
    Parse(file.read(4 * 1024 * 1024), QFileInfo(path).absolutePath(), depth);
    return true;
}

QString CSmbConf::Normalize(const QString &key)
{
    QString out;
    for (const QChar c : key) {
        if (!c.isSpace() && c != u'_')
            out += c.toLower();
    }
    return out;
}

void CSmbConf::Parse(QByteArrayView text, const QString &folder, int depth)
{
    bool inGlobal = true; // parameters before any section are global
    const QList<QByteArray> lines = text.toByteArray().split('\n');
    QString logical;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = QString::fromUtf8(lines[i]).trimmed();
        // A trailing backslash continues the line.
        if (line.endsWith(u'\\')) {
            logical += line.chopped(1) + u' ';
            continue;
        }
        line = std::exchange(logical, QString()) + line;
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#') || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            const QString section = line.mid(1, close < 0 ? -1 : close - 1).trimmed();
            inGlobal = section.compare(QStringLiteral("global"), Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0 || !inGlobal)
            continue;
        const QString key = Normalize(line.left(equals));
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QStringLiteral("include")) {
            if (!value.contains(u'%'))
                LoadFile(QDir(folder).absoluteFilePath(value), depth + 1);
            continue;
        }
        m_global.insert(key, value);
    }
}

QString CSmbConf::Global(const QString &key) const
{
    return m_global.value(Normalize(key));
}

QString CSmbConf::Workgroup() const
{
    const QString name = Global(QStringLiteral("workgroup"));
    return name.isEmpty() ? QStringLiteral("WORKGROUP") : name.toUpper();
}

QStringList CSmbConf::WinsServers() const
{
    QStringList servers;
    const QStringList items = Global(QStringLiteral("wins server")).split(QRegularExpression(QStringLiteral("[\\s,]+")), Qt::SkipEmptyParts);
    for (QString item : items) {
        // "tag:address" names a WINS group; the address is what counts.
        const qsizetype colon = item.lastIndexOf(u':');
        if (colon >= 0)
            item = item.mid(colon + 1);
        servers.append(item);
    }
    return servers;
}
