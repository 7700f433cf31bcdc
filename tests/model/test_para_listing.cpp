// The parameter listing of "Disp para".
#include <gtest/gtest.h>

#include <vector>

#include "link/clsCmcEeprom.h"
#include "model/clsIndEep_RigTavik.h"
#include "platform/MemoryControls.h"

namespace {

// The listing cut into its lines; fails the test when a line does not end in
// CR LF or text follows the last one.
std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) {
            ADD_FAILURE() << "text after the last CR LF: " << text.substr(pos);
            break;
        }
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

struct ParaListing : ::testing::Test {
    std::vector<std::string> listing()
    {
        platform::MemoryTextBox box;
        map.RigTavikEep_DispPara(box);
        EXPECT_EQ(box.assignments, 1) << "the text box is filled in one assignment";
        return splitLines(box.text());
    }
    // Value part of line n (1-based).
    static std::string value(const std::vector<std::string>& lines, size_t n) { return lines.at(n - 1).substr(30); }

    clsCmcEeprom eep;
    clsIndEep_RigTavik map{eep};
};

}  // namespace

TEST_F(ParaListing, AllOnesImage)
{
    eep.FillBlock(0, 0xFF, clsCmcEeprom::kDefaultSize);
    const auto lines = listing();
    ASSERT_EQ(lines.size(), 66u);
    for (size_t n = 1; n <= 66; ++n) {
        const std::string& l = lines[n - 1];
        ASSERT_GE(l.size(), 30u) << "line " << n;
        EXPECT_EQ(l.substr(28, 2), ": ") << "line " << n << " label is 30 characters";
        const bool isSigned = n >= 16 && n <= 63;
        if (n == 64) {
            EXPECT_EQ(value(lines, n), "   0.000MHz") << "65535 x 100 kHz is above the limit";
        } else {
            EXPECT_EQ(value(lines, n), isSigned ? "  -1" : " 255") << "line " << n;
        }
    }
    EXPECT_EQ(lines[0], "                POW HI Level:  255");
    EXPECT_EQ(lines[15], "       MOD Slant(Freq) Band0:   -1");
    EXPECT_EQ(lines[56], "    Tx LVA Slant(Freq) Band6:   -1");
    EXPECT_EQ(lines[63], "              Base Frequency:    0.000MHz");
    EXPECT_EQ(lines[65], "               RSSI S3 Level:  255");
}

TEST_F(ParaListing, LinesReadTheirOwnAddresses)
{
    // Every byte holds a different small value: its address minus 0x20.
    for (int32_t a = 0x30; a <= 0x113; ++a)
        eep.WriteByte(a, static_cast<uint8_t>((a - 0x20) & 0x7F));
    eep.WriteByte(0x030, 0x05);   // base frequency 136 MHz
    eep.WriteByte(0x031, 0x50);
    eep.WriteByte(0x140, 0x00);   // not the Mid variant
    auto at = [](int32_t adr) {
        std::string s = std::to_string((adr - 0x20) & 0x7F);
        return std::string(4 - s.size(), ' ') + s;
    };
    const auto lines = listing();
    ASSERT_EQ(lines.size(), 66u);
    struct Case {
        size_t line;
        int32_t adr;
    };
    const Case cases[] = {
        {1, 0x082}, {2, 0x081}, {3, 0x080}, {4, 0x043}, {5, 0x04A}, {6, 0x042}, {7, 0x049},
        {8, 0x033}, {9, 0x113}, {10, 0x087}, {11, 0x036}, {12, 0x034}, {13, 0x035}, {14, 0x03C},
        {15, 0x03D},
        {16, 0x058}, {22, 0x07C},   // MOD, bands 0 and 6
        {23, 0x057}, {29, 0x07B},   // Tone
        {30, 0x05A}, {36, 0x07E},   // POW
        {37, 0x059}, {38, 0x05F},   // BAL
        {44, 0x055}, {50, 0x079},   // Rx LVA
        {51, 0x056}, {57, 0x07A},   // Tx LVA
        {58, 0x03A}, {59, 0x039}, {60, 0x038}, {61, 0x03B}, {62, 0x041}, {63, 0x048},
        {65, 0x083}, {66, 0x084},
    };
    for (const Case& c : cases)
        EXPECT_EQ(value(lines, c.line), at(c.adr)) << "line " << c.line;
    EXPECT_EQ(value(lines, 64), " 136.000MHz");
    EXPECT_EQ(lines[15].substr(0, 30), "       MOD Slant(Freq) Band0: ");
    EXPECT_EQ(lines[56].substr(0, 30), "    Tx LVA Slant(Freq) Band6: ");
}

TEST_F(ParaListing, MidVariantMovesBalModAndToneCorrectionOnly)
{
    eep.WriteByte(0x043, 11);
    eep.WriteByte(0x051, 22);
    eep.WriteByte(0x042, 33);
    eep.WriteByte(0x050, 44);
    eep.WriteByte(0x041, 5);
    eep.WriteByte(0x04F, 0xFB);   // -5
    eep.WriteByte(0x03A, 0x80);   // -128
    eep.WriteByte(0x039, 0x7F);
    eep.WriteByte(0x030, 0x05);
    eep.WriteByte(0x031, 0xAB);

    eep.WriteByte(0x140, 0x00);
    const auto plain = listing();
    eep.WriteByte(0x140, 0x80);
    const auto mid = listing();
    ASSERT_EQ(plain.size(), 66u);
    ASSERT_EQ(mid.size(), 66u);

    EXPECT_EQ(value(plain, 4), "  11");
    EXPECT_EQ(value(mid, 4), "  22");
    EXPECT_EQ(value(plain, 6), "  33");
    EXPECT_EQ(value(mid, 6), "  44");
    EXPECT_EQ(value(plain, 62), "   5");
    EXPECT_EQ(value(mid, 62), "  -5");
    EXPECT_EQ(value(mid, 58), "-128");
    EXPECT_EQ(value(mid, 59), " 127");
    EXPECT_EQ(value(mid, 64), " 145.100MHz");
    for (size_t n = 1; n <= 66; ++n) {
        if (n != 4 && n != 6 && n != 62) {
            EXPECT_EQ(plain[n - 1], mid[n - 1]) << "line " << n;
        }
    }
}
