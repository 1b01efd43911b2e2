// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <stop_token>

// The system's resolver (hosts file, DNS) for IPv4. The look-up itself
// cannot be interrupted (it may wait many seconds for a DNS server that does
// not answer), so when `stop` can be asked to stop it runs on a thread of its
// own: a stop makes this call return nothing at once, and the look-up's late
// answer is dropped without touching anything of the caller's.
std::optional<std::uint32_t> SystemResolveIPv4(const QString &name, std::stop_token stop = {});

// The blocking look-up of one name in the local 8-bit encoding, per platform.
std::optional<std::uint32_t> BlockingResolveIPv4(const QByteArray &name);

// The same for a name's IPv6 address (AAAA records, the hosts file), for a
// name that has no IPv4 one: the address in CanonicalIPv6's form, a
// link-local one with its interface as zone.
std::optional<QString> SystemResolveIPv6(const QString &name, std::stop_token stop = {});
std::optional<QString> BlockingResolveIPv6(const QByteArray &name);

// An IPv6 address as the scan keeps and compares it: the system's canonical
// text (lower case, the longest run of zero groups as "::"), followed by
// "%zone" as given for a scoped (link-local) address. Square brackets around
// the whole are taken off. Nothing for any other text.
std::optional<QString> CanonicalIPv6(QStringView text);

// Tests put a stand-in for the blocking look-up here; nullptr restores the
// system's.
using ResolveFunction = std::optional<std::uint32_t> (*)(const QByteArray &name);
void SetResolveFunctionForTests(ResolveFunction function);
// Look-up threads still running, those whose caller gave up included.
int RunningLookups();

// Dotted text of an IPv4 address held as a number, most significant first.
// The one writer of addresses, for the scan rules' ranges too.
QString DottedIPv4(std::uint32_t address);
// The number of a dotted IPv4 address; nothing for anything else. Stricter
// than the scan rules' ParseIPv4 (scan/ipv4.h), which forgives white space
// a person types into a list: this one decides whether a name a host or
// the network gave is an address at all, and " 10.0.0.1" is not one but a
// name to look up. It also takes 0.0.0.0 and 255.255.255.255, which the
// rules refuse as targets.
std::optional<std::uint32_t> NumericIPv4(const QString &text);
