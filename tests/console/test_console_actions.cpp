// Console actions: stepping, EEPROM transfer, the adjustment command as it
// appears on the wire, and the Enter key.
#include <gtest/gtest.h>

#include "link/Common.h"
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

TEST_F(ConsoleTest, CommandFrameCarriesTheValueAsHexCharacters)
{
    const std::tuple<int16_t, int16_t, int32_t, const char*> cases[] = {   // command, value, wait, payload
        {0x05, 10, 200, "053041"}, {0x12, 200, 200, "124338"}, {0x0D, 127, 500, "0D3746"}, {0x09, 255, 0, "094646"},
    };
    for (const auto& [command, value, wait, payload] : cases) {
        ConsoleRig r;   // a fresh line: the previous frame would still wait for its echo
        r.c.setE8Command(0, command);
        r.c.setEeAdr(0, 0x082);
        r.c.setWaitAfterE8(0, wait);
        r.c.setValue(0, value);
        r.c.SendE8(0);
        ASSERT_EQ(r.port.written.size(), 1u) << payload;
        EXPECT_EQ(r.port.written[0], HexStrToByteStr(std::string("FEFEEEEFE853140100") + payload + "FD"));
        EXPECT_EQ(r.rx.waits, std::vector<int32_t>{wait}) << payload;
        EXPECT_EQ(r.eep.ReadByte(0x082), value) << payload;
    }
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
