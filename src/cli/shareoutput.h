// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scanoptions.h"

#include <QByteArray>
#include <QList>
#include <QString>

class CLanterraDoc;

// One share as lanterra-scan prints it.
struct ShareRow
{
    QString workgroup;
    QString host;    // the name, or the address when there is none
    QString address;
    QString share;
    QString unc;
    // online, offline, unknown; for a host with no share login-needed or
    // smb1-only
    QString state;
    QString group;   // the scheme group's name; empty for none
};

// Every share of the document in list order, except those of hosts found
// to duplicate another; then one row for each host that wants a login or
// speaks only SMB1.
QList<ShareRow> CollectShares(const CLanterraDoc &doc);
QByteArray FormatShares(const QList<ShareRow> &rows, ScanOptions::Format format);
