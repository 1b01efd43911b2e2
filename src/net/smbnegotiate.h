// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The first exchange of an SMB connection, asked only to learn which
// protocol a server speaks. The listing library, told to use SMB2 and
// later, gives up on a server that speaks only SMB1 with the same "could
// not connect" as for a machine that is not there; this one request tells
// the two apart without logging in and without listing anything.
//
// Plain C++ without Qt: the listing helper, which has no Qt, sends it.
namespace SmbNegotiate {

enum class Dialect {
    Unknown, // no answer, or one that is not a negotiation
    Smb1Only, // chose NT LM 0.12 although SMB2 was offered
    Smb2, // answered in SMB2
};

// An SMB1 NEGOTIATE offering "NT LM 0.12", "SMB 2.002" and "SMB 2.???", as
// clients that speak both send it, framed for direct TCP (port 445).
std::string Request();

// The length of the whole reply (its 4-byte frame header included) once
// `head` holds at least that header; nothing before then, or when the
// header is not a session message.
std::optional<std::size_t> ReplyLength(std::string_view head);

// What a whole reply says about the server.
Dialect ReadReply(std::string_view reply);

} // namespace SmbNegotiate
