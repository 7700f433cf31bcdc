// Console actions: stepping, EEPROM transfer, the live adjustment command as
// it appears on the wire, and the Enter key.
#include <gtest/gtest.h>

#include "link/Common.h"
#include "platform/MemoryControls.h"
#include "tests/console/ConsoleTestSupport.h"

namespace {

struct ConsoleActions : ::testing::Test {
    ConsoleActions()
    {
        console.myListBox = &list;
        console.myEventClass = &rx;
        console.myOrb5Seq = &wire.seq;
        console.myEeprom = &eep;
        console.AddItem();
        console.AddItem();
    }
    Wire wire;
    clsCmcEeprom& eep = wire.radio.eepImage();
    platform::MemoryListBox list;
    RecordingReceiver rx;
    clsConsole console;
};

}  // namespace

TEST_F(ConsoleActions, SteppingClampsAtTheEndsOrWraps)
{
    struct Case {
        const char* what;
        bool loop;
        int16_t min, max, start, step, expect;
    };
    const Case cases[] = {
        {"+5 one below Max stops at Max", false, 10, 20, 19, 5, 20},
        {"-5 just above Min stops at Min", false, 10, 20, 12, -5, 10},
        {"+1 at Max stays", false, 10, 20, 20, 1, 20},
        {"looping +1 at Max wraps to Min", true, 10, 20, 20, 1, 10},
        {"looping -1 at Min wraps to Max", true, 10, 20, 10, -1, 20},
        {"looping +5 at Max drops the rest of the step", true, 10, 20, 20, 5, 10},
        {"looping +5 below Max clamps", true, 10, 20, 18, 5, 20},
        {"no 16-bit overflow", false, 0, 32767, 32765, 5, 32767},
    };
    for (const Case& c : cases) {
        console.setMax(0, c.max);
        console.setMin(0, c.min);
        console.setLoopVal(0, c.loop);
        console.setValue(0, c.start);
        console.setflgChanged(0, false);
        console.UpDown(0, c.step);
        EXPECT_EQ(console.Value(0), c.expect) << c.what;
        EXPECT_TRUE(console.flgChanged(0)) << c.what << ": every step marks the item";
    }
}

TEST_F(ConsoleActions, SignedEepromBytesReadAndWriteInTwosComplement)
{
    struct Case {
        bool isSigned;
        int16_t min;
        uint8_t byte;
        int16_t expect;
    };
    const Case cases[] = {
        {true, -128, 0xF6, -10}, {true, -128, 0x80, -128}, {true, -128, 0x7F, 127},
        {true, 0, 0xF6, 0},   // -10, then clamped
        {false, 0, 0xF6, 246},
    };
    console.setEeAdr(0, 0x055);
    for (const Case& c : cases) {
        console.setMin(0, c.min);
        console.setEeDataSigned(0, c.isSigned);
        eep.WriteByte(0x055, c.byte);
        console.setflgChanged(0, false);
        console.ReadFromEe(0);
        EXPECT_EQ(console.Value(0), c.expect) << int(c.byte);
        EXPECT_TRUE(console.flgChanged(0)) << "a value read is sent at the next push";
    }
    console.setMin(0, -128);
    console.setValue(0, -10);
    console.WriteToEe(0);
    EXPECT_EQ(eep.ReadByte(0x055), 0xF6);

    eep.WriteByte(0x055, 0x33);
    console.setEeAdr(0, -1);   // no EEPROM byte: nothing moves either way
    console.ReadFromEe(0);
    console.WriteToEe(0);
    EXPECT_EQ(console.Value(0), -10);
    EXPECT_EQ(eep.ReadByte(0x055), 0x33);
}

TEST_F(ConsoleActions, AdjustmentCommandOnTheWire)
{
    struct Case {
        int16_t command, value;
        int32_t wait;
        const char* payload;
    };
    const Case cases[] = {
        {0x05, 10, 200, "053041"},   // 0A: the characters 0 and A
        {0x12, 200, 200, "124338"},  // C8
        {0x0D, 127, 200, "0D3746"},
        {0x00, 1, 200, "003031"},
        {0x06, 0, 500, "063030"},
        {0x09, 255, 0, "094646"},
    };
    for (const Case& c : cases) {
        Wire w;   // a fresh line each time: the previous frame still waits for its echo
        RecordingReceiver r;
        clsConsole con;
        con.myEventClass = &r;
        con.myOrb5Seq = &w.seq;
        con.myEeprom = &w.radio.eepImage();
        con.AddItem();
        con.setE8Command(0, c.command);
        con.setEeAdr(0, 0x082);
        con.setWaitAfterE8(0, c.wait);
        con.setValue(0, c.value);

        con.SendE8(0);
        ASSERT_EQ(w.port.written.size(), 1u) << c.payload;
        EXPECT_EQ(w.port.written[0], HexStrToByteStr(std::string("FEFEEEEFE853140100") + c.payload + "FD"));
        EXPECT_EQ(r.waits, std::vector<int32_t>{c.wait}) << c.payload;
        EXPECT_EQ(w.radio.eepImage().ReadByte(0x082), c.value) << c.payload;
    }
}

TEST_F(ConsoleActions, ItemWithoutCommandSendsNothingButKeepsTheEepromInStep)
{
    console.setEeAdr(0, 0x113);
    console.setValue(0, 99);
    console.SendE8(0);
    EXPECT_TRUE(wire.port.written.empty());
    EXPECT_TRUE(rx.waits.empty());
    EXPECT_EQ(eep.ReadByte(0x113), 99);
}

TEST_F(ConsoleActions, SendEventHandsTheItemToTheReceiverInsteadOfAFrame)
{
    console.setE8Command(1, 0x00);
    console.setEvent_SendE8(1, 0);
    console.setEeAdr(1, 0x200);
    console.setValue(1, 3);
    rx.calls.clear();

    console.SendE8(1);
    EXPECT_TRUE(wire.port.written.empty());
    ASSERT_EQ(rx.calls.size(), 1u);
    EXPECT_EQ(rx.calls[0].handler, 's');
    EXPECT_EQ(rx.calls[0].index, 1);
    EXPECT_EQ(rx.calls[0].evNo, 0);
    EXPECT_EQ(rx.calls[0].val, 3);
    EXPECT_TRUE(rx.waits.empty()) << "the receiver decides about waiting itself";
    EXPECT_EQ(eep.ReadByte(0x200), 3);
}

TEST_F(ConsoleActions, EnterMarksTheLastItemAndWaitsForTheModel)
{
    console.EnterPushed(0);
    console.EnterPushed(1);
    EXPECT_FALSE(console.flgEnterOn(0));
    EXPECT_TRUE(console.flgEnterOn(1));
    EXPECT_TRUE(rx.calls.empty()) << "pressing Enter calls nobody";

    const int writes = list.writes;
    console.EnterExec(1);   // no Enter event
    EXPECT_TRUE(rx.calls.empty());
    EXPECT_EQ(list.writes, writes);
    EXPECT_TRUE(console.flgEnterOn(1)) << "the mark is the model's to clear";
}

TEST_F(ConsoleActions, EnterExecCallsTheReceiverThenRedrawsTheLine)
{
    console.setValue(1, 42);
    console.setEvent_Enter(1, 7);
    console.EnterExec(1);
    ASSERT_EQ(rx.calls.size(), 1u);
    EXPECT_EQ(rx.calls[0].handler, 'e');
    EXPECT_EQ(rx.calls[0].index, 1);
    EXPECT_EQ(rx.calls[0].evNo, 7);
    EXPECT_EQ(rx.calls[0].val, 42);
    EXPECT_EQ(list.line(1), ":  42 [###-----------------]") << "the handler's change shows";
}
