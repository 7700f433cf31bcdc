// Console items: the text of a line, the limits and the order of the side
// effects of property writes.
#include <gtest/gtest.h>

#include "tests/console/ConsoleTestSupport.h"

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
