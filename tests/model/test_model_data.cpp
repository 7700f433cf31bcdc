// The model's data: the number formatter, the channel tests and the base
// frequency of the EEPROM map, the parameter listing, and the item table
// that a reset builds.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

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

    const int32_t base[][3] = {{0x05, 0x50, 136000000}, {0x1F, 0x40, 800000000}, {0x1F, 0x41, 0}, {0xFF, 0xFF, 0}};
    for (const auto& b : base) {
        eep.WriteByte(0x030, static_cast<uint8_t>(b[0]));
        eep.WriteByte(0x031, static_cast<uint8_t>(b[1]));
        EXPECT_EQ(map.ReadBaseFreqBlock(), b[2]) << b[0] * 256 + b[1] << " x 100 kHz";
    }
}

// The listing of an image whose bytes all differ from their neighbours,
// (a * 7 + 3) & 0xFF, but for the base frequency 05 AB (145.1 MHz): every line
// shows the byte at its own address, as a signed byte where the item is one.
// A Mid transceiver reads BAL W, MOD W and Tone W at 051, 050 and 04F.
std::vector<std::string> Listing(bool mid)
{
    struct Line { std::string title; int adr; bool sign; };
    std::vector<Line> lines = {
        {"POW HI Level", 0x082, false}, {"POW L2 Level", 0x081, false}, {"POW L1 Level", 0x080, false},
        {"BAL W Level", mid ? 0x051 : 0x043, false}, {"BAL N Level", 0x04A, false},
        {"MOD W Level", mid ? 0x050 : 0x042, false}, {"MOD N Level", 0x049, false}, {"CTCS/DTCS Level", 0x033, false},
        {"SQL Level", 0x113, false}, {"REF Level", 0x087, false}, {"BPF Correction", 0x036, false},
        {"BPF T1 Level", 0x034, false}, {"BPF T2 Level", 0x035, false}, {"RX LVA Level", 0x03C, false},
        {"TX LVA Level", 0x03D, false}};
    // Bands 0 to 6 of each slant, six bytes apart from the first one's address.
    for (const auto& [title, adr] : {std::pair{"MOD", 0x058}, {"Tone", 0x057}, {"POW", 0x05A}, {"BAL", 0x059},
                                     {"Rx LVA", 0x055}, {"Tx LVA", 0x056}})
        for (int band = 0; band < 7; ++band)
            lines.push_back({std::string(title) + " Slant(Freq) Band" + std::to_string(band), adr + 6 * band, true});
    lines.insert(lines.end(), {{"MOD Slant(Temp) Area", 0x03A, true}, {"Tone Slant(Temp) Area", 0x039, true},
                               {"SQL Slant(Temp) Area", 0x038, true}, {"BAL Slant(Temp) Area", 0x03B, true},
                               {"Tone W Correction", mid ? 0x04F : 0x041, true}, {"Tone N Correction", 0x048, true},
                               {"Base Frequency", -1, false}, {"RSSI S1 Level", 0x083, false},
                               {"RSSI S3 Level", 0x084, false}});
    std::vector<std::string> text;
    for (const Line& l : lines) {
        const int byte = (l.adr * 7 + 3) & 0xFF;
        char line[48];
        std::snprintf(line, sizeof line, "%28s: %4d", l.title.c_str(), l.sign && byte > 127 ? byte - 256 : byte);
        text.push_back(l.adr < 0 ? "              Base Frequency:  145.100MHz" : line);
    }
    return text;
}

TEST(ParaListing, EveryLineShowsTheByteAtItsOwnAddress)
{
    clsCmcEeprom eep;
    for (int a = 0; a < clsCmcEeprom::kDefaultSize; ++a)
        eep.WriteByte(a, static_cast<uint8_t>((a * 7 + 3) & 0xFF));
    eep.WriteByte(0x030, 0x05);
    eep.WriteByte(0x031, 0xAB);
    clsIndEep_RigTavik map{eep};
    // Lines worked out by hand, beside the rule that gives the rest.
    EXPECT_EQ(Listing(false)[0], "                POW HI Level:  145");
    EXPECT_EQ(Listing(true)[5], "                 MOD W Level:   51");
    EXPECT_EQ(Listing(false)[15], "       MOD Slant(Freq) Band0:  107");
    EXPECT_EQ(Listing(false)[16], "       MOD Slant(Freq) Band1: -107");
    for (const bool mid : {false, true}) {
        eep.WriteByte(0x140, mid ? 0xC3 : 0x43);   // bit 7: Mid
        std::string want;   // filled in one assignment, every line ending in CR LF
        for (const std::string& line : Listing(mid))
            want += line + "\r\n";
        platform::MemoryTextBox box;
        map.RigTavikEep_DispPara(box);
        EXPECT_EQ(box.assignments, 1);
        EXPECT_EQ(box.txt, want) << (mid ? "Mid" : "");   // a failure shows the lines that differ
    }
}

TEST(ItemTable, SubCodesFrom0100UpAreLegalCharacterByCharacterAndResetBuildsTheTableAfresh)
{
    ModelBench b;
    clsIndOp_RigTavik& m = b.m;
    const std::pair<const char*, bool> codes[] = {{"0100", true},  {"00FF", false}, {"0A00", true} /* A after 1 */,
                                                  {"0099", false}, {"010", false},  {"", false}};
    for (const auto& [code, legal] : codes)
        EXPECT_EQ(m.RigOpFunc_CheckSubNameLegal(code), legal) << code;

    // What a Mid load, an unsent change and a running sweep leave behind.
    b.trx.image[0x140] = 0x80;
    b.trx.image[0x082] = 40;
    ASSERT_TRUE(b.connect());
    b.con.setValue(3, 99);
    b.con.EnterPushed(12);
    ASSERT_TRUE(b.runUntil([&] {
        const JournalEvent* bpf = m.myJournal.last(JournalEvent::Kind::Bpf);
        return bpf != nullptr && !bpf->points.empty();
    }));
    ASSERT_EQ(m.idxBpfRun, 12);

    m.RigOpFunc_ResetAll();
    EXPECT_EQ((std::vector<int>{m.idxChNo, m.idxBal, m.idxModW, m.idxModRatio, m.idxBpfRun, m.idxBpfT1,
                                m.idxRxLva, m.idxLvRx, m.idxLvTx, m.idxRssi}),
              (std::vector<int>{0, 4, 5, 6, 10, 11, 13, 15, 16, 17}));
    EXPECT_EQ(b.con.ListCount(), 18);
    EXPECT_EQ(b.win.lboConsole.count(), 18);
    EXPECT_FALSE(m.RigTavikProp_AutoRunning());
    for (int16_t i = 0; i < 18; ++i)
        EXPECT_FALSE(b.con.Value(i) || b.con.flgChanged(i) || b.con.flgEnterOn(i)) << "item " << i;
    EXPECT_EQ(std::vector<int>({b.con.EeAdr(4), b.con.E8Command(4), b.con.EeAdr(5), b.con.E8Command(5)}),
              std::vector<int>({0x043, 0x10, 0x042, 0x0C})) << "BAL and MOD W back on the standard bytes and commands";
}
