// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the program over temporary home folders and checks the network
// documents it leaves behind:
//  - a first start creates "My Networks/Local Area Network.net" at once, with
//    the default rules and an empty cache, and remembers it in settings.xml;
//  - with the plain and the second name taken and nothing to autoload, the
//    third name is used;
//  - a .net file named on the command line is opened, and written back at
//    SIGTERM (autosave) with its hosts in probing order;
//  - the next start without arguments opens it again (autoload); once it is
//    gone, a new default document is made instead.
//
// Usage: lifecycle_check <program>
#include "documentlines.h"
#include "programrun.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <functional>

namespace {

int g_failures = 0;

void fail(const QString &what)
{
    std::fprintf(stderr, "FAIL: %s\n", qPrintable(what));
    ++g_failures;
}

constexpr int HeaderLines = 7;

// Lines of a document after its header (line breaks CR LF); empty when the
// file is missing or not UTF-16LE with a byte-order mark.
QStringList documentLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 2 || bytes.size() % 2 != 0 || !bytes.startsWith("\xFF\xFE"))
        return {};
    const QString all = QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData() + 2),
                                           bytes.size() / 2 - 1);
    qsizetype at = 0;
    for (int i = 0; i < HeaderLines && at >= 0; ++i)
        at = all.indexOf(u'\n', at) + 1;
    return at <= 0 ? QStringList() : all.mid(at).split(QStringLiteral("\r\n"));
}

void writeDocument(const QString &path, const QStringList &lines)
{
    const QString all = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n\n<!--\n"
                                       "  saved by xml mapping,\n  do not edit manually \n-->\n\n")
                        + lines.join(QStringLiteral("\r\n"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(QByteArray("\xFF\xFE", 2)
                      + QByteArray(reinterpret_cast<const char *>(all.utf16()), all.size() * 2)) < 0)
        fail(QStringLiteral("cannot write %1").arg(path));
}

const QStringList &RulesLines = NewDocumentHeadLines();

QStringList emptyDocument()
{
    return RulesLines + QStringList{QStringLiteral("  </nets>"), QStringLiteral("  <hosts>"),
                                    QStringLiteral("  </hosts>"), QStringLiteral(" </cache>"),
                                    QStringLiteral("</document>")};
}

QStringList hostLines(const QString &name, int onlineCount, const QStringList &shares)
{
    QStringList lines{QStringLiteral("   <host name=\"%1\" addr=\"\" group=\"OFFICE\" onlineCount=\"%2\" "
                                     "offlineCount=\"0\" lastState=\"0\" lastAnswerTime=\"10\">")
                          .arg(name)
                          .arg(onlineCount),
                      QStringLiteral("    <shares>")};
    for (const QString &share : shares)
        lines << QStringLiteral("     <share name=\"%1\" />").arg(share);
    return lines << QStringLiteral("    </shares>") << QStringLiteral("   </host>");
}

// A document whose hosts are stored in the given order.
QStringList networkDocument(const QList<QStringList> &hosts)
{
    QStringList lines = RulesLines;
    lines << QStringLiteral("   <net name=\"OFFICE\" />") << QStringLiteral("  </nets>") << QStringLiteral("  <hosts>");
    for (const QStringList &host : hosts)
        lines += host;
    return lines << QStringLiteral("  </hosts>") << QStringLiteral(" </cache>") << QStringLiteral("</document>");
}

void expectLines(const QStringList &actual, const QStringList &expected, const QString &what)
{
    if (actual.isEmpty()) {
        fail(QStringLiteral("%1: missing or not a document").arg(what));
        return;
    }
    for (qsizetype i = 0; i < qMin(actual.size(), expected.size()); ++i) {
        if (actual[i] != expected[i]) {
            fail(QStringLiteral("%1: line %2 is\n  %3\nexpected\n  %4").arg(what).arg(i + 1).arg(actual[i], expected[i]));
            return;
        }
    }
    if (actual.size() != expected.size())
        fail(QStringLiteral("%1: %2 lines, expected %3").arg(what).arg(actual.size()).arg(expected.size()));
}

// One temporary home: documents, configuration and runtime folders.
class Home
{
public:
    Home()
    {
        QDir folders(m_root.path());
        for (const char *name : {"home", "config", "runtime", "data"})
            folders.mkpath(QLatin1String(name));
        QFile::setPermissions(path(QStringLiteral("runtime")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert(QStringLiteral("HOME"), path(QStringLiteral("home")));
        m_environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), path(QStringLiteral("runtime")));
        m_environment.insert(QStringLiteral("LANTERRA_DATA_DIR"), path(QStringLiteral("data")));
        m_environment.insert(QStringLiteral("LANG"), QStringLiteral("C"));
        m_environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        m_environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_environment.remove(QStringLiteral("XDG_DOCUMENTS_DIR"));
        QDir().mkpath(networks());
    }

    QString path(const QString &relative) const { return m_root.filePath(relative); }
    QString networks() const { return path(QStringLiteral("home/Documents/My Networks")); }
    QString network(const QString &name) const { return networks() + u'/' + name; }

    // The document remembered in settings.xml, or a null string.
    QString rememberedDocument() const
    {
        QFile file(path(QStringLiteral("config/Brevant/Lanterra/settings.xml")));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QByteArray bytes = file.readAll();
        const QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData()), bytes.size() / 2);
        const QString start = QStringLiteral("<document name=\"");
        const qsizetype at = text.indexOf(start);
        if (at < 0)
            return {};
        const qsizetype from = at + start.size();
        return text.mid(from, text.indexOf(u'"', from) - from);
    }

    bool run(const QString &program, const QStringList &arguments, const std::function<void()> &whileRunning = {})
    {
        return RunUntilTerminated(program, arguments, m_environment, fail, whileRunning);
    }

private:
    QTemporaryDir m_root;
    QProcessEnvironment m_environment;
};

void firstStart(const QString &program)
{
    Home home;
    QDir(home.networks()).removeRecursively();
    const QString document = home.network(QStringLiteral("Local Area Network.net"));
    home.run(program, {}, [&] {
        // Written at once, not only at the end.
        expectLines(documentLines(document), emptyDocument(), QStringLiteral("new document while running"));
    });
    expectLines(documentLines(document), emptyDocument(), QStringLiteral("new document after exit"));
    if (home.rememberedDocument() != document)
        fail(QStringLiteral("settings remember \"%1\", expected \"%2\"").arg(home.rememberedDocument(), document));
}

void thirdName(const QString &program)
{
    Home home;
    for (const char *name : {"Local Area Network.net", "Local Area Network 2.net"})
        writeDocument(home.network(QLatin1String(name)), emptyDocument());
    home.run(program, {});
    const QString third = home.network(QStringLiteral("Local Area Network 3.net"));
    expectLines(documentLines(third), emptyDocument(), QStringLiteral("third default document"));
    if (home.rememberedDocument() != third)
        fail(QStringLiteral("settings remember \"%1\", expected \"%2\"").arg(home.rememberedDocument(), third));
    if (QFileInfo::exists(home.network(QStringLiteral("Local Area Network 4.net"))))
        fail(QStringLiteral("a fourth default document was made"));
}

void openSaveAndAutoload(const QString &program)
{
    Home home;
    const QString some = home.path(QStringLiteral("some.net"));
    const QStringList low = hostLines(QStringLiteral("LOW"), 1, {QStringLiteral("Docs")});
    const QStringList high = hostLines(QStringLiteral("HIGH"), 2, {QStringLiteral("Music"), QStringLiteral("Films")});
    const QStringList stored = networkDocument({low, high});
    const QStringList probingOrder = networkDocument({high, low});

    writeDocument(some, stored);
    home.run(program, {some});
    expectLines(documentLines(some), probingOrder, QStringLiteral("named document written back"));
    if (home.rememberedDocument() != some)
        fail(QStringLiteral("settings remember \"%1\", expected \"%2\"").arg(home.rememberedDocument(), some));
    if (!QDir(home.networks()).isEmpty())
        fail(QStringLiteral("opening a named document also made a default one"));

    // Put back in file order: only a document that was opened again and
    // written at exit comes back sorted.
    writeDocument(some, stored);
    home.run(program, {});
    expectLines(documentLines(some), probingOrder, QStringLiteral("autoloaded document written back"));
    if (!QDir(home.networks()).isEmpty())
        fail(QStringLiteral("autoload also made a default document"));

    // Gone: a new default document instead.
    QFile::remove(some);
    home.run(program, {});
    expectLines(documentLines(home.network(QStringLiteral("Local Area Network.net"))), emptyDocument(),
                QStringLiteral("default document after the remembered one vanished"));
    if (QFileInfo::exists(some))
        fail(QStringLiteral("the vanished document was written again"));
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
    firstStart(program);
    thirdName(program);
    openSaveAndAutoload(program);
    if (g_failures == 0)
        std::printf("document lifecycle: ok\n");
    return g_failures == 0 ? 0 : 1;
}
