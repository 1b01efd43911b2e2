// SPDX-License-Identifier: GPL-3.0-or-later
// Starts the program with "Show on Taskbar" off (its window is then a tool
// window), ends it the way a desktop logout does (SIGTERM), and checks that
// it ended and left what a normal end leaves: settings.xml written (still
// without the taskbar button) and the document autosaved.
//
// Usage: taskbar_startstop_check <program>
#include "programrun.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

namespace {

int g_failures = 0;

void fail(const QString &what)
{
    std::fprintf(stderr, "FAIL: %s\n", qPrintable(what));
    ++g_failures;
}

QString readUtf16(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 2 || bytes.size() % 2 != 0)
        return {};
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData()), bytes.size() / 2);
}

bool writeUtf16(const QString &path, const QString &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly)
           && file.write(reinterpret_cast<const char *>(text.utf16()), text.size() * 2) == text.size() * 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <program>\n", argv[0]);
        return 2;
    }
    const QString program = QString::fromLocal8Bit(argv[1]);

    QTemporaryDir root;
    QDir folders(root.path());
    for (const char *name : {"home", "config", "runtime", "data"})
        folders.mkpath(QLatin1String(name));
    QFile::setPermissions(root.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), root.filePath(QStringLiteral("home")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), root.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), root.filePath(QStringLiteral("runtime")));
    environment.insert(QStringLiteral("LANTERRA_DATA_DIR"), root.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const QString settingsPath = root.filePath(QStringLiteral("config/Brevant/Lanterra/settings.xml"));

    // A first start writes the settings and the default document.
    if (!RunUntilTerminated(program, {}, environment, fail))
        return 1;
    QString settings = readUtf16(settingsPath);
    const QString on = QStringLiteral("showOnTaskBar=\"true\"");
    if (!settings.contains(on)) {
        fail(QStringLiteral("no taskbar setting in %1").arg(settingsPath));
        return 1;
    }
    // The next start without the taskbar button; the document it opens is
    // the one it autosaved, which must be saved again at the end.
    settings.replace(on, QStringLiteral("showOnTaskBar=\"false\""));
    if (!writeUtf16(settingsPath, settings)) {
        fail(QStringLiteral("cannot edit %1").arg(settingsPath));
        return 1;
    }
    const QString document = root.filePath(QStringLiteral("home/Documents/My Networks/Local Area Network.net"));
    const QDateTime savedBefore = QFileInfo(document).lastModified();
    const QDateTime settingsBefore = QFileInfo(settingsPath).lastModified();
    if (!savedBefore.isValid())
        fail(QStringLiteral("no document at %1").arg(document));
    QThread::msleep(1100);

    if (!RunUntilTerminated(program, {}, environment, fail))
        return 1;
    const QString written = readUtf16(settingsPath);
    if (!(QFileInfo(settingsPath).lastModified() > settingsBefore))
        fail(QStringLiteral("settings.xml was not written at the end"));
    if (!written.contains(QStringLiteral("showOnTaskBar=\"false\"")))
        fail(QStringLiteral("settings.xml lost the taskbar setting"));
    if (!(QFileInfo(document).lastModified() > savedBefore))
        fail(QStringLiteral("the document was not autosaved at the end"));

    if (g_failures == 0)
        std::printf("taskbar start/stop: ok\n");
    return g_failures == 0 ? 0 : 1;
}
