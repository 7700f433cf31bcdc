// The console event handlers, and the automatic adjustments in the cases
// that a physical transceiver does not produce: readings that never change,
// two separate peaks, a level at an end reading.
#include <gtest/gtest.h>

#include "tests/model/ModelBench.h"

namespace {

constexpr int kSd = 0x04, kLvin = 0x05;   // A/D codes of the detector and level voltages

// Connected; a test then gives the transceiver its A/D readings.
struct Rig : ModelBench {
    Rig() { connect(); }
    std::string deflt(int16_t i) const { return con.DefaultString(i); }
    const int16_t all = m.idxBpfRun, t1 = m.idxBpfT1, t2 = static_cast<int16_t>(m.idxBpfT1 + 1);
    const int16_t rxLva = m.idxRxLva, txLva = static_cast<int16_t>(m.idxRxLva + 1), rssi = m.idxRssi;
};

}  // namespace

TEST(ConsoleEvents, ChannelLineAndSelection)
{
    ModelBench b;
    b.putChannel(0, 145460000, 145460000, 0x00, 0x00);   // simplex, high, wide
    b.putChannel(3, 150500000, 150500000, 0x81, 0x80);   // RX inhibited, low 2, narrow
    b.putChannel(9, 145000000, 145600000, 0xC3, 0x00);   // both inhibited, low 1
    b.putChannel(12, 433100000, 438100000, 0x02, 0x00);  // split, low 1
    b.putChannel(20, 0x88AB8B20, 0xFFFFFFFF, 0x00, 0x00); // top bit set: read unsigned
    ASSERT_TRUE(b.connect());
    const std::string inh = "Inhibit   ";
    const std::pair<std::string, int> cases[] = {
        {"01 RX = 145.460000, TX =   <-        RF Power: High  Mode: Wide", 1},
        {"04 RX = " + inh + ", TX = 150.500000  RF Power: Low2  Mode: Narrow", 4},
        {"10 RX = " + inh + ", TX = " + inh + "  RF Power: Low1  Mode: Wide", 10},
        {"13 RX = 433.100000, TX = 438.100000  RF Power: Low1  Mode: Wide", 13},
        {"21 RX = 2292.943648, TX = 4294.967295  RF Power: High  Mode: Wide", 21},
    };
    for (int16_t v = 4; v >= 0; --v) {
        b.con.setValue(b.m.idxChNo, v);
        EXPECT_EQ(b.line(b.m.idxChNo), "    CH No.: " + cases[v].first);
        ASSERT_TRUE(b.settle());
        EXPECT_EQ(b.lastValue(0x00), cases[v].second) << "the 1-based number";
    }
}

TEST(ConsoleEvents, LinesOfTheSequenceItemsAndTheirEnterRules)
{
    Rig r;
    r.con.setValue(r.m.idxLvRx, 128);
    EXPECT_EQ(r.line(r.m.idxLvRx), r.deflt(r.m.idxLvRx) + " [2.51V]");
    for (const auto& [val, field] : {std::pair<int16_t, const char*>{510, "[10.00V]"}, {-25500, "[-500.00V]"}})
        EXPECT_EQ(r.m.ConsEv_Disp(r.con, r.m.idxLvRx, 7, val), r.deflt(r.m.idxLvRx) + field) << "never cut into the volts";

    r.con.EnterPushed(1);   // no Enter event: stays pending, nothing starts
    r.ticks(5);
    EXPECT_TRUE(r.con.flgEnterOn(1));
    r.enter(r.rssi);
    EXPECT_EQ(r.line(r.rssi), "      RSSI: RSSI S3 Level ");
    r.enter(r.all);   // ends the RSSI capture
    EXPECT_EQ(r.line(r.rssi), "      RSSI: [Enter] to Start");
    EXPECT_EQ(r.line(r.all), "   BPF ALL: Sweeping");
    EXPECT_EQ(r.line(r.t1), r.deflt(r.t1) + " Sweeping");
    EXPECT_EQ(r.line(r.t2), r.deflt(r.t2) + " Sweeping");

    r.app.mainWindow().cmd00_Click(1);   // any button ends a sequence
    r.enter(r.t2);
    EXPECT_EQ(r.line(r.t2), r.deflt(r.t2) + " Sweeping");
    EXPECT_EQ(r.line(r.t1), r.deflt(r.t1));
    EXPECT_EQ(r.line(r.all), "   BPF ALL: [Enter] to Sweep");
    r.enter(r.t1);   // ignored during the sweep
    EXPECT_FALSE(r.m.bpfSweepSel[0]);

    // LVA on TX during the sweep: after T2's sweep the Enter ends it.
    r.con.EnterPushed(r.txLva);
    ASSERT_TRUE(r.runUntil([&] { return r.m.myJournal.last(JournalEvent::Kind::Lva) != nullptr; }));
    EXPECT_EQ(r.line(r.t2), r.deflt(r.t2) + " [Enter] to Sweep");
    EXPECT_EQ(r.line(r.txLva), r.deflt(r.txLva) + " Sweeping");
    EXPECT_EQ(r.line(r.rxLva), r.deflt(r.rxLva));
    EXPECT_EQ(r.win.beeper.beeps, 0) << "an ended sweep does not beep";
}

TEST(Sequences, BpfSweepSettlesInTheMiddleOfThePeak)
{
    const std::tuple<bool, std::function<int(int)>, int, int> cases[] = {   // from BPF ALL, detector, T1, T2
        {false, [](int) { return 50; }, 127, 0},                             // Int((Min + last) / 2)
        {false, [](int v) { return v == 40 || v == 60 ? 90 : 10; }, 50, 0},  // from the first to the last peak
        {true, [](int) { return 50; }, 64, 64},                              // coarse: 0..128, both items
    };
    for (const auto& [all, detector, t1, t2] : cases) {
        Rig r;
        r.trx.adReading = [&r, sd = detector](int code) { return code == kSd ? sd(r.lastValue(0x13)) : 0; };
        r.enter(all ? r.all : r.t1);
        ASSERT_TRUE(r.runToEnd());
        EXPECT_EQ(r.con.Value(r.t1), t1);
        EXPECT_EQ(r.con.Value(r.t2), t2);
        EXPECT_EQ(r.image(0x034), t1);
        EXPECT_EQ(std::make_pair(r.con.WaitAfterE8(r.t1), r.con.WaitAfterE8(r.t2)), std::make_pair(200, 200));
        EXPECT_EQ(r.win.beeper.beeps, 1);
    }
}

TEST(Sequences, LvaSearchFollowsAFallingLevel)
{
    const auto falling = [](int v) { return 220 - v * 200 / 255; };   // 220 at 0, 20 at 255
    const std::pair<int, bool> cases[] = {{100, true} /* after 7 mids */, {20, false} /* the end reading itself */};
    for (const auto& [target, reached] : cases) {
        Rig r;
        r.trx.adReading = [&](int code) { return code == kLvin ? falling(r.lastValue(0x06)) : 0; };
        r.con.setValue(r.rxLva, 77);
        r.con.setValue(r.m.idxLvRx, static_cast<int16_t>(target));
        const size_t start = r.port.written.size();
        r.enter(r.rxLva);
        ASSERT_TRUE(r.runToEnd());
        const int value = r.con.Value(r.rxLva);
        EXPECT_EQ(r.m.lvaFailed[0], !reached);
        if (reached) {
            EXPECT_LE(std::abs(falling(value) - target), 2) << "value " << value;
        } else {
            EXPECT_EQ(value, 77) << "the value from before the search";
            EXPECT_EQ(r.line(r.rxLva), r.deflt(r.rxLva) + " [Enter] to Sweep (Auto Adjust Failed)");
        }
        EXPECT_EQ(r.image(0x03C), value);
        EXPECT_EQ(r.con.WaitAfterE8(r.rxLva), 500) << "the normal wait again";
        EXPECT_EQ(r.win.beeper.beeps, 1);
        // The level settles for 500 ms after each RX LVA frame before it is read.
        int readings = 0;
        for (size_t i = start, lva = SIZE_MAX; i < r.port.written.size(); ++i) {
            const ByteStr& f = r.port.written[i];
            if (f[9] == 0x06)
                lva = i;
            if (f[9] != 0x03 || f[10] != '0' || f[11] != '5' || lva == SIZE_MAX)
                continue;
            EXPECT_GE(r.writtenAt[i] - r.writtenAt[lva], 500u) << "reading " << readings;
            ++readings;
            lva = SIZE_MAX;
        }
        EXPECT_EQ(readings, reached ? 2 + 7 : 2) << "the ends, then the mids";
    }
}
