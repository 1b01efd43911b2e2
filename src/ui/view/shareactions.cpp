// SPDX-License-Identifier: GPL-3.0-or-later
#include "shareactions.h"

#include "platform/logging.h"

#include <QDesktopServices>
#include <QProcess>

bool CDesktopLauncher::OpenUrl(const QUrl &url)
{
    if (!url.isValid())
        return false;
    if (QDesktopServices::openUrl(url))
        return true;
    qCWarning(lcUi).noquote() << "no program could be started to open" << url.toString(QUrl::FullyEncoded);
    return false;
}

QString CDesktopLauncher::StartProgram(const QString &program, const QStringList &arguments)
{
    const QString reason = StartDetached(program, arguments);
    if (!reason.isEmpty())
        qCWarning(lcUi).noquote() << program << "could not be started:" << reason;
    return reason;
}

QString StartDetached(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    if (process.startDetached())
        return {};
    return process.errorString();
}

QString ShareAddressFromUnc(const QString &uncPath)
{
    if (!uncPath.startsWith(QStringLiteral("\\\\")))
        return {};
    const QString rest = uncPath.mid(2);
    const qsizetype slash = rest.indexOf(u'\\');
    if (slash <= 0)
        return {};
    // Everything after the host's backslash is the share's name, whatever
    // it holds ('\\', '/', '%', '#', '?'...): it becomes one path segment.
    // Only unreserved characters stay as they are (RFC 3986), and '$', which
    // so many share names end with and which means nothing in a path.
    const QByteArray host = QUrl::toPercentEncoding(rest.left(slash));
    const QByteArray share = QUrl::toPercentEncoding(rest.mid(slash + 1), "$");
    return QStringLiteral("smb://") + QString::fromLatin1(host) + u'/' + QString::fromLatin1(share);
}

QUrl ShareUrlFromUnc(const QString &uncPath)
{
    const QString address = ShareAddressFromUnc(uncPath);
    if (address.isEmpty())
        return {};
    // QUrl takes host names only as DNS would; a host it refuses gives an
    // invalid address (nothing is opened), never another host's.
    const QUrl url = QUrl::fromEncoded(address.toLatin1(), QUrl::StrictMode);
    return url.isValid() && !url.host().isEmpty() ? url : QUrl();
}

QString BrowsePathFromUnc(const QString &uncPath)
{
#ifdef Q_OS_WIN
    return uncPath;
#else
    const QString address = ShareAddressFromUnc(uncPath);
    return address.isEmpty() ? uncPath : address;
#endif
}

QStringList BrowseArguments(const QString &parameters, const QString &path)
{
    QStringList arguments = QProcess::splitCommand(parameters);
    for (QString &argument : arguments) {
        const qsizetype at = argument.indexOf(QStringLiteral("%s"));
        if (at >= 0) {
            argument.replace(at, 2, path);
            break;
        }
    }
    return arguments;
}
