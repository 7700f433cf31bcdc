// Console actions: stepping, EEPROM transfer and the Enter key. (The
// adjustment command on the wire, its wait and its EEPROM byte are the
// model's tests, over every item.)
#include <gtest/gtest.h>

#include "tests/console/ConsoleTestSupport.h"

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
