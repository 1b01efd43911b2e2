// SPDX-License-Identifier: GPL-3.0-or-later
// Starts the program over an empty configuration folder, ends it the way a
// desktop logout does (SIGTERM), and checks the settings file it leaves: first
// the one of a first start, then one edited by hand, which must come back with
// every value as edited, then one with a renamed element, whose original must
// be kept as settings.xml.bak.
//
// Usage: settings_startstop_check <program> <expected default file (UTF-8)>
#include "programrun.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

int g_failures = 0;

void fail(const QString &what)
{
    std::fprintf(stderr, "FAIL: %s\n", qPrintable(what));
    ++g_failures;
}

constexpr int HeaderLines = 7;

// A settings file split into its header (LF line breaks) and its body lines
// (CRLF line breaks, none after the last).
struct SettingsText
{
    QString header;
    QStringList lines;
};

bool decode(const QByteArray &bytes, SettingsText &text)
{
    if (bytes.size() < 2 || bytes.size() % 2 != 0 || !bytes.startsWith("\xFF\xFE")) {
        fail(QStringLiteral("no UTF-16LE byte-order mark, or an odd size"));
        return false;
    }
    const QString all = QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData() + 2),
                                           bytes.size() / 2 - 1);
    qsizetype at = 0;
    for (int i = 0; i < HeaderLines && at >= 0; ++i)
        at = all.indexOf(u'\n', at) + 1;
    if (at <= 0) {
        fail(QStringLiteral("header cut short"));
        return false;
    }
    text.header = all.left(at);
    text.lines = all.mid(at).split(QStringLiteral("\r\n"));
    return true;
}

QByteArray encode(const SettingsText &text)
{
    const QString all = text.header + text.lines.join(QStringLiteral("\r\n"));
    return QByteArray("\xFF\xFE", 2)
           + QByteArray(reinterpret_cast<const char *>(all.utf16()), all.size() * 2);
}

bool readExpected(const QString &path, SettingsText &text)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("cannot read %1").arg(path));
        return false;
    }
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (int i = 0; i < HeaderLines; ++i)
        text.header += lines.takeFirst() + u'\n';
    text.lines = lines;
    return true;
}

// What the main window stores at closing (its placement, the band layout and
// the open document) depends on the window system; everything else must match.
QStringList masked(const QStringList &lines)
{
    QStringList out;
    bool skipping = false;
    for (const QString &line : lines) {
        if (skipping && (line == u" </toolbars>" || line == u" </positions>"))
            skipping = false;
        if (skipping)
            continue;
        if (line.startsWith(u" <document name=\""))
            out << QStringLiteral(" <document name=\"(masked)\" />");
        else
            out << line;
        if (line == u" <toolbars>" || line == u" <positions>")
            skipping = true;
    }
    return out;
}

void compare(const SettingsText &actual, const SettingsText &expected, const char *stage)
{
    if (actual.header != expected.header)
        fail(QStringLiteral("%1: header differs").arg(QLatin1String(stage)));
    const QStringList a = masked(actual.lines);
    const QStringList e = masked(expected.lines);
    for (qsizetype i = 0; i < qMin(a.size(), e.size()); ++i) {
        if (a[i] != e[i]) {
            fail(QStringLiteral("%1: line %2 is\n  %3\nexpected\n  %4")
                     .arg(QLatin1String(stage)).arg(i + 1).arg(a[i], e[i]));
            return;
        }
    }
    if (a.size() != e.size())
        fail(QStringLiteral("%1: %2 lines, expected %3").arg(QLatin1String(stage)).arg(a.size()).arg(e.size()));
}

// Runs the program until it has had time to come up, then sends SIGTERM and
// expects a normal exit (which is when the settings are written). A program
// killed before its signal handler was in place is tried again with a
// longer start-up time.
bool runOnce(const QString &program, const QProcessEnvironment &environment)
{
    return RunUntilTerminated(program, {}, environment, fail);
}

bool replace(SettingsText &text, const QString &from, const QString &to)
{
    for (QString &line : text.lines) {
        if (line.contains(from)) {
            line.replace(from, to);
            return true;
        }
    }
    fail(QStringLiteral("nothing to edit: %1").arg(from));
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <program> <expected default settings>\n", argv[0]);
        return 2;
    }
    const QString program = QString::fromLocal8Bit(argv[1]);
    SettingsText expected;
    if (!readExpected(QString::fromLocal8Bit(argv[2]), expected))
        return 1;

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
    // No language files and no icon libraries, and the C locale: the first
    // start detects English and the built-in pictures.
    environment.insert(QStringLiteral("LANTERRA_DATA_DIR"), root.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    environment.remove(QStringLiteral("LANGUAGE"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    const QString settingsPath = root.filePath(QStringLiteral("config/Brevant/Lanterra/settings.xml"));

    // First start: nothing there yet.
    if (!runOnce(program, environment))
        return 1;
    QFile written(settingsPath);
    if (!written.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("no settings file at %1").arg(settingsPath));
        return 1;
    }
    SettingsText first;
    if (!decode(written.readAll(), first))
        return 1;
    written.close();
    // The desktop's opener is named by its full path where it is installed.
    for (QString &line : first.lines)
        line.replace(QStringLiteral("<path>/usr/bin/xdg-open</path>"), QStringLiteral("<path>xdg-open</path>"));
    compare(first, expected, "first start");

    // Second start over a file edited by hand: every value stays as edited.
    SettingsText edited = first;
    replace(edited, QStringLiteral("crc=\"8A3F5C21E09D4B7761C2F0A9E53B4\""),
            QStringLiteral("crc=\"FEDCBA9876543210FEDCBA9876543\""));
    replace(edited, QStringLiteral("<iconlib name=\"\""), QStringLiteral("<iconlib name=\"metal\""));
    // Nothing is loaded or saved automatically, so the run stays the same.
    replace(edited, QStringLiteral("autoScan=\"false\" autoSave=\"true\" autoLoad=\"true\""),
            QStringLiteral("autoScan=\"false\" autoSave=\"false\" autoLoad=\"false\""));
    replace(edited, QStringLiteral("before=\"true\""), QStringLiteral("before=\"false\""));
    replace(edited, QStringLiteral("<application name=\"xdg-open\" default=\"false\">"),
            QStringLiteral("<application name=\"Files\" default=\"true\">"));
    replace(edited, QStringLiteral("<path>xdg-open</path>"), QStringLiteral("<path>/usr/bin/files</path>"));
    replace(edited, QStringLiteral("<schemes selected=\"0\">"), QStringLiteral("<schemes selected=\"2\">"));
    replace(edited, QStringLiteral("<scheme name=\"Texts and books\">"), QStringLiteral("<scheme name=\"Books\">"));
    replace(edited, QStringLiteral("<group name=\"Games\" visible=\"1\">"),
            QStringLiteral("<group name=\"Games\" visible=\"0\">"));
    replace(edited, QStringLiteral("filter=\"game\""), QStringLiteral("filter=\"game; play\""));
    if (!written.open(QIODevice::WriteOnly) || written.write(encode(edited)) < 0) {
        fail(QStringLiteral("cannot edit %1").arg(settingsPath));
        return 1;
    }
    written.close();

    if (!runOnce(program, environment))
        return 1;
    if (!written.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("settings file gone after the second start"));
        return 1;
    }
    SettingsText second;
    if (decode(written.readAll(), second))
        compare(second, edited, "second start");
    written.close();

    // Third start over a file this version reads only in part (an element
    // renamed): the original is kept beside it before the program writes.
    SettingsText renamed = edited;
    replace(renamed, QStringLiteral(" <marking "), QStringLiteral(" <markings "));
    const QByteArray original = encode(renamed);
    if (!written.open(QIODevice::WriteOnly | QIODevice::Truncate) || written.write(original) < 0) {
        fail(QStringLiteral("cannot edit %1").arg(settingsPath));
        return 1;
    }
    written.close();
    if (!runOnce(program, environment))
        return 1;
    QFile kept(settingsPath + QStringLiteral(".bak"));
    if (!kept.open(QIODevice::ReadOnly) || kept.readAll() != original)
        fail(QStringLiteral("the original was not kept as %1").arg(kept.fileName()));
    if (!written.open(QIODevice::ReadOnly) || written.readAll() == original)
        fail(QStringLiteral("settings were not written after the backup"));

    if (g_failures == 0)
        std::printf("settings start/stop: ok\n");
    return g_failures == 0 ? 0 : 1;
}
