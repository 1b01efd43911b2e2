// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <set>

// What a scan of a document looks at, and what it leaves out.
struct ScanRules
{
    // Flags kept as integers: the document stores them as 1 and 0.
    int searchNetAll = 1;
    int searchNetCurrent = 0;
    int searchNetByList = 0;
    int searchHostByList = 0;
    // With searchNetAll or searchNetCurrent: also take the hosts that
    // announce themselves on the local links (WS-Discovery, DNS-SD). Shown
    // in Scan Options as AnnouncedRuleText.
    int searchAnnounced = 1;
    // Entries as typed; empty ones are kept only in the lists of workgroups
    // and filters.
    QStringList nets; // workgroup names
    QStringList hosts; // host names, addresses or address ranges
    QStringList excNets; // workgroups left out (whole names)
    QStringList excHosts; // hosts left out (whole names, never addresses)
    // The host list is what the user typed or passed in this run, not what
    // a document brought. Not saved: a loaded list starts unconfirmed.
    bool hostListConfirmed = true;

    // Upper-cased filters, rebuilt at every scan start by BuildExclusionSets.
    std::set<QString> excludedNetSet;
    std::set<QString> excludedHostSet;

    // Removes the entries of `hosts` that hold nothing but white space.
    void DropBlankHosts();
    // The defaults of a new document; the exclusion sets are kept.
    void Reset();
    void BuildExclusionSets();
    // Uses the sets of the last BuildExclusionSets, and for workgroups also
    // an exact match with an entry of excNets.
    bool IsNetExcluded(const QString &name) const;
    bool IsHostExcluded(const QString &name) const;
};

inline constexpr const char *AnnouncedRuleText = "Also find hosts that announce themselves (WS-Discovery, DNS-SD)";

// The upper case used by the filters: each UTF-16 code unit mapped on its
// own (simple case mapping), never Unicode's full, length-changing one.
QString FilterCase(const QString &text);
