// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

struct ScanRules;

// The command line of lanterra-scan.
struct ScanOptions
{
    enum class Format { Text, Csv, Json };

    QString document;        // empty: a new default document
    std::optional<QStringList> hosts;
    std::optional<QStringList> workgroups;
    std::optional<bool> all;
    bool current = false;
    std::optional<bool> discovery;
    // The login for share listings: "[DOMAIN\]USER[%PASSWORD]", smbclient's
    // authentication file, or the Kerberos ticket cache.
    std::optional<QString> user;
    // Workgroups whose browse lists the login for every host may follow.
    std::optional<QStringList> loginWorkgroups;
    QString authFile;
    bool kerberos = false;
    bool rememberLogin = false; // keep the login in the desktop's secret store
    bool allowSmb1 = false; // list hosts that speak only SMB1 with it
    std::optional<QStringList> excludeHosts;
    std::optional<QStringList> excludeWorkgroups;
    QString scheme;          // index or name; empty: the selected scheme
    QString out;
    bool save = true;
    int timeoutSeconds = 0;  // 0: none
    Format format = Format::Text;
    bool quiet = false;
    bool verbose = false; // every lanterra.* log message on standard error
    bool help = false;
    bool version = false;

    // Fills the options from the arguments (the program name first); on a
    // bad argument returns a one-line message.
    std::optional<QString> Parse(const QStringList &arguments);
    // Writes the rule options into a document's rules.
    void ApplyTo(ScanRules &rules) const;

    static QString Usage();
};

// One line for standard error per host list entry of `rules` that a scan
// cuts short (AddressesLeftOut): the entry and how many addresses are left
// out; then one per entry it refuses (RefusedHostEntries). None while the
// host list is off.
QStringList CutRangeNotes(const ScanRules &rules);

// Entries of a list option: split on ";" and line breaks, trimmed, empty
// entries dropped.
QStringList SplitList(const QString &text);
