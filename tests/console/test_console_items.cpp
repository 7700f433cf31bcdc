// Console items: defaults, the text of a line, limits and the order of the
// side effects of property writes.
#include <gtest/gtest.h>

#include "platform/MemoryControls.h"
#include "tests/console/ConsoleTestSupport.h"

namespace {

std::string bar(int filled)
{
    return " [" + std::string(static_cast<size_t>(filled), '#') + std::string(static_cast<size_t>(20 - filled), '-') + "]";
}

struct ConsoleItems : ::testing::Test {
    ConsoleItems()
    {
        console.myListBox = &list;
        console.AddItem();
    }
    platform::MemoryListBox list;
    RecordingReceiver rx;
    clsConsole console;
};

}  // namespace

TEST_F(ConsoleItems, NewItemHasTheDefaultsAndShowsZero)
{
    EXPECT_EQ(console.Title(0), "");
    EXPECT_EQ(console.Value(0), 0);
    EXPECT_EQ(console.Min(0), 0);
    EXPECT_EQ(console.Max(0), 255);
    EXPECT_EQ(console.WaitAfterE8(0), 200);
    EXPECT_EQ(console.EeAdr(0), -1);
    EXPECT_EQ(console.E8Command(0), -1);
    for (int16_t ev : {console.Event_Disp(0), console.Event_Changed(0), console.Event_SendE8(0), console.Event_Enter(0)})
        EXPECT_EQ(ev, -1);
    for (bool f : {console.BarExist(0), console.LoopVal(0), console.EeDataSigned(0), console.flgChanged(0), console.flgEnterOn(0)})
        EXPECT_FALSE(f);
    EXPECT_EQ(list.lines, std::vector<std::string>{":   0"});
}

TEST_F(ConsoleItems, ValueFieldIsFourCharactersRightAligned)
{
    const std::pair<int16_t, const char*> cases[] = {
        {5, "  REF:   5"}, {255, "  REF: 255"}, {-3, "  REF:  -3"}, {-999, "  REF:-999"}, {9999, "  REF:9999"},
        {-1000, "  REF:1000"},   // five characters: the sign is cut off
        {12345, "  REF:2345"},
    };
    console.setMin(0, -32768);
    console.setMax(0, 32767);
    console.setTitle(0, "  REF");
    for (const auto& [value, line] : cases) {
        console.setValue(0, value);
        EXPECT_EQ(list.line(0), line) << value;
    }
}

TEST_F(ConsoleItems, BarGraphFillsTwentyCellsRoundingHalvesToEven)
{
    struct Case {
        int16_t min, max, value;
        int filled;
    };
    const Case cases[] = {
        {0, 255, 0, 0}, {0, 255, 255, 20}, {0, 255, 128, 10} /* 10.04 */, {0, 255, 134, 11} /* 10.51 */,
        {0, 8, 1, 2} /* 2.5 */, {0, 8, 3, 8} /* 7.5 */, {0, 8, 5, 12} /* 12.5 */,
        {-40, 40, -38, 0} /* 0.5 */, {-40, 40, -34, 2} /* 1.5 */, {100, 140, 101, 0} /* 0.5 */,
    };
    console.setTitle(0, " Power(Hi)");
    console.setBarExist(0, true);
    for (const Case& c : cases) {
        console.setMin(0, -32768);
        console.setMax(0, c.max);
        console.setMin(0, c.min);
        console.setValue(0, c.value);
        EXPECT_EQ(console.BarString(0), bar(c.filled)) << c.min << ".." << c.max << " at " << c.value;
    }
    console.setMin(0, 0);
    console.setMax(0, 255);
    console.setValue(0, 128);
    EXPECT_EQ(list.line(0), " Power(Hi): 128" + bar(10));
}

TEST_F(ConsoleItems, ValueWriteClampsAndAlwaysMarksButRedrawsOnlyOnChange)
{
    console.setValue(0, 300);
    EXPECT_EQ(console.Value(0), 255);
    EXPECT_TRUE(console.flgChanged(0));
    EXPECT_EQ(list.line(0), ": 255");

    console.setflgChanged(0, false);
    console.setValue(0, 300);   // the same write again
    EXPECT_EQ(list.line(0), ": 255");
    EXPECT_TRUE(console.flgChanged(0));

    console.setflgChanged(0, false);
    const int writes = list.writes;
    console.setValue(0, 255);
    EXPECT_EQ(list.writes, writes) << "an unchanged value draws nothing";
    EXPECT_TRUE(console.flgChanged(0));
}

TEST_F(ConsoleItems, SideEffectsOfWritesComeInTheirOrder)
{
    console.myEventClass = &rx;
    console.setEvent_Disp(0, 9);

    rx.calls.clear();
    console.setValue(0, 300);   // clamp, draw, then mark
    ASSERT_FALSE(rx.calls.empty());
    for (const auto& c : rx.calls)
        EXPECT_TRUE(c.val == 255 && !c.changedThen) << "drawn with " << c.val << ", marked " << c.changedThen;
    EXPECT_EQ(list.line(0), "ev9=255");

    console.setflgChanged(0, false);
    rx.calls.clear();
    console.setflgChanged(0, true);   // mark, then draw
    ASSERT_EQ(rx.calls.size(), 1u);
    EXPECT_TRUE(rx.calls[0].changedThen);

    console.setflgChanged(0, false);
    console.setMax(0, 50);
    console.setValue(0, 10);
    console.setflgChanged(0, false);
    rx.calls.clear();
    console.setMin(0, 60);   // Max follows Min before the value is pulled up and drawn
    EXPECT_EQ(console.Max(0), 60);
    EXPECT_EQ(console.Value(0), 60);
    ASSERT_FALSE(rx.calls.empty());
    for (const auto& c : rx.calls)
        EXPECT_EQ(c.maxThen, 60);
    EXPECT_FALSE(console.flgChanged(0)) << "a limit write does not mark the item";

    console.setMax(0, 40);   // Min follows Max down
    EXPECT_EQ(console.Min(0), 40);
    EXPECT_EQ(console.Value(0), 40);
}

TEST_F(ConsoleItems, ClearThenOneItemLeavesOneLine)
{
    for (int k = 0; k < 4; ++k)
        console.AddItem();
    console.setValue(2, 77);
    console.Clear();
    EXPECT_EQ(console.ListCount(), 0);
    EXPECT_EQ(list.count(), 0);
    console.AddItem();
    EXPECT_EQ(console.ListCount(), 1);
    EXPECT_EQ(list.lines, std::vector<std::string>{":   0"});
}

TEST_F(ConsoleItems, IndexOutsideTheListIsIgnored)
{
    console.setValue(1, 10);   // the spare record
    console.setValue(-1, 10);
    console.UpDown(5, 1);
    EXPECT_EQ(console.ListCount(), 1);
    EXPECT_EQ(list.count(), 1);
    EXPECT_EQ(console.Max(7), 255);
}
