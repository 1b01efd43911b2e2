// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>

// Reads the [global] section of the machine's Samba configuration: the
// workgroup and the WINS servers, which the scanner needs besides the
// libraries that read the file themselves.
class CSmbConf
{
public:
    // LANTERRA_SMB_CONF when set, else the system's smb.conf.
    static QString DefaultPath();

    // False when the file cannot be read; the values then stay at defaults.
    bool Load(const QString &path);
    void Parse(QByteArrayView text, const QString &folder = QString(), int depth = 0);

    // A [global] parameter by name, ignoring case, blanks and underscores.
    QString Global(const QString &key) const;
    // "WORKGROUP" when the file names none, as Samba itself does.
    QString Workgroup() const;
    QStringList WinsServers() const;

private:
    static QString Normalize(const QString &key);
    bool LoadFile(const QString &path, int depth);

    QHash<QString, QString> m_global;
};
