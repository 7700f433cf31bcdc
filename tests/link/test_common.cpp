// Conversions between byte strings, hexadecimal text and ASCII hex bytes.
#include <gtest/gtest.h>

#include <numeric>

#include "link/Common.h"

TEST(HexConversions, HexTextToBytesAndBack)
{
    struct Case { const char* text; ByteStr expect; };
    const Case cases[] = {
        {"", {}},
        {"F", {}},                    // a last single digit is ignored
        {"ABC", {0xAB}},
        {"FE FE", {0xFE, 0xFE}},
        {"FEFE", {0xFE, 0xFE}},
        {"E0 53 14", {0xE0, 0x53, 0x14}},
        {"  e0", {0xE0}},             // lower case digits read too
        {"G1", {0x00}},               // reading stops at the first non-digit
        {"1G", {0x01}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HexStrToByteStr(c.text), c.expect) << c.text;

    EXPECT_EQ(ByteStrToHexStr({}), "");
    EXPECT_EQ(ByteStrToHexStr({0x0A, 0xEF, 0xEE}), "0AEFEE");
    ByteStr all(256);
    std::iota(all.begin(), all.end(), 0);
    EXPECT_EQ(HexStrToByteStr(ByteStrToHexStr(all)), all);
}

// ASCII hex digits to a signed 16-bit value; a value to two hex digits and
// to the ASCII codes of its two digits.
TEST(HexConversions, AsciiHexDigitsAndTwoDigitValues)
{
    EXPECT_EQ(HexByteStrToInt(StrToByteStr("1FDF")), 8159);
    EXPECT_EQ(HexByteStrToInt(StrToByteStr("FFFF")), -1);
    EXPECT_EQ(HexByteStrToInt(StrToByteStr("8000")), -32768);
    EXPECT_EQ(HexByteStrToInt(StrToByteStr("10")), 16);
    EXPECT_EQ(HexByteStrToInt(StrToByteStr("ff")), 255);
    EXPECT_EQ(HexByteStrToInt(StrToByteStr("")), 0);
    EXPECT_EQ(HexByteStrToInt(StrToByteStr("1:")), 1);

    EXPECT_EQ(ByteToHex2(5), "05");
    EXPECT_EQ(ByteToHex2(0x1F), "1F");
    EXPECT_EQ(ByteToHex2(0x123), "23");
    EXPECT_EQ(ByteToHex2(-1), "FF");
    EXPECT_EQ(ByteToAsciiHexStr(0x1F), "3146");
    EXPECT_EQ(ByteToAsciiHexStr(0), "3030");
    EXPECT_EQ(ByteToAsciiHexStr(0xAB), "4142");
    EXPECT_EQ(ByteToAsciiHexStr(255), "4646");
}
