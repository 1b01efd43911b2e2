// SPDX-License-Identifier: GPL-3.0-or-later
// lanterra-scan: loads a network document (or makes a new one), runs one
// scan to its end and saves the document, without any window.
#include "scanoptions.h"
#include "shareoutput.h"

#include "app/lanterraapp.h"
#include "model/lanterradoc.h"
#include "settings/messageformat.h"
#include "settings/settings.h"
#include "settings/sharescheme.h"

#include "net/credentials.h"
#include "platform/logging.h"
#include "platform/processlimits.h"
#ifdef LANTERRA_HAVE_SECRET_STORE
#include "secrets/loginstore.h"
#endif

#include <QCoreApplication>
#include <QFile>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>
#ifndef Q_OS_WIN
#include <termios.h>
#include <unistd.h>
#endif

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int)
{
    g_interrupted = 1;
}

void PrintError(const QString &message)
{
    std::fprintf(stderr, "lanterra-scan: %s\n", qPrintable(message));
}

// The scheme named by --scheme (an index or a name), or the selected one.
std::optional<const ShareScheme *> PickScheme(const CSettings &settings, const QString &wanted)
{
    if (wanted.isEmpty())
        return settings.GetScheme(settings.selectedScheme);
    bool isNumber = false;
    const int index = wanted.toInt(&isNumber);
    if (isNumber) {
        if (index < 0 || index >= settings.GetSchemeCount())
            return std::nullopt;
        return settings.GetScheme(index);
    }
    for (Qt::CaseSensitivity sensitivity : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
        for (int i = 0; i < settings.GetSchemeCount(); ++i) {
            if (settings.GetScheme(i)->name.compare(wanted, sensitivity) == 0)
                return settings.GetScheme(i);
        }
    }
    return std::nullopt;
}

QString ProgressText(const CLanterraDoc &doc, std::chrono::steady_clock::time_point start)
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start);
    return FormatSearchingText(SearchingFormat(), doc.GetShareCount(), seconds.count(), doc.GetHostsPending(),
                               doc.GetHostsTotal())
           + (doc.GetSweepTotal() > 0
                  ? QStringLiteral(", %1/%2 addresses").arg(doc.GetSweepDone()).arg(doc.GetSweepTotal())
                  : QString());
}

// Blanks out the password of "--user USER%PASSWORD" in the process's own
// argument list, which other users can read in /proc.
// True when an argument held a password.
bool HidePasswordArgument(int argc, char *argv[])
{
    bool hidden = false;
    for (int i = 1; i < argc; ++i) {
        char *value = nullptr;
        if (std::strcmp(argv[i], "--user") == 0 && i + 1 < argc)
            value = argv[i + 1];
        else if (std::strncmp(argv[i], "--user=", 7) == 0)
            value = argv[i] + 7;
        if (!value)
            continue;
        if (char *percent = std::strchr(value, '%')) {
            std::memset(percent + 1, 'X', std::strlen(percent + 1));
            hidden = true;
        }
    }
    return hidden;
}

// Reads a password from the terminal without echoing it.
std::optional<QString> AskPassword(const QString &user)
{
#ifdef Q_OS_WIN
    Q_UNUSED(user);
    return std::nullopt;
#else
    if (!isatty(STDIN_FILENO))
        return std::nullopt;
    std::fprintf(stderr, "Password for %s: ", qPrintable(user));
    std::fflush(stderr);
    termios saved{};
    const bool canHide = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (canHide) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string line;
    char c = 0;
    while (read(STDIN_FILENO, &c, 1) == 1 && c != '\n')
        line += c;
    if (canHide)
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    std::fputc('\n', stderr);
    QString password = QString::fromStdString(line);
    std::fill(line.begin(), line.end(), '\0');
    return password;
#endif
}

#ifdef LANTERRA_HAVE_SECRET_STORE
// The login for every host lives in the secret store: where it worked in this
// scan is kept with it.
bool g_loginInStore = false;

void KeepWhereTheLoginWorked(const std::map<QString, QString> &before)
{
    if (!g_loginInStore)
        return;
    const auto login = CLoginBook::Session().Default();
    if (login && login->provenAt != before && !LoginStore::Save(QString(), *login))
        PrintError(QStringLiteral("cannot keep where the login worked in the secret store"));
}
#endif

void AllowWorkgroups(Login &login, const QStringList &workgroups)
{
    for (const QString &workgroup : workgroups) {
        if (!workgroup.trimmed().isEmpty() && !login.TrustsWorkgroup(workgroup.trimmed()))
            login.workgroups.append(workgroup.trimmed().toUpper());
    }
}

// The login the options ask for; an error message when it cannot be had.
std::optional<QString> SetUpLogin(const ScanOptions &options)
{
    std::optional<Login> login;
    if (!options.authFile.isEmpty()) {
        QFile file(options.authFile);
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("cannot read ") + options.authFile;
        login = ParseAuthFile(file.readAll());
        if (!login)
            return options.authFile + QStringLiteral(" names no user");
    }
    if (options.user) {
        bool hasPassword = false;
        login = ParseUserOption(*options.user, &hasPassword);
        if (login->user.isEmpty())
            return QStringLiteral("--user needs a user name");
        if (!hasPassword && !options.kerberos) {
            if (const auto password = AskPassword(login->user))
                login->password = *password;
        }
    }
    if (options.kerberos) {
        if (!login)
            login = Login{};
        login->kerberos = true;
    }
#ifdef LANTERRA_HAVE_SECRET_STORE
    // The desktop's secret store is reached over the session bus; without
    // one there is no store to ask.
    const bool haveStore = !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS");
    bool keep = login && options.rememberLogin;
    if (!login && haveStore) {
        login = LoginStore::Load(QString());
        if (login) {
            login->remembered = true;
            // A choice of workgroups made now is kept with the login.
            keep = options.loginWorkgroups.has_value();
        }
    }
    if (login && options.loginWorkgroups)
        AllowWorkgroups(*login, *options.loginWorkgroups);
    if (keep) {
        if (!haveStore || !LoginStore::Save(QString(), *login))
            return QStringLiteral("cannot keep the login in the secret store");
    }
    g_loginInStore = login && (keep || login->remembered);
#else
    if (login && options.loginWorkgroups)
        AllowWorkgroups(*login, *options.loginWorkgroups);
    if (options.rememberLogin)
        return QStringLiteral("this build keeps no logins (no secret store)");
#endif
    if (login)
        CLoginBook::Session().SetDefault(*login);
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[])
{
    // Qt keeps pointers into argv, so it gets a copy: the password of
    // "--user USER%PASSWORD" is blanked in the real argument list before
    // anything else runs, which narrows the time other users can read it in
    // /proc to the program's own start.
    std::vector<std::string> argumentCopies(argv, argv + argc);
    std::vector<char *> arguments;
    for (std::string &copy : argumentCopies)
        arguments.push_back(copy.data());
    arguments.push_back(nullptr);
    if (HidePasswordArgument(argc, argv))
        ProcessLimits::KeepSecretsOutOfDumps(); // the copies hold it
    argv = arguments.data();
    // A sweep holds two descriptors per address it checks at once.
    ProcessLimits::RaiseDescriptorLimit();

    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Lanterra"));
    QCoreApplication::setOrganizationName(QStringLiteral("Brevant"));

    ScanOptions options;
    const auto parseError = options.Parse(QCoreApplication::arguments());
    if (parseError) {
        PrintError(*parseError + QStringLiteral(" (see --help)"));
        return 2;
    }
    if (options.help) {
        std::fputs(qPrintable(ScanOptions::Usage()), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("lanterra-scan %s\n", LANTERRA_VERSION);
        return 0;
    }
    if (options.verbose)
        Logging::EnableVerbose();
    if (const auto error = SetUpLogin(options)) {
        PrintError(*error);
        return 2;
    }

    // settings.xml is read, never written: this command changes no preference.
    CSettings settings;
    CSettings::setInstance(&settings);
    settings.Startup();
    if (const QString problem = settings.LoadProblemText(false); !problem.isEmpty())
        PrintError(QString(problem).replace(QStringLiteral("\n\n"), QStringLiteral(" ")));
    // For this scan only: the settings are not written.
    if (options.allowSmb1)
        settings.allowSmb1 = true;
    const auto scheme = PickScheme(settings, options.scheme);
    if (!scheme) {
        PrintError(QStringLiteral("no scheme ") + options.scheme);
        return 2;
    }

    int status = 0;
    {
        CLanterraApp lanterra(&settings);
        CLanterraDoc &doc = lanterra.document();
        if (!options.document.isEmpty()) {
            const auto loading = std::chrono::steady_clock::now();
            const Result<QString> opened = lanterra.OnFileOpen(options.document);
            if (!opened) {
                PrintError(opened.reason());
                return 1;
            }
            if (!opened.value().isEmpty())
                PrintError(opened.value());
            if (!options.quiet)
                std::fprintf(stderr, "Loaded %zu hosts in %lld ms.\n", doc.cacheHosts().size(),
                             (long long)std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - loading)
                                 .count());
        } else if (options.save && options.out.isEmpty()) {
            lanterra.OnFileNew();
        } else {
            doc.DeleteContents();
        }
        if (!options.out.isEmpty())
            doc.SetPathName(CLanterraApp::FullPath(options.out));
        options.ApplyTo(doc.rules());
        // Told once more in the text output's summary; -q keeps standard
        // error to failures.
        const QStringList rangeNotes = CutRangeNotes(doc.rules());
        if (!options.quiet) {
            for (const QString &note : rangeNotes)
                PrintError(note);
        }
        doc.applyScheme(*scheme);

        std::signal(SIGINT, OnInterrupt);
        std::signal(SIGTERM, OnInterrupt);

        using Clock = std::chrono::steady_clock;
        const auto start = Clock::now();
        const auto deadline = start + std::chrono::seconds(options.timeoutSeconds);
        auto nextProgress = start + std::chrono::seconds(1);
#ifdef LANTERRA_HAVE_SECRET_STORE
        const auto everyHost = CLoginBook::Session().Default();
        const std::map<QString, QString> provenBefore = everyHost ? everyHost->provenAt : std::map<QString, QString>();
#endif
        doc.StartScan();
        long long firstShareMs = -1;
        long long lastShareMs = -1;
        int sharesSeen = 0;
        while (doc.IsScanning()) {
            const auto now = Clock::now();
            if (const int shares = doc.GetShareCount(); shares != sharesSeen) {
                sharesSeen = shares;
                lastShareMs = std::chrono::duration_cast<std::chrono::milliseconds>(now - start).count();
                if (firstShareMs < 0)
                    firstShareMs = lastShareMs;
            }
            if (g_interrupted || (options.timeoutSeconds > 0 && now >= deadline)) {
                // As the Stop command, without its save: the save below
                // follows the rules of closing. Probes already listing
                // finish and are kept; the rest is cancelled and waited for.
                doc.HaltAndWait();
                break;
            }
            if (!options.quiet && now >= nextProgress) {
                std::fprintf(stderr, "%s\n", qPrintable(ProgressText(doc, start)));
                nextProgress += std::chrono::seconds(1);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (doc.GetShareCount() != sharesSeen) {
            lastShareMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
            if (firstShareMs < 0)
                firstShareMs = lastShareMs;
        }
        // A scan that ended by itself may leave workers to wait for.
        doc.HaltAndWait();
#ifdef LANTERRA_HAVE_SECRET_STORE
        KeepWhereTheLoginWorked(provenBefore);
#endif
        if (!options.quiet)
            std::fprintf(stderr, "Ready. %d shares.\n", doc.GetShareCount());
        if (!options.quiet && firstShareMs >= 0)
            std::fprintf(stderr, "First share after %lld ms, last after %lld ms.\n", firstShareMs, lastShareMs);

        QByteArray listing = FormatShares(CollectShares(doc), options.format);
        const QStringList cutNotes = ShareCutNotes(doc);
        if (options.format == ScanOptions::Format::Text)
            listing += FormatSummary(rangeNotes + cutNotes);
        else if (!options.quiet) {
            for (const QString &note : cutNotes)
                PrintError(note);
        }
        std::fwrite(listing.constData(), 1, size_t(listing.size()), stdout);
        std::fflush(stdout);

        const auto saving = Clock::now();
        int hostsSaved = 0;
        const Result<void> saved =
            options.save ? doc.WriteDocumentFile(doc.GetPathName(), true, &hostsSaved) : Result<void>();
        if (!saved) {
            PrintError(QStringLiteral("Cannot save \"%1\": %2").arg(doc.GetPathName(), saved.reason()));
            status = 1;
        } else if (options.save && !options.quiet) {
            std::fprintf(
                stderr, "Saved %d hosts in %lld ms.\n", hostsSaved,
                (long long)std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - saving).count());
        }
        CSettings::setInstance(nullptr);
    }
    return status;
}
