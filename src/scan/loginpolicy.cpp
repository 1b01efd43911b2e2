// SPDX-License-Identifier: GPL-3.0-or-later
#include "loginpolicy.h"

#include <algorithm>

namespace {

// A host listed by its address alone is kept under that address.
QString ProofKey(const LoginFacts &facts)
{
    return facts.name.isEmpty() ? facts.address : facts.name;
}

} // namespace

CLoginPolicy::CLoginPolicy(CLoginBook &book, LoginScope scope) : m_book(book), m_scope(std::move(scope))
{
    for (QString &workgroup : m_scope.namedWorkgroups)
        workgroup = workgroup.toUpper();
}

bool CLoginPolicy::MayGoUnproven(const Login &login, const LoginFacts &facts) const
{
    if (!login.remembered || facts.confirmed)
        return true;
    if (login.IsProvenAt(ProofKey(facts), facts.address))
        return true;
    return facts.namedByHostList && m_scope.hostListConfirmed;
}

LoginDecision CLoginPolicy::Decide(const LoginFacts &facts, bool browseListsPending) const
{
    LoginDecision decision;
    if (facts.addressIsHint) {
        decision.reason = LoginReason::HintAddress;
        return decision;
    }
    const bool conflict = facts.answersConflict && !facts.confirmed;
    if (auto own = m_book.OwnFor(facts.name, facts.address)) {
        if (conflict)
            decision.reason = LoginReason::ConflictingAnswers;
        else if (!MayGoUnproven(*own, facts))
            decision.reason = LoginReason::NotProvenHere;
        else {
            decision.login = std::move(own);
            decision.reason = LoginReason::Own;
        }
        return decision;
    }
    return DecideForEveryHost(facts, browseListsPending);
}

bool CLoginPolicy::AwaitsBrowseLists(const LoginFacts &facts, bool browseListsPending) const
{
    return !facts.addressIsHint && DecideForEveryHost(facts, browseListsPending).reason == LoginReason::Undecided;
}

LoginDecision CLoginPolicy::DecideForEveryHost(const LoginFacts &facts, bool browseListsPending) const
{
    LoginDecision decision;
    const bool conflict = facts.answersConflict && !facts.confirmed;
    std::optional<Login> every = m_book.Default();
    if (!every) {
        decision.reason = LoginReason::NoLogin;
        return decision;
    }
    const bool byWorkgroup = std::any_of(facts.listedBy.begin(), facts.listedBy.end(), [&](const QString &workgroup) {
        return m_scope.namedWorkgroups.contains(workgroup.toUpper()) && every->TrustsWorkgroup(workgroup);
    });
    const bool asked = !facts.announcedOnly && (facts.confirmed || facts.namedByHostList || byWorkgroup);
    if (!asked) {
        // Only a browse list of a workgroup this login is allowed for can
        // still ask for the host.
        const bool mayStillBeListed =
            !facts.announcedOnly && browseListsPending
            && std::any_of(m_scope.namedWorkgroups.begin(), m_scope.namedWorkgroups.end(),
                           [&](const QString &workgroup) { return every->TrustsWorkgroup(workgroup); });
        decision.reason = mayStillBeListed ? LoginReason::Undecided : LoginReason::NotAskedFor;
    } else if (conflict) {
        decision.reason = LoginReason::ConflictingAnswers;
    } else if (!byWorkgroup && !MayGoUnproven(*every, facts)) {
        // A browse list the user allowed this login for is the user's word
        // kept with the login; a document's host list is not.
        decision.reason = LoginReason::NotProvenHere;
    } else {
        decision.login = std::move(every);
        decision.reason = LoginReason::ForEveryHost;
    }
    return decision;
}

bool CLoginPolicy::Succeeded(const LoginFacts &facts, const LoginDecision &decision) const
{
    if (!decision.login || facts.address.isEmpty())
        return false;
    return m_book.Prove(decision.reason == LoginReason::Own, ProofKey(facts), facts.address)
           && decision.login->remembered;
}

std::optional<Login> CLoginPolicy::ToOffer(const CLoginBook &book, const QString &name, const QString &address)
{
    return book.For(name, address);
}

QString CLoginPolicy::Explain(LoginReason reason)
{
    switch (reason) {
    case LoginReason::NotAskedFor:
        return QStringLiteral("it was not asked for by name, range or an allowed workgroup");
    case LoginReason::Undecided:
        return QStringLiteral("the browse lists are still coming");
    case LoginReason::HintAddress:
        return QStringLiteral("only an announcement told its address");
    case LoginReason::ConflictingAnswers:
        return QStringLiteral("more than one address answered for its name");
    case LoginReason::NotProvenHere:
        return QStringLiteral("the remembered login has not worked at this address before");
    default:
        return {};
    }
}
