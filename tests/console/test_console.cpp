// The adjustment console on a memory list box and an EEPROM image: the text
// of a line, the limits and the order of the side effects of property
// writes; stepping, EEPROM transfer and the Enter key. (The adjustment
// command on the wire, its wait and its EEPROM byte are the model's tests,
// over every item.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/clsConsole.h"
#include "link/clsCmcEeprom.h"
#include "platform/MemoryControls.h"

namespace {

struct RecordingReceiver : ConsoleEventReceiver {
    // text: handler ('d'isp, 's'end, 'e'nter), index/event/value; the item's Max and flgChanged at the call.
    struct Call { std::string text; int16_t maxThen; bool changedThen; };
    void note(char h, clsConsole& c, int16_t i, int16_t ev, int16_t v)
    {
        calls.push_back({h + std::to_string(i) + "/" + std::to_string(ev) + "/" + std::to_string(v), c.Max(i), c.flgChanged(i)});
    }
    std::string ConsEv_Disp(clsConsole& c, int16_t& i, int16_t ev, int16_t v) override
    {
        note('d', c, i, ev, v);
        return "ev" + std::to_string(ev) + "=" + std::to_string(v);
    }
    void ConsEv_SendE8(clsConsole& c, int16_t& i, int16_t ev, int16_t v) override { note('s', c, i, ev, v); }
    void ConsEv_Enter(clsConsole& c, int16_t& i, int16_t ev, int16_t v) override
    {
        note('e', c, i, ev, v);
        c.setBarExist(i, true);   // a change that draws nothing by itself
    }
    void setWaitE8Required(int32_t) override {}
    std::vector<Call> calls;
};

struct ConsoleTest : ::testing::Test {
    ConsoleTest() { c.myListBox = &list; c.myEventClass = &rx; c.myEeprom = &eep; c.AddItem(); c.AddItem(); }
    clsCmcEeprom eep;
    platform::MemoryListBox list;
    RecordingReceiver rx;
    clsConsole c;
};

}  // namespace

TEST_F(ConsoleTest, ValueFieldIsFourCharactersRightAligned)
{
    c.setMin(0, -32768);
    c.setTitle(0, "  REF");
    EXPECT_EQ(list.line(0), "  REF:   0");
    const std::pair<int16_t, const char*> cases[] = {
        {5, "   5"}, {255, " 255"}, {-3, "  -3"}, {-999, "-999"}, {-1000, "1000"} /* the sign is cut off */,
    };
    for (const auto& [value, field] : cases) {
        c.setValue(0, value);
        EXPECT_EQ(list.line(0), std::string("  REF:") + field) << value;
    }
}

TEST_F(ConsoleTest, BarFillsTwentyCellsRoundingHalvesToEven)
{
    auto bar = [](int n) { return " [" + std::string(size_t(n), '#') + std::string(size_t(20 - n), '-') + "]"; };
    const int16_t cases[][4] = {   // Min, Max, Value, filled cells
        {0, 255, 0, 0}, {0, 255, 255, 20}, {0, 255, 134, 11} /* 10.51 */, {0, 8, 1, 2} /* 2.5 */,
        {0, 8, 3, 8} /* 7.5 */, {-40, 40, -34, 2} /* 1.5 */, {100, 140, 101, 0} /* 0.5 */,
    };
    c.setTitle(0, " Power(Hi)");
    c.setBarExist(0, true);
    c.setValue(0, 128);   // 10.04 cells
    EXPECT_EQ(list.line(0), " Power(Hi): 128" + bar(10));
    for (const auto& k : cases) {
        c.setMax(0, 32767);
        c.setMin(0, k[0]);
        c.setMax(0, k[1]);
        c.setValue(0, k[2]);
        EXPECT_EQ(c.BarString(0), bar(k[3])) << k[0] << ".." << k[1] << " at " << k[2];
    }
}

TEST_F(ConsoleTest, WritesClampDrawAndMarkInTheirOrder)
{
    c.setEvent_Disp(0, 9);
    rx.calls.clear();
    c.setValue(0, 300);   // clamp, draw, then mark
    ASSERT_FALSE(rx.calls.empty());
    for (const auto& call : rx.calls)
        EXPECT_TRUE(call.text == "d0/9/255" && !call.changedThen) << call.text << " marked " << call.changedThen;
    EXPECT_EQ(list.line(0), "ev9=255");
    EXPECT_TRUE(c.flgChanged(0));

    c.setflgChanged(0, false);
    rx.calls.clear();
    c.setValue(0, 255);   // no change: no redraw, marked all the same
    EXPECT_TRUE(rx.calls.empty());
    EXPECT_TRUE(c.flgChanged(0));
    c.setflgChanged(0, true);   // mark, then draw
    ASSERT_EQ(rx.calls.size(), 1u);
    EXPECT_TRUE(rx.calls[0].changedThen);

    c.setMax(0, 50);
    c.setflgChanged(0, false);
    rx.calls.clear();
    c.setMin(0, 60);   // Max follows Min before the value is pulled up and drawn
    EXPECT_EQ(c.Value(0), 60);
    ASSERT_FALSE(rx.calls.empty());
    for (const auto& call : rx.calls)
        EXPECT_EQ(call.maxThen, 60);
    EXPECT_FALSE(c.flgChanged(0)) << "a limit write does not mark the item";
    c.setMax(0, 40);   // Min follows Max down
    EXPECT_EQ(c.Min(0), 40);
    EXPECT_EQ(c.Value(0), 40);
}

TEST_F(ConsoleTest, SteppingStopsAtTheEndsOrWraps)
{
    const int16_t cases[][6] = {   // loop, Min, Max, start, step, result
        {0, 10, 20, 19, 5, 20}, {0, 10, 20, 12, -5, 10}, {0, 10, 20, 20, 1, 20}, {1, 10, 20, 20, 1, 10},
        {1, 10, 20, 10, -1, 20}, {1, 10, 20, 20, 5, 10} /* the rest is dropped */, {1, 10, 20, 18, 5, 20},
        {0, 0, 32767, 32765, 5, 32767},
    };
    for (const auto& k : cases) {
        c.setMax(0, k[2]);
        c.setMin(0, k[1]);
        c.setLoopVal(0, k[0] != 0);
        c.setValue(0, k[3]);
        c.setflgChanged(0, false);
        c.UpDown(0, k[4]);
        EXPECT_EQ(c.Value(0), k[5]) << k[3] << " by " << k[4] << " loop " << k[0];
        EXPECT_TRUE(c.flgChanged(0)) << "every step marks the item, even one that changes nothing";
    }
}

TEST_F(ConsoleTest, SignedEepromBytesAreTwosComplement)
{
    const int16_t cases[][4] = {   // signed, Min, byte, value
        {1, -128, 0xF6, -10}, {1, -128, 0x80, -128}, {1, -128, 0x7F, 127}, {1, 0, 0xF6, 0} /* clamped */,
        {0, 0, 0xF6, 246},
    };
    c.setEeAdr(0, 0x055);
    for (const auto& k : cases) {
        c.setMin(0, k[1]);
        c.setEeDataSigned(0, k[0] != 0);
        eep.WriteByte(0x055, static_cast<uint8_t>(k[2]));
        c.ReadFromEe(0);
        EXPECT_EQ(c.Value(0), k[3]) << k[2];
    }
    c.setMin(0, -128);
    c.setValue(0, -10);
    c.WriteToEe(0);
    EXPECT_EQ(eep.ReadByte(0x055), 0xF6);
}

TEST_F(ConsoleTest, EnterMarksTheLastItemAndRunsOnlyWithAnEvent)
{
    c.EnterPushed(0);
    c.EnterPushed(1);
    EXPECT_FALSE(c.flgEnterOn(0));
    const int writes = list.writes;
    c.EnterExec(1);   // no Enter event
    EXPECT_TRUE(rx.calls.empty()) << "neither pressing Enter nor executing it without an event calls anybody";
    EXPECT_EQ(list.writes, writes);
    EXPECT_TRUE(c.flgEnterOn(1)) << "the mark is the model's to clear";

    c.setValue(1, 42);
    c.setEvent_Enter(1, 7);
    c.EnterExec(1);
    ASSERT_EQ(rx.calls.size(), 1u);
    EXPECT_EQ(rx.calls[0].text, "e1/7/42");
    EXPECT_EQ(list.line(1), ":  42 [###-----------------]") << "the handler's change shows";
}
