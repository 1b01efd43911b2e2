// SPDX-License-Identifier: GPL-3.0-or-later
#include "smbnegotiate.h"

#include <cstdint>

namespace SmbNegotiate {

namespace {

constexpr std::size_t FrameHeader = 4;
constexpr std::size_t Smb1Header = 32;
constexpr unsigned char NegotiateCommand = 0x72;
// The dialects offered, in order: the reply names the chosen one by index.
constexpr std::string_view Dialects[] = {"NT LM 0.12", "SMB 2.002", "SMB 2.???"};
constexpr std::uint16_t Smb1Index = 0;

void Put16(std::string &out, std::uint16_t value)
{
    out += char(value & 0xFF);
    out += char(value >> 8);
}

std::uint32_t Byte(std::string_view data, std::size_t at)
{
    return std::uint8_t(data[at]);
}

} // namespace

std::string Request()
{
    std::string dialects;
    for (std::string_view dialect : Dialects) {
        dialects += '\x02'; // a dialect string follows
        dialects += dialect;
        dialects += '\0';
    }
    std::string smb("\xFFSMB", 4);
    smb += char(NegotiateCommand);
    smb.append(4, '\0'); // status
    smb += '\x18'; // case-insensitive, canonical path names
    // Long names, extended security, NT status codes, Unicode.
    Put16(smb, 0xC801);
    smb.append(2 + 8 + 2, '\0'); // PID high, signature, reserved
    Put16(smb, 0xFFFF); // no tree yet
    Put16(smb, 0xFEFF); // PID
    Put16(smb, 0); // UID
    Put16(smb, 0); // MID
    smb += '\0'; // no parameter words
    Put16(smb, std::uint16_t(dialects.size()));
    smb += dialects;

    std::string frame(1, '\0'); // session message
    frame += char((smb.size() >> 16) & 0xFF);
    frame += char((smb.size() >> 8) & 0xFF);
    frame += char(smb.size() & 0xFF);
    return frame + smb;
}

std::optional<std::size_t> ReplyLength(std::string_view head)
{
    if (head.size() < FrameHeader || head[0] != '\0')
        return std::nullopt;
    return FrameHeader + ((Byte(head, 1) << 16) | (Byte(head, 2) << 8) | Byte(head, 3));
}

Dialect ReadReply(std::string_view reply)
{
    const std::optional<std::size_t> length = ReplyLength(reply);
    if (!length || reply.size() < *length)
        return Dialect::Unknown;
    const std::string_view smb = reply.substr(FrameHeader, *length - FrameHeader);
    if (smb.starts_with("\xFESMB"))
        return Dialect::Smb2; // whatever it says, it says it in SMB2
    if (!smb.starts_with("\xFFSMB") || smb.size() < Smb1Header + 3 || Byte(smb, 4) != NegotiateCommand)
        return Dialect::Unknown;
    for (std::size_t at = 5; at < 9; ++at) {
        if (smb[at] != '\0')
            return Dialect::Unknown; // a refusal
    }
    // The chosen dialect is the first parameter word.
    const std::uint32_t words = Byte(smb, Smb1Header);
    if (words < 1)
        return Dialect::Unknown;
    const std::uint32_t chosen = Byte(smb, Smb1Header + 1) | (Byte(smb, Smb1Header + 2) << 8);
    return chosen == Smb1Index ? Dialect::Smb1Only : Dialect::Unknown;
}

} // namespace SmbNegotiate
