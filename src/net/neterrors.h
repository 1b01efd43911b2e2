// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// Result codes kept in host records and documents, and sent by the listing
// helper. They follow the Windows numbering so that documents stay comparable
// across platforms. Plain constants without Qt: the helper includes them too.
namespace NetError {
inline constexpr std::uint32_t Success = 0;
inline constexpr std::uint32_t AccessDenied = 5;
inline constexpr std::uint32_t BadNetPath = 53;      // host not reachable, excluded or a duplicate
inline constexpr std::uint32_t UnexpectedNetError = 59; // a listing helper crashed or spoke garbage
inline constexpr std::uint32_t InvalidParameter = 87; // a request the helper cannot read
inline constexpr std::uint32_t SemTimeout = 121;     // a listing did not finish within its deadline
inline constexpr std::uint32_t MoreData = 234;
// The server speaks only SMB1, which listings leave out unless the user
// allows it: the host answered, it is not offline.
inline constexpr std::uint32_t Smb1NotAvailable = 384;
inline constexpr std::uint32_t NotEnoughServers = 1003; // the Samba client's "could not connect"
inline constexpr std::uint32_t Cancelled = 1223;
inline constexpr std::uint32_t LogonFailure = 1326; // unknown user name or bad password
} // namespace NetError

// Share types of a level-1 share listing.
namespace ShareType {
inline constexpr std::uint32_t DiskTree = 0x00000000;
inline constexpr std::uint32_t PrintQueue = 0x00000001;
inline constexpr std::uint32_t Ipc = 0x00000003;
inline constexpr std::uint32_t SpecialDisk = 0x80000000; // C$, ADMIN$
inline constexpr std::uint32_t SpecialIpc = 0x80000003;
} // namespace ShareType
