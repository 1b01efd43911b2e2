// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "netprovider.h"

// Windows networking: the network provider's enumeration for workgroups and
// hosts, the server service for shares, the resolver for addresses.
class CWindowsNetwork : public INetProvider
{
public:
    CWindowsNetwork();

    QStringList ListWorkgroups(std::stop_token stop = {}) override;
    QStringList ListHosts(const QString &workgroup, std::stop_token stop = {}) override;
    QString LocalWorkgroup() override;
    std::optional<QString> ResolveIPv4(const QString &name, std::stop_token stop = {}) override;
    bool IsReachable(const QString &address, std::stop_token stop = {}) override;
    ShareListing ListSharesWith(const QString &server, const QString &address, int knownAnswerMs,
                                const std::optional<Login> &login, std::stop_token stop = {}) override;

private:
    QString m_providerName;
};
