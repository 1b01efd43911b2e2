#include "shareactions.h"

#include <QDesktopServices>
#include <QProcess>

void CDesktopLauncher::Fail(const QString &message) const
{
    if (m_onFailure)
        m_onFailure(message);
}

void CDesktopLauncher::OpenUrl(const QUrl &url)
{
    if (url.isValid() && !QDesktopServices::openUrl(url))
        Fail(QStringLiteral("No program could be started to open %1.")
                 .arg(url.toDisplayString()));
}

void CDesktopLauncher::StartProgram(const QString &program, const QStringList &arguments)
{
    if (program.isEmpty()) {
        Fail(QStringLiteral("No program for browsing is set. Choose one in Preferences."));
        return;
    }
    if (const QString reason = StartDetached(program, arguments); !reason.isEmpty())
        Fail(QStringLiteral("The program for browsing could not be started:\n%1\n\n%2").arg(program, reason));
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
