// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/sharerecord.h"

#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

class CLanterraDoc;
struct NetRecord;

// One host with its disk shares and its probe history.
//
// `name` and `addr` may be changed by a probe (the resolved address, the
// rename of a record that turned out to hold the same address) while the user
// interface shows them. Such changes go through SetName/SetAddr, and every
// thread other than the host's own probe reads them through GetName/GetAddr/
// GetDisplayName. The lock is the record's own and the innermost of all: it
// may be taken while a document lock is held, never the other way round.
struct HostRecord
{
    HostRecord() = default;
    HostRecord(QString hostName, NetRecord *workgroup, QString address = {})
        : name(std::move(hostName)), addr(std::move(address)), net(workgroup)
    {}
    HostRecord(const HostRecord &) = delete;
    HostRecord &operator=(const HostRecord &) = delete;

    QString GetName() const;
    QString GetAddr() const;
    // The name, or the address when the name is empty (what the list shows).
    QString GetDisplayName() const;
    void SetName(const QString &value);
    void SetAddr(const QString &value);
    // Where the host's name now points while its known address (`addr`) is
    // silent: a login is not sent there until the user confirms the move
    // (ConfirmMove). Empty when the host did not move. Not saved.
    QString GetMovedTo() const;
    void SetMovedTo(const QString &value);
    // Binds the host to the address it moved to; false when it did not move.
    bool ConfirmMove();
    // The workgroup or domain the host itself told (its NetBIOS name table
    // or its announcement), for a host the document keeps in no workgroup.
    // Shown, never saved: the document keeps the host where it was.
    QString GetToldWorkgroup() const;
    void SetToldWorkgroup(const QString &value);
    // What the list shows as the host's workgroup: the document's, else
    // the one the host told.
    QString GetWorkgroup() const;

    // Empty for hosts created from an address or range.
    QString name;
    // Dotted IPv4 text; empty until known.
    QString addr;
    // The workgroup's name as stored in a document; links the host on load.
    QString group;
    // 0 shares listed, 53 not reachable / excluded / duplicate, else the error
    // code of the share enumeration.
    int lastState = 0;
    int lastAnswerTime = 0;
    int onlineCount = 0;
    int offlineCount = 0;
    // Shares the last listing gave past those one host keeps
    // (CScanDriver::MaxSharesPerHost): told to the user, not saved. Written
    // by the host's probe, read by the window.
    std::atomic<int> sharesLeftOut{0};
    NetRecord *net = nullptr;
    // Shares in a visible group of the current scheme; weight in HostScore.
    // Changed under the document's sharesLock.
    int visibleShares = 0;
    // Another record holds this host's address; left out of the save at close.
    std::atomic<bool> duplicate{false};
    // True while the probe is still resolving the host: a stop may abandon
    // it until then, after that the probe runs to its end.
    std::atomic<bool> isResolving{false};
    // The user said yes to this host's login on its login-needed entry or
    // its move: its address is where its logins go. Not saved.
    std::atomic<bool> loginConfirmed{false};
    CLanterraDoc *owner = nullptr;
    // In the order first seen; owned here. Appended under the document's
    // sharesLock.
    std::vector<std::unique_ptr<ShareRecord>> shares;

private:
    mutable std::mutex m_textLock;
    QString m_movedTo;
    QString m_toldWorkgroup;
};
