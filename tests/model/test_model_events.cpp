// The console event handlers, and the automatic adjustments in the cases
// that a physical transceiver does not produce: readings that never change,
// two separate peaks, a level at an end reading.
#include <gtest/gtest.h>

#include "app/KeyCodes.h"
#include "records/JournalJson.h"
#include "tests/model/ModelBench.h"

namespace {

constexpr int kSd = 0x04, kLvin = 0x05;   // A/D codes of the detector and level voltages

// Connected; a test then gives the transceiver its A/D readings.
struct Rig : ModelBench {
    Rig() { connect(); }
    std::string deflt(int16_t i) const { return con.DefaultString(i); }
    const int16_t all = m.idxBpfRun, t1 = m.idxBpfT1, t2 = static_cast<int16_t>(m.idxBpfT1 + 1);
    const int16_t rxLva = m.idxRxLva, txLva = static_cast<int16_t>(m.idxRxLva + 1), rssi = m.idxRssi;
    size_t points(JournalEvent::Kind k, size_t n) const { return nth(k, n).points.size(); }
};

}  // namespace

TEST(ConsoleEvents, TheChannelLineAndSelectionAndTheSequenceItemsLinesAndEnterRules)
{
    Rig r;   // the channels are read at the next Connect
    r.putChannel(0, 145460000, 145460000, 0x00, 0x00);   // simplex, high, wide
    r.putChannel(3, 150500000, 150500000, 0x81, 0x80);   // RX inhibited, low 2, narrow
    r.putChannel(9, 145000000, 145600000, 0xC3, 0x00);   // both inhibited, low 1
    r.putChannel(12, 433100000, 438100000, 0x02, 0x00);  // split, low 1
    r.putChannel(20, 0x88AB8B20, 0xFFFFFFFF, 0x00, 0x00); // top bit set: read unsigned
    EXPECT_TRUE(r.connect());
    const std::string inh = "Inhibit   ";
    const std::pair<std::string, int> cases[] = {
        {"01 RX = 145.460000, TX =   <-        RF Power: High  Mode: Wide", 1},
        {"04 RX = " + inh + ", TX = 150.500000  RF Power: Low2  Mode: Narrow", 4},
        {"10 RX = " + inh + ", TX = " + inh + "  RF Power: Low1  Mode: Wide", 10},
        {"13 RX = 433.100000, TX = 438.100000  RF Power: Low1  Mode: Wide", 13},
        {"21 RX = 2292.943648, TX = 4294.967295  RF Power: High  Mode: Wide", 21},
    };
    for (int16_t v = 4; v >= 0; --v) {
        r.con.setValue(r.m.idxChNo, v);
        EXPECT_EQ(r.line(r.m.idxChNo), "    CH No.: " + cases[v].first);
        EXPECT_TRUE(r.settle());
        EXPECT_EQ(r.lastValue(0x00), cases[v].second) << "the 1-based number";
    }

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
    EXPECT_EQ(r.line(r.t1), r.deflt(r.t1) + " Sweeping");

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
        if (reached)
            EXPECT_LE(std::abs(falling(value) - target), 2) << "value " << value;
        else
            EXPECT_EQ(value, 77) << "the value from before the search";
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

// Escape during each automatic adjustment: the items still adjusting go
// back to their values from before it (an item whose own sweep ended keeps
// its result), the RSSI levels stored meanwhile to those held before the
// capture. The frames go out as "restore" in the journal, whose records say
// what was put back. Without a running adjustment Escape is left to the
// window.
TEST(Sequences, EscapeEndsTheAdjustmentAndPutsBackWhatItChanged)
{
    using Kind = JournalEvent::Kind;
    struct Case {
        const char* name;
        std::function<void(Rig&)> start;
        std::function<bool(Rig&)> escapeWhen;
        std::string frames;                 // adjustment frames the program writes after the Escape
        std::vector<std::string> records;   // each automatic adjustment's outcome, in order
        std::vector<std::pair<int, int>> image;
        std::string json;                   // the end of a record's JSON line
    };
    const Case cases[] = {
        {"BPF T1 mid-sweep", [](Rig& r) { r.con.setValue(r.t1, 112); r.settle(); r.enter(r.t1); },
         [](Rig& r) { return r.points(Kind::Bpf, 0) >= 20; }, "13:112", {"interrupted, restored to 112"},
         {{0x034, 112}}, "\"result\":112,\"outcome\":\"interrupted\",\"restored\":112}"},
        {"BPF ALL during T1: T2 was set to 64 already",
         [](Rig& r) { r.con.setValue(r.t1, 112); r.con.setValue(r.t2, 90); r.settle(); r.enter(r.all); },
         [](Rig& r) { return r.points(Kind::Bpf, 0) >= 5; }, "13:112 14:90",
         {"interrupted, restored to 112", "interrupted, restored to 90"}, {{0x034, 112}, {0x035, 90}},
         "\"outcome\":\"interrupted\",\"restored\":90}"},
        {"BPF ALL during T2: T1 keeps its result",
         [](Rig& r) { r.con.setValue(r.t2, 90); r.settle(); r.enter(r.all); },
         [](Rig& r) { return r.points(Kind::Bpf, 1) >= 5; }, "14:90", {"done", "interrupted, restored to 90"},
         {{0x034, 64}, {0x035, 90}}, "\"outcome\":\"interrupted\",\"restored\":90}"},
        {"RX LVA mid-search",
         [](Rig& r) {
             r.trx.adReading = [&r](int code) { return code == kLvin ? 220 - r.lastValue(0x06) * 200 / 255 : 0; };
             r.con.setValue(r.rxLva, 77);
             r.con.setValue(r.m.idxLvRx, 100);
             r.settle();
             r.enter(r.rxLva);
         },
         [](Rig& r) { return r.points(Kind::Lva, 0) >= 4; }, "06:77", {"interrupted, restored to 77"},
         {{0x03C, 77}}, "\"outcome\":\"interrupted\",\"restored\":77}"},
        {"RSSI after the S3 point",
         [](Rig& r) {
             r.app.radio().eepImage().WriteByte(0x084, 50);
             r.app.radio().eepImage().WriteByte(0x083, 20);
             r.enter(r.rssi);
             r.ticks(10);
             r.enter(r.rssi);   // stores SD (4) as S3
         },
         [](Rig& r) { return r.m.rssiLevelS1; }, "16:50", {"interrupted, restored to S3 50"},
         {{0x084, 50}, {0x083, 20}}, "\"outcome\":\"interrupted\",\"restored\":[{\"level\":\"S3\",\"sd\":50}]}"},
        {"RSSI before a point", [](Rig& r) { r.enter(r.rssi); },
         [](Rig& r) { return r.m.myJournal.last(Kind::Rssi) != nullptr; }, "", {"interrupted, no level changed"}, {},
         "\"outcome\":\"interrupted\",\"restored\":[]}"},
    };
    for (const Case& c : cases) {
        Rig r;
        c.start(r);
        ASSERT_TRUE(r.runUntil([&] { return c.escapeWhen(r); })) << c.name;
        const size_t from = r.port.written.size(), received = r.trx.commands.size();
        EXPECT_TRUE(r.app.mainWindow().lboConsole_KeyDown(kKeyEscape, 0)) << c.name;
        ASSERT_TRUE(r.settle()) << c.name;
        std::string written;   // E8 frames: sub-command at byte 9, the value's two hex digits after it
        for (size_t i = from; i < r.port.written.size(); ++i) {
            const ByteStr& f = r.port.written[i];
            if (f.size() > 12 && f[9] != 0x03)
                written += (written.empty() ? "" : " ") + ByteToHex2(f[9]) + ":" +
                           std::to_string(std::stoi(std::string(f.begin() + 10, f.begin() + 12), nullptr, 16));
        }
        EXPECT_EQ(written, c.frames) << c.name;
        const std::string got = r.commands(received);
        EXPECT_EQ(got.substr(got.size() - std::min(got.size(), c.frames.size())), c.frames)
            << c.name << ": the transceiver got them last";
        std::string restore;
        std::vector<std::string> records;
        for (const JournalEvent& e : r.m.myJournal.events()) {
            if (e.kind == Kind::Adjust && e.cause == "restore")
                restore += (restore.empty() ? "" : " ") + ByteToHex2(static_cast<int16_t>(e.command)) + ":" +
                           std::to_string(e.wireValue);
            if (e.kind == Kind::Bpf || e.kind == Kind::Lva || e.kind == Kind::Rssi)
                records.push_back(RestoredText(e));
        }
        EXPECT_EQ(restore, c.frames) << c.name << ": the journal's frames";
        EXPECT_EQ(records, c.records) << c.name;
        const std::string json = JournalLines(r.m.myJournal);
        EXPECT_NE(json.find(c.json + "\n"), std::string::npos) << c.name << "\n" << json;
        for (const auto& [adr, value] : c.image)
            EXPECT_EQ(r.image(adr), value) << c.name << std::hex << " at 0x" << adr;
        EXPECT_EQ(std::make_pair(r.con.WaitAfterE8(r.t1), r.con.WaitAfterE8(r.rxLva)), std::make_pair(200, 500))
            << c.name << ": the normal waits again";
        EXPECT_EQ(r.win.beeper.beeps, 0) << c.name;
        EXPECT_EQ(r.line(r.all), "   BPF ALL: [Enter] to Sweep") << c.name;

        // Nothing runs now: Escape is left to the window, and nothing is sent.
        const size_t after = r.trx.commands.size();
        EXPECT_FALSE(r.app.mainWindow().lboConsole_KeyDown(kKeyEscape, 0)) << c.name;
        r.ticks(10);
        EXPECT_EQ(r.trx.commands.size(), after) << c.name;
    }
}
