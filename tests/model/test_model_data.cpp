// The model's data: the number formatter, the channel tests and the base
// frequency of the EEPROM map, the parameter listing, and the item table
// that a reset builds.
#include <gtest/gtest.h>

#include <cmath>

#include "model/NumberFormat.h"
#include "tests/model/ModelBench.h"

TEST(NumberFormat, PatternTable)
{
    const std::tuple<double, const char*, const char*> cases[] = {
        {128 * 5 / 255.0, "##0.#0V", "2.51V"}, {10.0, "##0.#0V", "10.00V"}, {1 / 255.0, "0.00%", "0.39%"},
        {99.996, "##0.#0V", "100.00V"} /* the carry makes a new digit */, {-5.5, "###.#0'C", "-5.50'C"},
        {0.27, "###.#0'C", ".27'C"} /* no required integer digit */, {446006250 / 1e6, "###0.#####0", "446.006250"},
        {2.675, "0.00", "2.68"} /* half away from zero, as written */, {-2.5, "0", "-3"},
        {-0.004, "0.00", "0.00"} /* no minus on zero */, {1.5, "0.0##", "1.5"}, {1.23456, "0.0##", "1.235"},
        {5.0, "00.0", "05.0"}, {7.0, "#.##", "7"}, {3.0, "Ch 0", "Ch 3"}, {std::nan(""), "0.00", "NaN"},
    };
    for (const auto& [value, pattern, text] : cases)
        EXPECT_EQ(FormatNumber(value, pattern), text) << value << " with " << pattern;
}

TEST(EepMap, ProgrammedChannelsAndTheBaseFrequencyLimit)
{
    clsCmcEeprom eep;
    clsIndEep_RigTavik map{eep};
    for (int32_t adr : {0x160 - 18, 0x160 + 18 * 1})   // channel -1 and 1: the inhibit bit alone
        eep.WriteByte(adr, 0x80);
    eep.WriteByte(0x160 + 18 * 2 + 3, 0x01);   // any frequency
    eep.WriteByte(0x160 + 18 * 3 + 4, 0x08);   // a TX frequency alone
    const std::pair<int16_t, bool> channels[] = {{0, false}, {1, true}, {2, true}, {3, false}, {-1, false}};
    for (const auto& [ch, programmed] : channels)
        EXPECT_EQ(map.RigTavikEep_GetChAppear(0x160, ch), programmed) << "channel " << ch;
    EXPECT_EQ(map.ReadFreqBlock(0x160 + 18), 0x80000000u) << "a top bit reads unsigned";

    const int32_t base[][3] = {{0x05, 0x50, 136000000}, {0x1F, 0x40, 800000000}, {0x1F, 0x41, 0}, {0xFF, 0xFF, 0}};
    for (const auto& b : base) {
        eep.WriteByte(0x030, static_cast<uint8_t>(b[0]));
        eep.WriteByte(0x031, static_cast<uint8_t>(b[1]));
        EXPECT_EQ(map.ReadBaseFreqBlock(), b[2]) << b[0] * 256 + b[1] << " x 100 kHz";
    }
}

TEST(ParaListing, SixtySixLinesOfTheImageAndTheMidVariantsBytes)
{
    clsCmcEeprom eep;
    clsIndEep_RigTavik map{eep};
    auto listing = [&] {   // filled in one assignment, 66 lines each ending in CR LF
        platform::MemoryTextBox box;
        map.RigTavikEep_DispPara(box);
        EXPECT_EQ(box.assignments, 1);
        std::vector<std::string> lines;
        std::string rest = box.txt;
        for (size_t end; (end = rest.find("\r\n")) != std::string::npos; rest.erase(0, end + 2))
            lines.push_back(rest.substr(0, end));
        EXPECT_EQ(rest, "") << "text after the last CR LF";
        EXPECT_EQ(lines.size(), 66u);
        lines.resize(66);
        return lines;
    };
    eep.FillBlock(0, 0xFF, clsCmcEeprom::kDefaultSize);   // a Mid image too: 0x140 has bit 7
    auto lines = listing();
    for (size_t n = 1; n <= 66; ++n)
        EXPECT_EQ(lines[n - 1].substr(28), n == 64 ? ":    0.000MHz" /* 65535 x 100 kHz: above the limit */
                                                   : n >= 16 && n <= 63 ? ":   -1" : ":  255") << n;
    EXPECT_EQ(lines[0], "                POW HI Level:  255");
    EXPECT_EQ(lines[56], "    Tx LVA Slant(Freq) Band6:   -1");

    const int bytes[][2] = {{0x043, 11}, {0x051, 22}, {0x042, 33}, {0x050, 44}, {0x041, 5},
                            {0x04F, 0xFB}, {0x03A, 0x80}, {0x030, 0x05}, {0x031, 0xAB}, {0x140, 0x7F}};
    for (const auto& b : bytes)
        eep.WriteByte(b[0], static_cast<uint8_t>(b[1]));
    const auto plain = listing();
    eep.WriteByte(0x140, 0x80);
    const auto mid = listing();
    const std::tuple<size_t, const char*, const char*> moved[] = {
        {4, "  11", "  22"}, {6, "  33", "  44"}, {62, "   5", "  -5"}, {58, "-128", "-128"}, {64, " 145.100MHz", " 145.100MHz"}};
    for (const auto& [n, p, mv] : moved) {
        EXPECT_EQ(plain[n - 1].substr(30), p) << "line " << n;
        EXPECT_EQ(mid[n - 1].substr(30), mv) << "line " << n;
    }
    auto others = mid;   // every other line is the same for both
    for (size_t n : {4, 6, 62})
        others[n - 1] = plain[n - 1];
    EXPECT_EQ(others, plain);
}

TEST(ItemTable, ResetBuildsTheTableAfreshEveryTime)
{
    ModelBench b;
    clsIndOp_RigTavik& m = b.m;
    auto indexFields = [&] {
        return std::vector<int>{m.idxChNo,  m.idxBal,   m.idxModW, m.idxModRatio, m.idxBpfRun,
                                m.idxBpfT1, m.idxRxLva, m.idxLvRx, m.idxLvTx,     m.idxRssi};
    };
    const std::vector<int> fields = {0, 4, 5, 6, 10, 11, 13, 15, 16, 17};
    EXPECT_EQ(indexFields(), fields);
    // What a Mid load, an unsent change and a running sweep leave behind.
    b.trx.image[0x140] = 0x80;
    b.trx.image[0x082] = 40;
    ASSERT_TRUE(b.connect());
    b.con.setValue(3, 99);
    b.con.EnterPushed(12);
    ASSERT_TRUE(b.runUntil([&] { return m.seqStep > 12; }));
    ASSERT_EQ(m.idxBpfRun, 12);

    m.RigOpFunc_ResetAll();
    EXPECT_EQ(indexFields(), fields);
    EXPECT_EQ(b.con.ListCount(), 18);
    EXPECT_EQ(b.win.lboConsole.count(), 18);
    EXPECT_EQ(m.seqStep, 0);
    for (int16_t i = 0; i < 18; ++i)
        EXPECT_FALSE(b.con.Value(i) || b.con.flgChanged(i) || b.con.flgEnterOn(i)) << "item " << i;
    EXPECT_EQ(std::vector<int>({b.con.EeAdr(4), b.con.E8Command(4), b.con.EeAdr(5), b.con.E8Command(5)}),
              std::vector<int>({0x043, 0x10, 0x042, 0x0C}))
        << "BAL and MOD W back on the standard bytes and commands";
}
