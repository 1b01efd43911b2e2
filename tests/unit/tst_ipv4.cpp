// Address and range entries of the scan rules.
#include "scan/ipv4.h"

#include <gtest/gtest.h>

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

TEST(ParseIPv4, RejectsWhatIsNotAnAddress)
{
    EXPECT_EQ(ParseIPv4(u"10.0.0.256"), 0u);
    EXPECT_EQ(ParseIPv4(u"255.255.255.255"), 0u);
    EXPECT_EQ(ParseIPv4(u"0.0.0.0"), 0u);
    EXPECT_EQ(ParseIPv4(u"1.2.3"), 0u);
    EXPECT_EQ(ParseIPv4(u"1.2.3.4.5"), 0u);
    EXPECT_EQ(ParseIPv4(u"10..0.1.2"), 0u);
    EXPECT_EQ(ParseIPv4(u"10.0.0.0001"), 0u);  // a part longer than three
    EXPECT_EQ(ParseIPv4(u"10.0.-1.1"), 0u);
    EXPECT_EQ(ParseIPv4(u"1.2.3.4 "), Ip(1, 2, 3, 4));
    EXPECT_EQ(ParseIPv4(u"100.100.100.1000"), 0u); // a part of four digits
    EXPECT_EQ(ParseIPv4(u""), 0u);
    EXPECT_EQ(ParseIPv4(u"SERVER"), 0u);
}

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
    EXPECT_FALSE(ParseIPRange(u"10.0.0.1-20", first, last));               // no short form
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

TEST(FormatIPv4, WritesFourUnsignedBytes)
{
    EXPECT_EQ(FormatIPv4(167772161u), u"10.0.0.1");
    EXPECT_EQ(FormatIPv4(Ip(255, 254, 128, 0)), u"255.254.128.0");
    EXPECT_EQ(FormatIPv4(ParseIPv4(u"192.168.001.010")), u"192.168.1.10");
}

} // namespace
