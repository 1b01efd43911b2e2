// SPDX-License-Identifier: GPL-3.0-or-later
// Address and range entries of the scan rules.
#include "scan/ipv4.h"

#include "net/resolver.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

constexpr quint32 Ip(quint32 a, quint32 b, quint32 c, quint32 d)
{
    return a << 24 | b << 16 | c << 8 | d;
}

TEST(ParseIPv4, ReadsDottedAddressesMostSignificantFirst)
{
    EXPECT_EQ(ParseIPv4(u"192.168.1.10"), 3232235786u);
    EXPECT_EQ(ParseIPv4(u"192.168.001.010"), 3232235786u);
    EXPECT_EQ(ParseIPv4(u"  10.0.0.1\t"), Ip(10, 0, 0, 1));
    EXPECT_EQ(ParseIPv4(u"10. 0 .0.1"), Ip(10, 0, 0, 1));
    EXPECT_EQ(ParseIPv4(u"255.255.255.254"), Ip(255, 255, 255, 254));
}

TEST(ParseIPv4, AcceptsTheShortestAddresses)
{
    EXPECT_EQ(ParseIPv4(u"1.2.3.4"), Ip(1, 2, 3, 4));
    EXPECT_EQ(ParseIPv4(u"0.0.0.1"), 1u);
}

// The scan rules' parser against the resolver's: 0 / nothing where the text
// is no address to them.
struct AddressText
{
    const char16_t *text;
    quint32 rules;
    std::optional<std::uint32_t> resolver;
};

class BothParsers : public testing::TestWithParam<AddressText>
{};

TEST_P(BothParsers, ReadTheTextAsTheirCallersNeed)
{
    const AddressText &c = GetParam();
    EXPECT_EQ(ParseIPv4(c.text), c.rules) << QString::fromUtf16(c.text).toStdString();
    EXPECT_EQ(NumericIPv4(QString::fromUtf16(c.text)), c.resolver) << QString::fromUtf16(c.text).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    IPv4, BothParsers,
    testing::Values(AddressText{u"10.0.0.256", 0, std::nullopt}, AddressText{u"1.2.3", 0, std::nullopt},
                    AddressText{u"1.2.3.4.5", 0, std::nullopt}, AddressText{u"10..0.1.2", 0, std::nullopt},
                    AddressText{u"10.0.0.0001", 0, std::nullopt}, // a part longer than three
                    AddressText{u"10.0.-1.1", 0, std::nullopt},
                    AddressText{u"100.100.100.1000", 0, std::nullopt}, // a part of four digits
                    AddressText{u"", 0, std::nullopt}, AddressText{u"SERVER", 0, std::nullopt},
                    // Not targets for the rules, yet addresses to the resolver.
                    AddressText{u"255.255.255.255", 0, 0xFFFFFFFFu}, AddressText{u"0.0.0.0", 0, 0u},
                    // White space a person typed is forgiven only in the rules:
                    // for the resolver such a text is a name to look up.
                    AddressText{u"1.2.3.4 ", Ip(1, 2, 3, 4), std::nullopt},
                    AddressText{u"10. 0 .0.1", Ip(10, 0, 0, 1), std::nullopt},
                    AddressText{u"192.168.001.010", Ip(192, 168, 1, 10), Ip(192, 168, 1, 10)}),
    [](const testing::TestParamInfo<AddressText> &info) { return "case" + std::to_string(info.index); });

TEST(ParseIPv4, TakesSevenToSixteenCharacters)
{
    // White space inside the dots makes a real address longer than 15.
    EXPECT_EQ(ParseIPv4(u"192.168.100. 100"), Ip(192, 168, 100, 100)); // 16
    EXPECT_EQ(ParseIPv4(u"192.168.100.  100"), 0u); // 17
    EXPECT_EQ(ParseIPv4(u"  192.168.100. 100  "), Ip(192, 168, 100, 100));
    EXPECT_EQ(ParseIPv4(u"1.2.3.4"), Ip(1, 2, 3, 4)); // 7
    EXPECT_EQ(ParseIPv4(u"1.2.3."), 0u); // 6
}

TEST(ParseIPv4, ReadsPartsTheWayAtolDoes)
{
    // Digits up to the first other character; a part without digits is 0.
    EXPECT_EQ(ParseIPv4(u"10.0.0.1x"), Ip(10, 0, 0, 1));
    EXPECT_EQ(ParseIPv4(u"10.+1.0.1"), Ip(10, 1, 0, 1));
    EXPECT_EQ(ParseIPv4(u"10.a.0.1"), Ip(10, 0, 0, 1));
}

TEST(ParseIPRange, SingleAddressOrTwoJoinedByADash)
{
    quint32 first = 0, last = 0;
    ASSERT_TRUE(ParseIPRange(u"10.0.0.7", first, last));
    EXPECT_EQ(first, Ip(10, 0, 0, 7));
    EXPECT_EQ(last, Ip(10, 0, 0, 7));

    ASSERT_TRUE(ParseIPRange(u"10.0.0.1 - 10.0.0.3", first, last));
    EXPECT_EQ(first, Ip(10, 0, 0, 1));
    EXPECT_EQ(last, Ip(10, 0, 0, 3));
    EXPECT_EQ(last - first + 1, 3u);

    // Taken as written; the driver makes nothing of a reversed range.
    ASSERT_TRUE(ParseIPRange(u"10.0.0.9-10.0.0.2", first, last));
    EXPECT_GT(first, last);
}

TEST(ParseIPRange, RejectsBrokenRanges)
{
    quint32 first = 0, last = 0;
    EXPECT_FALSE(ParseIPRange(u"10.0.0.1-10.0.0.5-10.0.0.9", first, last)); // right part too long
    EXPECT_FALSE(ParseIPRange(u"10.0.0.1-256", first, last)); // no such last part
    EXPECT_FALSE(ParseIPRange(u"10.0.0.0/33", first, last));
    EXPECT_FALSE(ParseIPRange(u"-10.0.0.1", first, last));
    EXPECT_FALSE(ParseIPRange(u"file-server", first, last));
    EXPECT_FALSE(ParseIPRange(u"0.0.0.0-10.0.0.1", first, last));
}

TEST(IsIPOrRange, SeparatesAddressesFromHostNames)
{
    EXPECT_TRUE(IsIPOrRange(u"192.168.0.2"));
    EXPECT_TRUE(IsIPOrRange(u"1.2.3.4"));
    EXPECT_TRUE(IsIPOrRange(u"10.0.0.1 - 10.0.0.3"));
    EXPECT_FALSE(IsIPOrRange(u"10.0.0.1-10.0.0.5-10.0.0.9"));
    EXPECT_FALSE(IsIPOrRange(u"SERVER-2"));
    EXPECT_FALSE(IsIPOrRange(u""));
}

// What a scan makes of a host-list entry, and the addresses of a range.
struct EntryCase
{
    const char16_t *entry;
    HostEntryKind kind;
    quint32 first = 0;
    quint32 last = 0;
};

class HostEntries : public testing::TestWithParam<EntryCase>
{};

TEST_P(HostEntries, AreBlankNamesRangesOrRefused)
{
    const EntryCase &c = GetParam();
    const std::string entry = QString::fromUtf16(c.entry).toStdString();
    EXPECT_EQ(ClassifyHostEntry(c.entry), c.kind) << entry;
    quint32 first = 0;
    quint32 last = 0;
    EXPECT_EQ(ParseIPRange(c.entry, first, last), c.kind == HostEntryKind::Range) << entry;
    if (c.kind == HostEntryKind::Range) {
        EXPECT_EQ(DottedIPv4(first), DottedIPv4(c.first)) << entry;
        EXPECT_EQ(DottedIPv4(last), DottedIPv4(c.last)) << entry;
    }
}

using K = HostEntryKind;
INSTANTIATE_TEST_SUITE_P(
    Entries, HostEntries,
    testing::Values(
        // Networks: the hosts between the network's own and its broadcast address.
        EntryCase{u"10.0.0.0/24", K::Range, Ip(10, 0, 0, 1), Ip(10, 0, 0, 254)},
        EntryCase{u"10.0.0.77/24", K::Range, Ip(10, 0, 0, 1), Ip(10, 0, 0, 254)},
        EntryCase{u" 192.168.4.0 / 22 ", K::Range, Ip(192, 168, 4, 1), Ip(192, 168, 7, 254)},
        EntryCase{u"10.0.0.0/8", K::Range, Ip(10, 0, 0, 1), Ip(10, 255, 255, 254)}, // once read as 10.0.0.0
        EntryCase{u"10.0.0.4/31", K::Range, Ip(10, 0, 0, 4), Ip(10, 0, 0, 5)},
        EntryCase{u"10.0.0.9/32", K::Range, Ip(10, 0, 0, 9), Ip(10, 0, 0, 9)},
        // Short ranges: the last part of the second address alone.
        EntryCase{u"10.0.0.1-20", K::Range, Ip(10, 0, 0, 1), Ip(10, 0, 0, 20)},
        EntryCase{u"1.2.3.4-9", K::Range, Ip(1, 2, 3, 4), Ip(1, 2, 3, 9)}, // once read as 1.2.3.4
        EntryCase{u"10.0.0.1 - 255", K::Range, Ip(10, 0, 0, 1), Ip(10, 0, 0, 255)},
        EntryCase{u"10.0.0.20-1", K::Range, Ip(10, 0, 0, 20), Ip(10, 0, 0, 1)}, // reversed: no hosts
        EntryCase{u"10.0.0.1 - 10.0.0.3", K::Range, Ip(10, 0, 0, 1), Ip(10, 0, 0, 3)},
        EntryCase{u"10.0.0.1x", K::Range, Ip(10, 0, 0, 1), Ip(10, 0, 0, 1)}, // parts read as atol does
        // Written like an address, yet none: refused, never looked up.
        EntryCase{u"10.0.0.300", K::Refused}, EntryCase{u"10.0.0.0/33", K::Refused},
        EntryCase{u"10.0.0.0/", K::Refused}, EntryCase{u"10.0.0.1-300", K::Refused},
        EntryCase{u"10.0.0.1-10.0.0.5-10.0.0.9", K::Refused}, EntryCase{u"1.2.3", K::Refused},
        EntryCase{u"0.0.0.0/0", K::Refused}, EntryCase{u"10.0.300", K::Refused}, EntryCase{u"-10.0.0.1", K::Refused},
        // IPv6 addresses, one host each; a colon is never part of a name.
        EntryCase{u"fd10:107::6", K::IPv6}, EntryCase{u" [fd10:107::6] ", K::IPv6}, EntryCase{u"fe80::1%eth0", K::IPv6},
        EntryCase{u"fd10::g", K::Refused}, EntryCase{u"10.0.0.1:445", K::Refused}, EntryCase{u"fe80::1%", K::Refused},
        // Blank lines are no hosts.
        EntryCase{u"", K::Blank}, EntryCase{u" \t ", K::Blank},
        // Names, a NetBIOS name of digits included.
        EntryCase{u"fileserver", K::Name}, EntryCase{u"SERVER-2", K::Name}, EntryCase{u"nas.local", K::Name},
        EntryCase{u"1234", K::Name}, EntryCase{u"10.0.0.1a.example", K::Name}),
    [](const testing::TestParamInfo<EntryCase> &info) { return "case" + std::to_string(info.index); });

// IPv6 text as the scan keeps and compares it.
struct SixCase
{
    const char16_t *text;
    const char16_t *canonical; // nullptr: no IPv6 address
};

class CanonicalIPv6Of : public testing::TestWithParam<SixCase>
{};

TEST_P(CanonicalIPv6Of, OneFormPerAddress)
{
    const SixCase &c = GetParam();
    const std::optional<QString> canonical = CanonicalIPv6(c.text);
    if (!c.canonical) {
        EXPECT_FALSE(canonical) << canonical->toStdString();
        return;
    }
    ASSERT_TRUE(canonical) << QString::fromUtf16(c.text).toStdString();
    EXPECT_EQ(*canonical, QString::fromUtf16(c.canonical));
    EXPECT_EQ(HostEntryIPv6(c.text), *canonical);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, CanonicalIPv6Of,
    testing::Values(SixCase{u"fd10:107::6", u"fd10:107::6"},
                    SixCase{u"FD10:0107:0000:0000:0000:0000:0000:0006", u"fd10:107::6"},
                    SixCase{u"[fd10:107:0::6]", u"fd10:107::6"}, SixCase{u"fe80::0:1%eth0", u"fe80::1%eth0"},
                    SixCase{u"[fe80::1%3]", u"fe80::1%3"}, SixCase{u"::ffff:10.0.0.1", u"::ffff:10.0.0.1"},
                    SixCase{u"fd10:0:0:1:0:0:0:6", u"fd10:0:0:1::6"}, SixCase{u"10.0.0.1", nullptr},
                    SixCase{u"fd10::6::7", nullptr}, SixCase{u"fe80::1%eth 0", nullptr}, SixCase{u"fe80::1%", nullptr},
                    SixCase{u"[fd10::6", nullptr}, SixCase{u"nas", nullptr}),
    [](const testing::TestParamInfo<SixCase> &info) { return "case" + std::to_string(info.index); });

TEST(RefusedHostEntries, NameEachInListOrder)
{
    const QStringList hosts = {QStringLiteral("nas"), QStringLiteral("10.0.0.300"), QString(),
                               QStringLiteral("10.0.0.0/24"), QStringLiteral("10.0.0.0/33")};
    EXPECT_EQ(RefusedHostEntries(hosts), (QStringList{QStringLiteral("10.0.0.300"), QStringLiteral("10.0.0.0/33")}));
    EXPECT_EQ(FormatRefusedEntry(RefusedEntryFormat(), QStringLiteral("10.0.0.300")),
              QStringLiteral("\"10.0.0.300\" is neither an address nor an address range. Write an address as 10.0.0.1, "
                             "a range as 10.0.0.1-10.0.0.20, 10.0.0.1-20 or 10.0.0.0/24."));
}

TEST(DottedIPv4, WritesFourUnsignedBytes)
{
    EXPECT_EQ(DottedIPv4(167772161u), u"10.0.0.1");
    EXPECT_EQ(DottedIPv4(Ip(255, 254, 128, 0)), u"255.254.128.0");
    EXPECT_EQ(DottedIPv4(ParseIPv4(u"192.168.001.010")), u"192.168.1.10");
}

// What a scan leaves out of an entry: it takes the first 65,536 addresses
// of a range.
struct RangeCut
{
    const char16_t *entry;
    quint64 leftOut;
};

class AddressesLeftOutOf : public testing::TestWithParam<RangeCut>
{};

TEST_P(AddressesLeftOutOf, EntriesWiderThanTheCap)
{
    const RangeCut &c = GetParam();
    EXPECT_EQ(AddressesLeftOut(c.entry), c.leftOut) << QString::fromUtf16(c.entry).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Ranges, AddressesLeftOutOf,
                         testing::Values(RangeCut{u"10.1.0.0-10.1.255.255", 0}, // a /16 fits exactly
                                         RangeCut{u"10.0.0.0-10.1.255.255", 65536}, // a /15: half of it
                                         RangeCut{u"10.1.0.0-10.2.0.0", 1}, // one past the cap
                                         RangeCut{u"10.0.0.1-10.255.255.254", 16711678}, // 16,777,214 addresses
                                         RangeCut{u"0.0.0.1 - 255.255.255.254", 4294901758u},
                                         RangeCut{u"10.255.255.254-10.0.0.1", 0}, // first above last: no hosts at all
                                         RangeCut{u"10.0.0.0/16", 0}, // 65,534 hosts
                                         RangeCut{u"10.0.0.0/15", 65534}, RangeCut{u"10.0.0.0/8", 16711678},
                                         RangeCut{u"10.0.0.1-20", 0}, RangeCut{u"10.0.0.0/33", 0},
                                         RangeCut{u"10.0.0.1", 0}, RangeCut{u"fileserver", 0},
                                         RangeCut{u"10.0.0.1-10.0.0.5-10.0.0.9", 0})); // a host name to the rules

TEST(CutRanges, NameEachCutEntryInListOrderWithItsNote)
{
    const QList<CutRange> cuts =
        CutRanges({QStringLiteral("nas"), QStringLiteral("10.0.0.1-10.255.255.254"),
                   QStringLiteral("192.168.0.1-192.168.0.9"), QStringLiteral("172.16.0.0 - 172.17.255.255")});
    ASSERT_EQ(cuts.size(), 2);
    EXPECT_EQ(cuts[0].entry, QStringLiteral("10.0.0.1-10.255.255.254"));
    EXPECT_EQ(cuts[0].leftOut, 16711678u);
    EXPECT_EQ(cuts[1].entry, QStringLiteral("172.16.0.0 - 172.17.255.255"));
    EXPECT_EQ(cuts[1].leftOut, 65536u);
    EXPECT_EQ(FormatRangeCut(RangeCutFormat(), cuts[0]),
              QStringLiteral("Only the first 65536 addresses of \"10.0.0.1-10.255.255.254\" are scanned; "
                             "16711678 addresses are left out."));
}

} // namespace
