// SPDX-License-Identifier: GPL-3.0-or-later
#include "scanworkers.h"

#include "scan/scandriver.h"

#include "model/lanterradoc.h"
#include "net/credentials.h"
#include "net/neterrors.h"
#include "net/netprovider.h"
#include "platform/logging.h"
#include "settings/sharescheme.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <optional>

namespace ScanWorkers {

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsSince(Clock::time_point start)
{
    return int(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// Results that mean the host itself did not answer: it counts as offline.
bool MeansUnreachable(std::uint32_t code)
{
    return code == NetError::BadNetPath || code == NetError::SemTimeout;
}

bool IsDiskShare(std::uint32_t type)
{
    return type == ShareType::DiskTree || type == ShareType::SpecialDisk;
}

// Marks a listed disk share online, creating and classifying it when the
// host did not have it (names match without regard to case). False when
// the host has as many shares as one host may have and this one is new.
bool TakeShare(CLanterraDoc &doc, HostRecord &host, const QString &name)
{
    for (auto it = host.shares.rbegin(); it != host.shares.rend(); ++it) {
        if ((*it)->name.compare(name, Qt::CaseInsensitive) == 0) {
            (*it)->state = ShareOnline;
            return true;
        }
    }
    if (host.shares.size() >= std::size_t(CScanDriver::MaxSharesPerHost))
        return false;
    doc.AppendShare(host, name, ShareOnline);
    return true;
}

} // namespace

void EnumerateAllNets(CScanDriver &driver)
{
    QStringList names = driver.Network().ListWorkgroups(driver.AbandonToken());
    {
        auto lock = driver.Publish();
        if (driver.IsHalted())
            return;
        driver.Job().names = std::move(names);
        driver.Job().state = NetListed;
    }
    driver.Wake();
}

void EnumerateNet(CScanDriver &driver, NetRecord &net)
{
    QString name;
    {
        auto lock = driver.Publish();
        if (driver.IsHalted())
            return;
        net.state = NetPending;
        name = net.name;
    }
    const bool passedOver = driver.Rules().IsNetExcluded(name);
    QStringList hosts;
    if (!name.isEmpty() && !passedOver)
        hosts = driver.Network().ListHosts(name, driver.AbandonToken());
    net.isOpening = false;
    {
        auto lock = driver.Publish();
        if (driver.IsHalted())
            return;
        net.hostNames = std::move(hosts);
        // Listed before the count drops, so that the driver cannot see the
        // last workgroup finished without seeing its hosts.
        net.state.store(NetListed, std::memory_order_release);
        --driver.Session().netsPending;
        driver.Session().netSlots.release();
    }
    driver.Wake();
}

namespace {

// What a probe reads of its host when it starts, under the publish lock:
// the host's own fields change only when the probe ends, so that one a
// stop abandons leaves its host as it was.
struct ProbeStart
{
    QString name;
    // The address the host was given or last answered at; empty for a host
    // never seen. Logins go there and nowhere else without the user's word.
    QString knownAddress;
    int knownAnswerMs = 0;
    // What the login policy goes by; the address is filled in per question.
    LoginFacts facts;
    // A probe held back for the browse lists runs again.
    bool isRetry = false;
    // The document keeps the host in no workgroup (a listed host): the
    // host is asked which one it is in, for the list to show.
    bool asksWorkgroup = false;
};

// Where a probe lists its host.
struct ProbeTarget
{
    std::uint32_t result = NetError::Success;
    QString server; // the name or address the listing is given
    QString address; // where it connects; empty: nowhere
    bool bindsAddress = false; // the host is at `address` from now on
    QString movedTo; // the name points here while the known address is silent
    bool announcedAddress = false; // `address` is only what an announcement told: no login goes there
    bool answersConflict = false; // first contact, and more than one address answered for the name
    bool reachChecked = false; // `address` took a connection just now
};

std::optional<ProbeStart> TakeSnapshot(CScanDriver &driver, HostRecord &host)
{
    auto lock = driver.Publish();
    if (driver.IsHalted())
        return std::nullopt;
    for (const auto &share : host.shares)
        share->state = ShareOffline;
    ProbeStart start;
    start.knownAnswerMs = host.onlineCount > 0 ? std::max(host.lastAnswerTime, 1) : 0;
    start.name = host.GetName();
    // An address only an announcement told is where the host may be, not
    // where it was: the name's answer is not checked against it.
    if (!driver.HasAnnouncedAddress(host))
        start.knownAddress = host.GetAddr();
    start.facts = driver.LoginFactsFor(host);
    start.isRetry = driver.TakeRetry(host);
    start.asksWorkgroup = !host.net || host.net->name.isEmpty();
    return start;
}

// A name answer that points away from where the host is known. While the
// host still answers there, the answer is someone else's (anyone on the
// link can answer a broadcast name query) and the host stays. When it is
// silent the host may have moved; a login is at stake only after the user
// confirmed the move, until then the host waits as a login-needed entry.
void SettleMovedName(CScanDriver &driver, const ProbeStart &start, const QString &resolved, bool loginAtStake,
                     ProbeTarget &target)
{
    INetProvider &network = driver.Network();
    // Still part of the look-up: a stop abandons the probe here.
    if (network.IsReachableOf(start.knownAddress, start.knownAnswerMs, driver.HaltToken())) {
        if (!start.isRetry)
            qCWarning(lcScan).noquote() << start.name << "still answers at" << start.knownAddress
                                        << "while its name points at" << resolved << "- the known address is kept";
        target.server = start.knownAddress;
        target.address = start.knownAddress;
        target.reachChecked = true;
        return;
    }
    if (!network.IsReachableOf(resolved, 0, driver.HaltToken())) {
        target.result = NetError::BadNetPath; // silent at both: offline, still bound where it was
        return;
    }
    if (loginAtStake) {
        qCWarning(lcScan).noquote() << start.name << "now answers at" << resolved << "instead of" << start.knownAddress
                                    << "- its login waits for the user";
        target.movedTo = resolved;
        target.result = NetError::AccessDenied;
        return;
    }
    // Nothing to lose: a move of a host listed anonymously is followed.
    target.server = start.name;
    target.address = resolved;
    target.bindsAddress = true;
    target.reachChecked = true;
}

// Nothing when the scan stopped during the look-up.
std::optional<ProbeTarget> ResolveTarget(CScanDriver &driver, HostRecord &host, const ProbeStart &start, bool excluded)
{
    std::optional<QString> resolved;
    ProbeTarget target;
    if (!start.name.isEmpty() && !excluded) {
        if (start.knownAddress.isEmpty()) {
            // First contact: nothing to check an answer against but the
            // other answers.
            const QStringList answers = driver.Network().ResolveIPv4Answers(start.name, driver.HaltToken());
            if (!answers.isEmpty())
                resolved = answers.front();
            target.answersConflict = answers.size() > 1;
            if (target.answersConflict && !start.isRetry)
                qCWarning(lcScan).noquote() << start.name << "answered from" << answers.join(QStringLiteral(", "))
                                            << "- no login goes there until the user confirms it";
        } else {
            resolved = driver.Network().ResolveIPv4(start.name, driver.HaltToken());
        }
    }
    if (driver.HaltToken().stop_requested())
        return std::nullopt;

    // An announcement may have told the address while the name was looked up.
    const QString known = start.knownAddress.isEmpty() ? host.GetAddr() : start.knownAddress;
    if (resolved && !start.knownAddress.isEmpty() && *resolved != start.knownAddress) {
        // A host a browse list may still name has the login for every host
        // at stake as well.
        LoginFacts facts = start.facts;
        facts.address = start.knownAddress;
        LoginDecision decision;
        {
            auto lock = driver.Publish();
            decision = driver.DecideLogin(facts);
        }
        const bool loginAtStake = decision.login.has_value() || decision.reason == LoginReason::Undecided;
        SettleMovedName(driver, start, *resolved, loginAtStake, target);
    } else if (resolved) {
        // Seen for the first time, or where it was: its address from now on,
        // unless the name's answers disagreed.
        target.server = start.name;
        target.address = *resolved;
        target.bindsAddress = !target.answersConflict || start.facts.confirmed;
    } else if (!known.isEmpty() && !excluded) {
        target.server = known;
        target.address = known;
        target.announcedAddress = start.knownAddress.isEmpty();
    } else {
        target.result = NetError::BadNetPath;
    }
    return target;
}

// Enters the host under its address; another record there already keeps the
// machine. False when the scan was halted.
bool ClaimAddress(CScanDriver &driver, HostRecord &host, const QString &name, ProbeTarget &target)
{
    CLanterraDoc &doc = driver.Doc();
    auto lock = driver.Publish();
    if (driver.IsHalted())
        return false;
    if (!target.address.isEmpty() && target.result == NetError::Success) {
        HostRecord *other = nullptr;
        {
            std::scoped_lock addresses(driver.Session().addressLock);
            const auto [it, inserted] = driver.Session().addressMap.emplace(target.address, &host);
            if (!inserted && it->second != &host)
                other = it->second;
        }
        if (other) {
            // The same machine under two records: the one that came first
            // keeps it, under this record's name when this one has a name,
            // unless that name is only what someone announced.
            if (!name.isEmpty() && !driver.IsAnnouncedOnly(host)) {
                other->SetName(name);
                doc.QueueShares(doc.SharesOf(*other), ShareHostRenamed);
            }
            host.duplicate = true;
            doc.QueueShares(doc.SharesOf(host), ShareRemoved);
            target.result = NetError::BadNetPath;
        }
    }
    // From here on a stop lets the probe run to its end and write its
    // host's results; HaltAndWait waits for it.
    host.isResolving = false;
    ++driver.Session().listingProbes;
    return true;
}

struct ProbeOutcome
{
    std::uint32_t result = NetError::Success;
    ShareListing listing;
    // Which login the listing carried, and the facts it was decided on.
    LoginFacts facts;
    LoginDecision login;
    bool online = false;
    // Refused without a login that a browse list still to come may allow.
    bool mayDefer = false;
    // What the host said of its workgroup; empty when it was not asked.
    QString workgroup;
};

ProbeOutcome ListTarget(CScanDriver &driver, const HostRecord &host, const ProbeStart &start, const ProbeTarget &target,
                        SweepReach reach)
{
    INetProvider &network = driver.Network();
    ProbeOutcome outcome;
    outcome.result = target.result;
    // Moved and waiting for the user: silent where it was; what answered
    // at the new address may be anyone, so it credits the host nothing.
    if (outcome.result != NetError::Success)
        return outcome;
    // An unreachable host gives its answer at once here, instead of holding
    // a slot while the listing waits for it.
    if (reach == SweepReach::Dead
        || (reach == SweepReach::Unknown && !target.reachChecked
            && !network.IsReachableOf(target.address, start.knownAnswerMs, driver.AbandonToken()))) {
        outcome.result = NetError::BadNetPath;
        return outcome;
    }
    {
        // Taken again under the lock the browse lists are merged under: a
        // list that came in since the probe started decides with it, or the
        // host would be judged by the old facts as the lists are seen in.
        auto lock = driver.Publish();
        outcome.facts = driver.LoginFactsFor(host);
        outcome.facts.address = target.address;
        outcome.facts.addressIsHint = target.announcedAddress;
        outcome.facts.answersConflict = target.answersConflict;
        outcome.login = driver.DecideLogin(outcome.facts);
    }
    const std::optional<Login> &login = outcome.login.login;
    outcome.listing =
        network.ListSharesWith(target.server, target.address, start.knownAnswerMs, login, driver.AbandonToken());
    outcome.result = outcome.listing.code == NetError::MoreData ? NetError::Success : outcome.listing.code;
    outcome.online = !MeansUnreachable(outcome.result);
    outcome.mayDefer = outcome.login.reason == LoginReason::Undecided && IsLoginRefusal(outcome.result);
    if (login && outcome.result == NetError::Success)
        driver.LoginPolicy().Succeeded(outcome.facts, outcome.login);
    if (start.asksWorkgroup && outcome.online && !target.address.isEmpty())
        outcome.workgroup = network.HostWorkgroup(target.address, driver.AbandonToken());
    return outcome;
}

void PublishProbe(CScanDriver &driver, HostRecord &host, const ProbeTarget &target, const ProbeOutcome &outcome,
                  SweepReach reach, int elapsedMs)
{
    CLanterraDoc &doc = driver.Doc();
    auto lock = driver.Publish();
    --driver.Session().listingProbes;
    driver.Session().listingEnded.notify_all();
    // A new scan, or other contents, took the document over: what this
    // probe found belongs to what is gone. So does a listing cut short
    // because the driver is going away.
    if (!driver.IsCurrent())
        return;
    // Held back for the browse lists: as if this attempt had not happened.
    if (outcome.mayDefer && driver.DeferProbe(host)) {
        if (reach != SweepReach::Dead)
            driver.Session().hostSlots.release();
        return;
    }
    std::size_t leftOut = outcome.listing.leftOut;
    for (const ShareEntry &entry : outcome.listing.shares) {
        if (IsDiskShare(entry.type) && !entry.name.isEmpty() && !TakeShare(doc, host, entry.name))
            ++leftOut;
    }
    // The outputs and the window tell the cut where the user looks.
    if (leftOut > 0)
        qCInfo(lcScan).noquote() << target.server << "lists more than" << CScanDriver::MaxSharesPerHost << "shares;"
                                 << leftOut << "were left out";
    if (outcome.online)
        host.sharesLeftOut = int(std::min<std::size_t>(leftOut, std::size_t(std::numeric_limits<int>::max())));
    // A refusal pins nothing: whoever answered for the name there did not
    // show it is the host, and a later scan must not take it for the host's
    // known address.
    if (target.bindsAddress && !IsLoginRefusal(outcome.result))
        host.SetAddr(target.address);
    if (IsLoginRefusal(outcome.result) && !outcome.login.login) {
        if (const QString why = CLoginPolicy::Explain(outcome.login.reason); !why.isEmpty())
            qCWarning(lcScan).noquote() << host.GetDisplayName() << "needs a login; none was sent to"
                                        << outcome.facts.address << "because" << why;
    }
    host.SetMovedTo(target.movedTo);
    if (!outcome.workgroup.isEmpty())
        host.SetToldWorkgroup(outcome.workgroup);
    if (outcome.online)
        ++host.onlineCount;
    else
        ++host.offlineCount;
    host.lastAnswerTime = elapsedMs;
    host.lastState = int(outcome.result);
    // An announced host that never answered leaves the cache at the
    // scan's end: nothing of it goes to the views.
    if (outcome.online || !driver.IsAnnouncedOnly(host)) {
        doc.QueueShares(doc.SharesOf(host), std::nullopt);
        doc.QueueHost(host);
    }
    driver.HostFinished();
    if (reach != SweepReach::Dead)
        driver.Session().hostSlots.release();
}

} // namespace

void ProbeHost(CScanDriver &driver, HostRecord &host, SweepReach reach, int sweptMs)
{
    const std::optional<ProbeStart> start = TakeSnapshot(driver, host);
    if (!start) {
        host.isResolving = false;
        return;
    }
    const bool excluded = driver.Rules().IsHostExcluded(start->name);
    auto t0 = Clock::now();
    std::optional<ProbeTarget> target = ResolveTarget(driver, host, *start, excluded);
    // Stopped while resolving: abandoned, as if it had never run.
    if (!target || !ClaimAddress(driver, host, start->name, *target)) {
        host.isResolving = false;
        return;
    }
    if (!target->address.isEmpty())
        t0 = Clock::now();

    const ProbeOutcome outcome = ListTarget(driver, host, *start, *target, reach);
    if (outcome.result != NetError::Success)
        qCDebug(lcScan) << "no share list from" << (target->server.isEmpty() ? start->name : target->server) << "error"
                        << outcome.result;
    PublishProbe(driver, host, *target, outcome, reach, reach == SweepReach::Dead ? sweptMs : MillisecondsSince(t0));
    driver.Wake();
}

} // namespace ScanWorkers
