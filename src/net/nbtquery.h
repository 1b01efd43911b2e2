// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

#include <cstdint>
#include <optional>
#include <stop_token>
#include <vector>

struct NbtQueryOptions
{
    // Asked one by one when set; otherwise the query is broadcast on every
    // local IPv4 subnet.
    QStringList winsServers;
    int timeoutMs = 400;
    std::uint16_t port = 137;
};

// Asks the host at `address` alone for its table of names and returns the
// workgroup or domain it tells (NbtName::WorkgroupOf); empty when it does
// not answer within the timeout or tells none.
QString NbtHostWorkgroup(std::uint32_t address, const NbtQueryOptions &options, std::stop_token stop = {});

// Resolves a NetBIOS host name (file server, suffix 0x20) with a name query.
std::optional<std::uint32_t> NbtResolve(const QString &name, const NbtQueryOptions &options,
                                        std::stop_token stop = {});
// As NbtResolve, listening for the whole window: every distinct address
// that answered, first answer first. Anyone on the link can answer a
// broadcast query; two answers for one name mean one of them lies.
std::vector<std::uint32_t> NbtResolveAll(const QString &name, const NbtQueryOptions &options,
                                         std::stop_token stop = {});
