// SPDX-License-Identifier: GPL-3.0-or-later
// The negotiation that tells a server speaking only SMB1 from one that is
// not there: the request as servers read it, and their replies (taken from
// real Samba servers, and cut or changed where a server might misbehave).
#include "net/smbnegotiate.h"

#include <gtest/gtest.h>

#include <QByteArray>

#include <string>

namespace {

using SmbNegotiate::Dialect;

std::string FromHex(const char *hex)
{
    return QByteArray::fromHex(hex).toStdString();
}

// Samba with "server max protocol = NT1": NT LM 0.12 chosen (index 0).
const std::string Nt1Reply = FromHex(
    "0000009fff534d4272000000008801c8000000000000000000000000fffffffe0000000011000003320001000441000000000100c375"
    "0000fdf3808097f7c183f386dd010000005a006f6c646e617300000000000000000000604806062b0601050502a03e303ca00e300c06"
    "0a2b06010401823702020aa32a3028a0261b246e6f745f646566696e65645f696e5f5246433431373840706c656173655f69676e6f7265");
// Samba with its default protocols: an SMB2 NEGOTIATE reply (dialect 2.FF).
const std::string Smb2Reply = FromHex(
    "000000cafe534d4240000000000000000000010001000000000000000000000000000000000000000000000000000000000000000000"
    "000000000000000000000000000041000100ff0200006e65776e61730000000000000000000007000000000080000000800000008000"
    "d24b763bf786dd01000000000000000080004a0000000000604806062b0601050502a03e303ca00e300c060a2b06010401823702020a"
    "a32a3028a0261b246e6f745f646566696e65645f696e5f5246433431373840706c656173655f69676e6f7265");

std::string WithByte(std::string reply, std::size_t at, char value)
{
    reply.replace(at, 1, 1, value);
    return reply;
}

struct ReplyCase
{
    const char *name;
    std::string reply;
    Dialect dialect;
};

class ReplyTest : public testing::TestWithParam<ReplyCase>
{};

TEST_P(ReplyTest, TellsWhatTheServerSpeaks)
{
    EXPECT_EQ(SmbNegotiate::ReadReply(GetParam().reply), GetParam().dialect);
}

// Offsets into Nt1Reply, after its 4 frame bytes: the command at 8, the
// status at 9..12, the word count at 36, the chosen dialect's index at 37.
INSTANTIATE_TEST_SUITE_P(
    Replies, ReplyTest,
    testing::Values(ReplyCase{"Nt1OnlySamba", Nt1Reply, Dialect::Smb1Only},
                    ReplyCase{"Smb2Samba", Smb2Reply, Dialect::Smb2},
                    // Only the SMB2 header's start counts: an SMB2 error is SMB2 too.
                    ReplyCase{"Smb2HeaderAlone", FromHex("00000004fe534d42"), Dialect::Smb2},
                    ReplyCase{"NoDialectInCommon", WithByte(WithByte(Nt1Reply, 37, '\xFF'), 38, '\xFF'),
                              Dialect::Unknown},
                    ReplyCase{"ChoseAnSmb2DialectInSmb1", WithByte(Nt1Reply, 37, '\x01'), Dialect::Unknown},
                    ReplyCase{"Refused", WithByte(Nt1Reply, 9, '\x22'), Dialect::Unknown},
                    ReplyCase{"AnotherCommand", WithByte(Nt1Reply, 8, '\x73'), Dialect::Unknown},
                    ReplyCase{"NoParameterWords", WithByte(Nt1Reply, 36, '\0'), Dialect::Unknown},
                    ReplyCase{"CutShort", Nt1Reply.substr(0, 40), Dialect::Unknown},
                    ReplyCase{"FrameTooShortForAHeader", FromHex("00000008ff534d4272000000"), Dialect::Unknown},
                    // A NetBIOS session refusal, as on port 139 without a session request.
                    ReplyCase{"SessionRefusal", FromHex("8300000180"), Dialect::Unknown},
                    ReplyCase{"Nothing", std::string(), Dialect::Unknown}),
    [](const testing::TestParamInfo<ReplyCase> &info) { return std::string(info.param.name); });

TEST(SmbNegotiateRequest, OffersNtLmAndSmb2InOneSessionMessage)
{
    const std::string request = SmbNegotiate::Request();
    const auto length = SmbNegotiate::ReplyLength(request);
    ASSERT_TRUE(length);
    EXPECT_EQ(*length, request.size());
    EXPECT_EQ(request.substr(4, 5), std::string("\xFFSMB\x72", 5));
    // The dialects, each "\x02" and a terminated string, in the order whose
    // index the reply gives.
    EXPECT_TRUE(request.ends_with(std::string("\x02NT LM 0.12\0\x02SMB 2.002\0\x02SMB 2.???\0", 34)));
    const std::size_t byteCount = std::uint8_t(request[37]) | (std::uint8_t(request[38]) << 8);
    EXPECT_EQ(request.size(), 39 + byteCount);
}

TEST(SmbNegotiateRequest, ReplyLengthNeedsTheWholeFrameHeader)
{
    EXPECT_FALSE(SmbNegotiate::ReplyLength(std::string("\0\0", 2)));
    EXPECT_FALSE(SmbNegotiate::ReplyLength(FromHex("85000000"))); // keep-alive, not a message
    EXPECT_EQ(SmbNegotiate::ReplyLength(Nt1Reply.substr(0, 4)), Nt1Reply.size());
}

} // namespace
