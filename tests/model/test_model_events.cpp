// The console event handlers and the automatic adjustments they start, on a
// transceiver whose detector and level voltages follow what it was sent.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "tests/model/ModelBench.h"

namespace {

constexpr int kSd = 0x04, kLvin = 0x05;   // A/D codes of the detector and level voltages

struct Rig : ModelBench {
    // reading: the A/D value for a code, given what the transceiver was sent.
    explicit Rig(std::function<int(const Rig&, int)> reading = nullptr) : read(std::move(reading))
    {
        trx.adReading = [this](int code) { return read ? read(*this, code) : 0; };
        connect();
        settle();
        from = trx.commands.size();
    }
    void enter(int16_t i)
    {
        con.EnterPushed(i);
        runUntil([&] { return !con.flgEnterOn(i); });
    }
    bool runToEnd() { return runUntil([&] { return m.seqStep == 0 && m.taskState == 28; }) && settle(); }
    std::string deflt(int16_t i) const { return con.DefaultString(i); }
    // The BPF values in force at each detector reading, as "sub:value".
    std::string tried() const
    {
        std::string s, current;
        for (size_t i = from; i < trx.commands.size(); ++i) {
            const auto& c = trx.commands[i];
            if (c.sub == 0x13 || c.sub == 0x14)
                current = ByteToHex2(static_cast<int16_t>(c.sub)) + ":" + std::to_string(c.value);
            else if (c.sub == 0x03 && c.value == kSd)
                s += (s.empty() ? "" : " ") + current;
        }
        return s;
    }
    int requests(int code) const
    {
        int n = 0;
        for (size_t i = from; i < trx.commands.size(); ++i)
            n += trx.commands[i].sub == 0x03 && trx.commands[i].value == code;
        return n;
    }
    std::function<int(const Rig&, int)> read;
    size_t from = 0;
    const int16_t all = m.idxBpfRun, t1 = m.idxBpfT1, t2 = static_cast<int16_t>(m.idxBpfT1 + 1);
    const int16_t rxLva = m.idxRxLva, txLva = static_cast<int16_t>(m.idxRxLva + 1), rssi = m.idxRssi;
};

std::string sweep(const char* sub, int last, int step)
{
    std::string s;
    for (int v = 0; v <= last; v += step)
        s += (s.empty() ? "" : " ") + std::string(sub) + ":" + std::to_string(v);
    return s;
}

}  // namespace

TEST(ConsoleEvents, ChannelLineAndSelection)
{
    ModelBench b;
    b.putChannel(0, 145460000, 145460000, 0x00, 0x00);   // simplex, high, wide
    b.putChannel(3, 150500000, 150500000, 0x81, 0x80);   // RX inhibited, low 2, narrow
    b.putChannel(9, 145000000, 145600000, 0xC3, 0x00);   // both inhibited, low 1
    b.putChannel(12, 433100000, 438100000, 0x02, 0x00);  // split, low 1
    b.putChannel(20, 145460000, 145460000, 0x40, 0x00);  // TX inhibited
    ASSERT_TRUE(b.connect() && b.settle());
    const std::string inh = "Inhibit   ";
    const std::pair<std::string, int> cases[] = {
        {"01 RX = 145.460000, TX =   <-        RF Power: High  Mode: Wide", 1},
        {"04 RX = " + inh + ", TX = 150.500000  RF Power: Low2  Mode: Narrow", 4},
        {"10 RX = " + inh + ", TX = " + inh + "  RF Power: Low1  Mode: Wide", 10},
        {"13 RX = 433.100000, TX = 438.100000  RF Power: Low1  Mode: Wide", 13},
        {"21 RX = 145.460000, TX = " + inh + "  RF Power: High  Mode: Wide", 21},
    };
    for (int16_t v = 4; v >= 0; --v) {
        const size_t from = b.trx.commands.size();
        b.con.setValue(b.m.idxChNo, v);
        EXPECT_EQ(b.line(b.m.idxChNo), "    CH No.: " + cases[v].first);
        ASSERT_TRUE(b.settle());
        EXPECT_EQ(b.commands(from), "00:" + std::to_string(cases[v].second)) << "1-based number, no wait";
    }
}

TEST(ConsoleEvents, LinesOfTheSequenceItemsAndTheirEnterRules)
{
    Rig r;
    r.con.setValue(r.m.idxLvRx, 128);
    EXPECT_EQ(r.line(r.m.idxLvRx), r.deflt(r.m.idxLvRx) + " [2.51V]");
    EXPECT_EQ(r.line(r.rssi), "      RSSI: [Enter] to Start");
    EXPECT_EQ(r.line(r.all), "   BPF ALL: [Enter] to Sweep");
    EXPECT_EQ(r.line(r.t1), r.deflt(r.t1) + " [Enter] to Sweep");
    EXPECT_EQ(r.line(r.rxLva), r.deflt(r.rxLva) + " [Enter] to Sweep");

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
    ASSERT_TRUE(r.runUntil([&] { return r.m.seqStep >= 17; }));
    EXPECT_EQ(r.line(r.t2), r.deflt(r.t2) + " [Enter] to Sweep");
    EXPECT_EQ(r.line(r.txLva), r.deflt(r.txLva) + " Sweeping");
    EXPECT_EQ(r.line(r.rxLva), r.deflt(r.rxLva));
    EXPECT_EQ(r.win.beeper.beeps, 0) << "an ended sweep does not beep";
}

TEST(Sequences, RssiStoresS3ThenS1OnEachConfirmation)
{
    int sd = 40;
    Rig r([&](const Rig&, int code) { return code == kSd ? sd : 0; });
    r.enter(r.rssi);
    r.ticks(300);
    EXPECT_GT(r.requests(kSd), 20) << "keeps reading without a confirmation";
    EXPECT_EQ(r.commands(r.from), "");
    EXPECT_EQ(r.app.radio().eepImage().ReadByte(0x84), 0);
    for (int v : {77, 33}) {
        sd = v;
        r.ticks(10);
        r.enter(r.rssi);
        r.ticks(10);
    }
    ASSERT_TRUE(r.runToEnd());
    r.ticks(20);
    EXPECT_EQ(r.commands(r.from), "16:77 15:33");
    EXPECT_EQ(r.app.radio().eepImage().ReadByte(0x84), 77);
    EXPECT_EQ(r.app.radio().eepImage().ReadByte(0x83), 33);
    EXPECT_EQ(r.win.beeper.beeps, 1);
}

TEST(Sequences, BpfSweepSettlesInTheMiddleOfThePeak)
{
    struct Case {
        std::function<int(int)> detector;
        int result;
    };
    const Case cases[] = {
        {[](int v) { return v < 90 ? 110 + v : v <= 110 ? 200 : 310 - v; }, 100},   // flat top 90..110
        {[](int) { return 50; }, 127},                                               // Int((Min + last) / 2)
        {[](int v) { return v == 40 || v == 60 ? 90 : 10; }, 50},                    // from first to last peak
    };
    for (const Case& c : cases) {
        Rig r([&](const Rig& t, int code) { return code == kSd ? c.detector(std::max(0, t.lastValue(0x13))) : 0; });
        r.enter(r.t1);
        ASSERT_TRUE(r.runToEnd());
        EXPECT_EQ(r.tried(), sweep("13", 255, 1));
        EXPECT_EQ(r.con.Value(r.t1), c.result);
        EXPECT_EQ(r.lastValue(0x13), c.result);
        EXPECT_EQ(r.app.radio().eepImage().ReadByte(0x034), c.result);
        EXPECT_EQ(r.con.WaitAfterE8(r.t1), 200);
        EXPECT_EQ(r.win.beeper.beeps, 1);
    }
    // From "BPF ALL": every second value up to 128, T1 then T2, one beep.
    Rig r([](const Rig&, int code) { return code == kSd ? 50 : 0; });
    r.enter(r.all);
    ASSERT_TRUE(r.runToEnd());
    EXPECT_EQ(r.tried(), sweep("13", 128, 2) + " " + sweep("14", 128, 2));
    EXPECT_EQ(r.con.Value(r.t1), 64);
    EXPECT_EQ(r.con.Value(r.t2), 64);
    EXPECT_EQ(r.win.beeper.beeps, 1);
}

TEST(Sequences, LvaSearchReachesTheTargetOrRestoresTheOldValue)
{
    struct Case {
        int item;   // 0 RX, 1 TX
        std::function<int(int)> level;
        int target;
        bool reached;
    };
    const auto rising = [](int v) { return 20 + v * 200 / 255; };
    const Case cases[] = {
        {0, rising, 120, true},
        {0, [](int v) { return 220 - v * 200 / 255; }, 120, true},   // falling
        {1, [](int v) { return v; }, 201, true},
        {0, rising, 250, false},   // above the range
        {0, rising, 220, false},   // at an end reading
        {1, rising, 20, false},
    };
    for (const Case& c : cases) {
        const int sub = c.item == 0 ? 0x06 : 0x07;
        Rig r([&](const Rig& t, int code) { return code == kLvin ? c.level(std::max(0, t.lastValue(sub))) : 0; });
        const auto item = static_cast<int16_t>(r.m.idxRxLva + c.item);
        r.con.setValue(item, 77);
        ASSERT_TRUE(r.settle());
        r.from = r.trx.commands.size();
        r.con.setValue(static_cast<int16_t>(r.m.idxLvRx + c.item), static_cast<int16_t>(c.target));
        r.enter(item);
        ASSERT_TRUE(r.runToEnd());
        const int value = r.con.Value(item);
        EXPECT_EQ(r.m.lvaFailed[c.item], !c.reached);
        if (c.reached) {
            EXPECT_LE(std::abs(c.level(value) - c.target), 2) << "value " << value;
            EXPECT_LE(r.requests(kLvin), 2 + 8) << "both ends, then at most 8 mid readings";
        } else {
            EXPECT_EQ(value, 77);
            EXPECT_EQ(r.requests(kLvin), 2);
            EXPECT_EQ(r.line(item), r.deflt(item) + " [Enter] to Sweep (Auto Adjust Failed)");
        }
        EXPECT_EQ(r.lastValue(sub), value);
        EXPECT_EQ(r.app.radio().eepImage().ReadByte(c.item == 0 ? 0x03C : 0x03D), value);
        EXPECT_EQ(r.con.WaitAfterE8(item), 500);
        EXPECT_EQ(r.win.beeper.beeps, 1);
    }
}
