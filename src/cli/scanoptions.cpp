// SPDX-License-Identifier: GPL-3.0-or-later
#include "scanoptions.h"

#include "model/scanrules.h"
#include "scan/ipv4.h"

#include <QRegularExpression>

QStringList SplitList(const QString &text)
{
    QStringList entries;
    static const QRegularExpression separators(QStringLiteral("[;\\r\\n]"));
    for (const QString &item : text.split(separators)) {
        const QString trimmed = item.trimmed();
        if (!trimmed.isEmpty())
            entries.append(trimmed);
    }
    return entries;
}

QString ScanOptions::Usage()
{
    return QStringLiteral("Usage: lanterra-scan [options] [DOCUMENT.net]\n"
                          "Scans the network of a document (or of a new default document) once and saves it.\n"
                          "\n"
                          "  --hosts LIST               hosts, addresses or ranges to probe (turns the host list on)\n"
                          "  --workgroups LIST          workgroups to enumerate (turns the workgroup list on)\n"
                          "  --all, --no-all            enumerate every workgroup the network announces, or not\n"
                          "  --current                  enumerate this machine's own workgroup\n"
                          "  --discovery, --no-discovery  with --all or --current, also find hosts that\n"
                          "                             announce themselves (WS-Discovery, DNS-SD), or not\n"
                          "  --exclude-hosts LIST       host names to leave out\n"
                          "  --exclude-workgroups LIST  workgroups to leave out\n"
                          "  --user [DOMAIN\\]USER[%PASSWORD]  log in as USER to list shares (without\n"
                          "                             %PASSWORD it is asked for when a terminal is attached)\n"
                          "  --auth-file FILE           the login from FILE (username =, password =, domain =)\n"
                          "  --kerberos                 log in with the Kerberos ticket cache (without a\n"
                          "                             login, a live ticket there is tried first anyway)\n"
                          "  --remember-login           keep that login in the desktop's secret store; later\n"
                          "                             scans without a login option use it where it has\n"
                          "                             worked before\n"
                          "  --allow-smb1               list hosts that speak only the old SMB1 protocol\n"
                          "                             with it (logins stay NTLMv2 or Kerberos only). Off\n"
                          "                             unless given or on in the window's Preferences:\n"
                          "                             SMB1 is old and insecure, and current Windows and\n"
                          "                             Samba clients leave it off. Without it such a host\n"
                          "                             is one smb1-only row\n"
                          "  --login-workgroups LIST    the login also goes to the hosts the browse lists of\n"
                          "                             these workgroups name (only those also given with\n"
                          "                             --workgroups); without it the login goes only to the\n"
                          "                             hosts given with --hosts or where it worked before:\n"
                          "                             any machine can claim to be a workgroup's browser\n"
                          "  --scheme INDEX|NAME        scheme that groups the shares (default: the selected one)\n"
                          "  --out FILE                 save to FILE instead of the document\n"
                          "  --no-save                  do not save\n"
                          "  --timeout SECONDS          stop the scan after this long\n"
                          "  --format text|csv|json     how the shares are printed (default: text)\n"
                          "  -q, --quiet                no progress or notes on standard error, only failures\n"
                          "  -v, --verbose              log why probes, the listing helper or files fail\n"
                          "  --help                     this text\n"
                          "  --version                  the program's version\n"
                          "\n"
                          "Names are printed as the network gives them, except: in text and csv, control,\n"
                          "line-separator and invisible format characters are written as \\uXXXX, so each\n"
                          "share stays on its line and no name hides part of itself; in csv, a cell that\n"
                          "starts with =, +, -, @, tab or carriage return gets a leading ' (spreadsheets\n"
                          "then show it as text instead of running it as a formula), and cells holding\n"
                          "\",\", \";\" or a quote are quoted. json gives every name exactly.\n"
                          "A host keeps its first 4096 shares. What a scan left out is told after the\n"
                          "shares in text (and on standard error otherwise); json gives each share the\n"
                          "number of its host's shares left out (hostSharesLeftOut).\n"
                          "\n"
                          "LIST entries are separated by \";\" or line breaks. A host entry is a name, an\n"
                          "address (10.0.0.1) or a range of addresses (10.0.0.1-10.0.0.20, 10.0.0.1-20,\n"
                          "10.0.0.0/24: a network's own and broadcast addresses are left out); a range\n"
                          "gives at most 65536 hosts. The document is saved as on\n"
                          "closing the program: hosts found to duplicate another are left out.\n"
                          "Exit status: 0 scan ended or stopped by --timeout, 1 document not readable or\n"
                          "not writable, 2 bad arguments.\n");
}

std::optional<QString> ScanOptions::Parse(const QStringList &arguments)
{
    bool onlyFiles = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        QString argument = arguments[i];
        if (onlyFiles || !argument.startsWith(u'-') || argument == u"-") {
            if (!document.isEmpty())
                return QStringLiteral("only one document may be named");
            document = argument;
            continue;
        }
        if (argument == u"--") {
            onlyFiles = true;
            continue;
        }
        // "--name=value" as well as "--name value".
        std::optional<QString> inlineValue;
        if (const qsizetype equals = argument.indexOf(u'='); argument.startsWith(u"--") && equals > 0) {
            inlineValue = argument.mid(equals + 1);
            argument.truncate(equals);
        }
        auto value = [&]() -> std::optional<QString> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 >= arguments.size())
                return std::nullopt;
            return arguments[++i];
        };
        auto flag = [&](bool &target) -> std::optional<QString> {
            if (inlineValue)
                return argument + QStringLiteral(" takes no value");
            target = true;
            return std::nullopt;
        };

        static const QStringList valued = {QStringLiteral("--hosts"),
                                           QStringLiteral("--workgroups"),
                                           QStringLiteral("--exclude-hosts"),
                                           QStringLiteral("--exclude-workgroups"),
                                           QStringLiteral("--scheme"),
                                           QStringLiteral("--out"),
                                           QStringLiteral("--timeout"),
                                           QStringLiteral("--format"),
                                           QStringLiteral("--user"),
                                           QStringLiteral("--auth-file"),
                                           QStringLiteral("--login-workgroups")};
        if (valued.contains(argument)) {
            const std::optional<QString> given = value();
            if (!given)
                return argument + QStringLiteral(" needs a value");
            if (argument == u"--hosts") {
                hosts = SplitList(*given);
                // Probing a mistyped address as a host name would report
                // nothing at all: refused like any bad argument.
                if (const QStringList refused = RefusedHostEntries(*hosts); !refused.isEmpty())
                    return FormatRefusedEntry(RefusedEntryFormat(), refused.first());
            } else if (argument == u"--workgroups")
                workgroups = SplitList(*given);
            else if (argument == u"--exclude-hosts")
                excludeHosts = SplitList(*given);
            else if (argument == u"--exclude-workgroups")
                excludeWorkgroups = SplitList(*given);
            else if (argument == u"--scheme")
                scheme = *given;
            else if (argument == u"--out")
                out = *given;
            else if (argument == u"--user")
                user = *given;
            else if (argument == u"--auth-file")
                authFile = *given;
            else if (argument == u"--login-workgroups")
                loginWorkgroups = SplitList(*given);
            else if (argument == u"--timeout") {
                bool ok = false;
                timeoutSeconds = given->toInt(&ok);
                if (!ok || timeoutSeconds <= 0 || timeoutSeconds > 24 * 3600)
                    return QStringLiteral("--timeout needs a number of seconds from 1 to 86400");
            } else if (argument == u"--format") {
                if (*given == u"text")
                    format = Format::Text;
                else if (*given == u"csv")
                    format = Format::Csv;
                else if (*given == u"json")
                    format = Format::Json;
                else
                    return QStringLiteral("--format takes text, csv or json");
            }
            continue;
        }

        std::optional<QString> error;
        bool on = false;
        if (argument == u"--all" || argument == u"--no-all") {
            error = flag(on);
            all = argument == u"--all";
        } else if (argument == u"--current") {
            error = flag(current);
        } else if (argument == u"--discovery" || argument == u"--no-discovery") {
            error = flag(on);
            discovery = argument == u"--discovery";
        } else if (argument == u"--kerberos") {
            error = flag(kerberos);
        } else if (argument == u"--remember-login") {
            error = flag(rememberLogin);
        } else if (argument == u"--allow-smb1") {
            error = flag(allowSmb1);
        } else if (argument == u"--no-save") {
            error = flag(on);
            save = false;
        } else if (argument == u"-q" || argument == u"--quiet") {
            error = flag(quiet);
        } else if (argument == u"-v" || argument == u"--verbose") {
            error = flag(verbose);
        } else if (argument == u"--help" || argument == u"-h") {
            error = flag(help);
        } else if (argument == u"--version") {
            error = flag(version);
        } else {
            return QStringLiteral("unknown option ") + argument;
        }
        if (error)
            return error;
    }
    return std::nullopt;
}

void ScanOptions::ApplyTo(ScanRules &rules) const
{
    if (hosts) {
        rules.hosts = *hosts;
        rules.hostListConfirmed = true;
        rules.searchHostByList = 1;
    }
    if (workgroups) {
        rules.nets = *workgroups;
        rules.searchNetByList = 1;
    }
    if (all)
        rules.searchNetAll = *all ? 1 : 0;
    if (current)
        rules.searchNetCurrent = 1;
    if (discovery)
        rules.searchAnnounced = *discovery ? 1 : 0;
    if (excludeHosts)
        rules.excHosts = *excludeHosts;
    if (excludeWorkgroups)
        rules.excNets = *excludeWorkgroups;
}

QStringList CutRangeNotes(const ScanRules &rules)
{
    QStringList notes;
    if (!rules.searchHostByList)
        return notes;
    for (const CutRange &cut : CutRanges(rules.hosts))
        notes.append(FormatRangeCut(RangeCutFormat(), cut));
    // A document's list may hold such entries from an older version or an
    // edit by hand; the scan leaves them out.
    for (const QString &entry : RefusedHostEntries(rules.hosts))
        notes.append(FormatRefusedEntry(RefusedEntryFormat(), entry));
    return notes;
}
