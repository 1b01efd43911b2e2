#include "shareactions.h"

#include <QDesktopServices>
#include <QProcess>

void CDesktopLauncher::OpenUrl(const QUrl &url)
{
    if (url.isValid())
        QDesktopServices::openUrl(url);
}

void CDesktopLauncher::StartProgram(const QString &program, const QStringList &arguments)
{
    // A missing program fails here without a message, as a failed shell
    // call does.
    if (!program.isEmpty())
        QProcess::startDetached(program, arguments);
}

QUrl ShareUrlFromUnc(const QString &uncPath)
{
    if (!uncPath.startsWith(QStringLiteral("\\\\")))
        return {};
    const QString rest = uncPath.mid(2);
    const qsizetype slash = rest.indexOf(u'\\');
    if (slash <= 0)
        return {};
    QUrl url;
    url.setScheme(QStringLiteral("smb"));
    url.setHost(rest.left(slash));
    url.setPath(u'/' + QString(rest.mid(slash + 1)).replace(u'\\', u'/'));
    return url;
}

QString BrowsePathFromUnc(const QString &uncPath)
{
#ifdef Q_OS_WIN
    return uncPath;
#else
    const QUrl url = ShareUrlFromUnc(uncPath);
    return url.isValid() ? url.toString() : uncPath;
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
