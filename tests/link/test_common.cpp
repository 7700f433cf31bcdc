// The link layer's small parts: conversions between byte strings,
// hexadecimal text and ASCII hex bytes; the EEPROM image's range checks; the
// tick counter across the 32-bit wrap points of the system tick count. (The
// write list of the radio identity is proven by the restore's read-back.)
#include <gtest/gtest.h>

#include <numeric>

#include "link/Common.h"
#include "link/clsCmcEeprom.h"
#include "link/clsCmcTick.h"
#include "tests/support/ManualTickClock.h"

TEST(HexConversions, HexTextBytesAndAsciiHexDigits)
{
    struct Case { const char* text; ByteStr expect; };
    const Case cases[] = {
        {"", {}}, {"F", {}} /* a last single digit is ignored */, {"ABC", {0xAB}}, {"FE FE", {0xFE, 0xFE}},
        {"FEFE", {0xFE, 0xFE}}, {"E0 53 14", {0xE0, 0x53, 0x14}}, {"  e0", {0xE0}} /* lower case digits read too */,
        {"G1", {0x00}} /* reading stops at the first non-digit */, {"1G", {0x01}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HexStrToByteStr(c.text), c.expect) << c.text;

    EXPECT_EQ(ByteStrToHexStr({}), "");
    EXPECT_EQ(ByteStrToHexStr({0x0A, 0xEF, 0xEE}), "0AEFEE");
    ByteStr all(256);
    std::iota(all.begin(), all.end(), 0);
    EXPECT_EQ(HexStrToByteStr(ByteStrToHexStr(all)), all);

    const std::pair<const char*, int> digits[] = {{"1FDF", 8159}, {"FFFF", -1}, {"8000", -32768}, {"10", 16},
                                                  {"ff", 255},    {"", 0},     {"1:", 1}};
    for (const auto& [text, value] : digits)
        EXPECT_EQ(HexByteStrToInt(StrToByteStr(text)), value) << text;
    const std::tuple<int16_t, const char*, const char*> values[] = {   // value, two digits, their ASCII codes
        {5, "05", "3035"}, {0x1F, "1F", "3146"}, {0x123, "23", "3233"}, {-1, "FF", "4646"}, {0, "00", "3030"},
        {0xAB, "AB", "4142"}, {255, "FF", "4646"}};
    for (const auto& [value, hex, ascii] : values) {
        EXPECT_EQ(ByteToHex2(value), hex) << value;
        EXPECT_EQ(ByteToAsciiHexStr(value), ascii) << value;
    }
}

// The last address is valid and the next is not; a block must lie wholly
// inside the image; bits above 7 read 0.
TEST(Eeprom, EveryAccessStaysInsideTheImage)
{
    clsCmcEeprom e;
    EXPECT_EQ(e.eeSize(), 8160);
    EXPECT_EQ(e.WriteByte(8159, 0x5A), 0);
    EXPECT_EQ(e.ReadByte(8159), 0x5A);
    for (int32_t adr : {8160, -1}) {
        EXPECT_EQ(e.WriteByte(adr, 1), 1) << adr;
        EXPECT_EQ(e.ReadByte(adr), 0) << adr;
    }

    const ByteStr ten(10, 0xAA);
    EXPECT_EQ(e.WriteBlock(8150, ten), 0);
    EXPECT_EQ(e.ReadBlock(8150, 10), ten);
    EXPECT_EQ(e.WriteBlock(8151, ByteStr(10, 0x11)), 1);
    EXPECT_EQ(e.ReadBlock(8150, 10), ten) << "a refused block changes nothing";
    EXPECT_EQ(e.FillBlock(8150, 0xFF, 10), 0);
    EXPECT_EQ(e.ReadByte(8159), 0xFF);
    EXPECT_EQ(e.FillBlock(8151, 0x00, 10), 1);
    EXPECT_EQ(e.ReadByte(8159), 0xFF);
    EXPECT_TRUE(e.ReadBlock(0, 0).empty());
    EXPECT_EQ(e.ReadBlock(8158, 5).size(), 2u) << "only bytes inside the image";

    e.WriteByte(3, 0x80);
    e.WriteByte(4, 0xFF);
    EXPECT_EQ(std::vector<int>({e.ReadBit(3, 7), e.ReadBit(3, 6), e.ReadBit(4, 8), e.ReadBit(4, 0)}),
              std::vector<int>({1, 0, 0, 1}));
}

// The counter counts down and stays expired, also when the clock goes back
// or it is set to nothing; it runs on across both wrap points of the tick.
TEST(TickCounter, CountsDownAndStaysExpiredAcrossEitherWrapPoint)
{
    ManualTickClock clk(5000);
    clsCmcTick t(clk);
    EXPECT_EQ(t.counter(), 0) << "never set";
    // Set to 1000 at each start, then (ms on, what is left); the wrap points
    // lie 300 ms after the last two starts.
    for (uint32_t start : {5000u, 0x80000000u - 300, 0x00000000u - 300}) {
        clk.now = start;
        t.setcounter(1000);
        for (const auto& [ms, left] : {std::pair{0, 1000}, {299, 701}, {2, 699}, {698, 1}, {1, 0}, {-500, 0}}) {
            clk.now += static_cast<uint32_t>(ms);
            EXPECT_EQ(t.counter(), left) << std::hex << start << std::dec << " then " << ms << " ms";
        }
    }
    for (int32_t nothing : {0, -5}) {
        t.setcounter(nothing);
        EXPECT_EQ(t.counter(), 0);
    }
}
