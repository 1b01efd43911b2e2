// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>

// Hands a share to the desktop: its opener of smb:// addresses, or the
// user's program for browsing. Tests put a recorder in its place.
class IShareLauncher
{
public:
    virtual ~IShareLauncher() = default;
    // False when nothing could be started to open `url`.
    virtual bool OpenUrl(const QUrl &url) = 0;
    // Empty when the program was started, else why it was not.
    virtual QString StartProgram(const QString &program, const QStringList &arguments) = 0;
};

// The real desktop. Both calls start a detached process and return at once,
// so a slow or absent host never holds up the window; the caller tells the
// user what could not be started, once for all the shares it handed over.
// Opening goes through Qt's route to the desktop's opener (xdg-open, or the
// portal inside a sandbox), which needs no file manager.
class CDesktopLauncher : public IShareLauncher
{
public:
    bool OpenUrl(const QUrl &url) override;
    QString StartProgram(const QString &program, const QStringList &arguments) override;
};

// Starts `program` detached; empty on success, else why it failed.
QString StartDetached(const QString &program, const QStringList &arguments);

// "\\host\share" as "smb://host/share" with host and share name
// percent-encoded, so that the whole name reaches the handler as one share;
// empty for anything else.
QString ShareAddressFromUnc(const QString &uncPath);
// The same address as a QUrl; invalid for anything else, and for a host name
// QUrl does not take (it accepts only what DNS would).
QUrl ShareUrlFromUnc(const QString &uncPath);

// The path a browsing program gets for a share: the UNC path where the
// platform has them, the smb:// address elsewhere.
QString BrowsePathFromUnc(const QString &uncPath);

// The browsing program's arguments: `parameters` split into arguments as a
// command line is (quotes group, and are taken off), then the first "%s"
// inside them replaced by `path`. Other '%' characters stay as they are, and
// the path stays inside the one argument whatever it holds.
QStringList BrowseArguments(const QString &parameters, const QString &path);
