// The model object's item table, its reset and its small operations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "link/Common.h"
#include "model/clsIndOp_RigTavik.h"
#include "platform/MemoryControls.h"
#include "tests/console/ConsoleTestSupport.h"

namespace {

// The transceiver's adjustment points in console order, as itemText shows
// them: title, limits, EEPROM address and command (hexadecimal, - for none),
// bar, loop, the four event numbers, wait, value, signed, flgChanged and
// flgEnterOn.
const char* const kExpected[18] = {
    "'    CH No.' 0..0 ee=- e8=00 bar=0 loop=1 ev=0/-1/0/-1 wait=200 v=0 sig=0 flags=00",
    "' Power(Hi)' 0..255 ee=082 e8=09 bar=1 loop=0 ev=-1/-1/-1/-1 wait=200 v=0 sig=0 flags=00",
    "' Power(L2)' 0..255 ee=081 e8=0A bar=1 loop=0 ev=-1/-1/-1/-1 wait=200 v=0 sig=0 flags=00",
    "' Power(L1)' 0..255 ee=080 e8=0B bar=1 loop=0 ev=-1/-1/-1/-1 wait=200 v=0 sig=0 flags=00",
    "'       BAL' 0..255 ee=043 e8=10 bar=1 loop=0 ev=-1/-1/-1/-1 wait=200 v=0 sig=0 flags=00",
    "'     MOD W' 0..255 ee=042 e8=0C bar=1 loop=0 ev=-1/-1/-1/-1 wait=200 v=0 sig=0 flags=00",
    "' MOD Ratio' 0..255 ee=- e8=- bar=1 loop=0 ev=-1/-1/-1/-1 wait=200 v=0 sig=0 flags=00",
    "' CTCS/DTCS' 0..255 ee=033 e8=0F bar=1 loop=0 ev=-1/-1/-1/-1 wait=200 v=0 sig=0 flags=00",
    "'       SQL' 0..255 ee=113 e8=08 bar=1 loop=0 ev=-1/-1/-1/-1 wait=200 v=0 sig=0 flags=00",
    "'       REF' 0..255 ee=087 e8=05 bar=1 loop=0 ev=-1/-1/-1/-1 wait=200 v=0 sig=0 flags=00",
    "'   BPF ALL' 0..255 ee=- e8=- bar=0 loop=0 ev=2/-1/-1/7 wait=200 v=0 sig=0 flags=00",
    "'    BPF T1' 0..255 ee=034 e8=13 bar=1 loop=0 ev=3/-1/-1/3 wait=200 v=0 sig=0 flags=00",
    "'    BPF T2' 0..255 ee=035 e8=14 bar=1 loop=0 ev=3/-1/-1/4 wait=200 v=0 sig=0 flags=00",
    "'    RX LVA' 0..255 ee=03C e8=06 bar=1 loop=0 ev=6/-1/-1/8 wait=500 v=0 sig=0 flags=00",
    "'    TX LVA' 0..255 ee=03D e8=07 bar=1 loop=0 ev=6/-1/-1/9 wait=500 v=0 sig=0 flags=00",
    "'LV(RX LVA)' 0..255 ee=- e8=- bar=1 loop=0 ev=7/-1/-1/-1 wait=200 v=0 sig=0 flags=00",
    "'LV(TX LVA)' 0..255 ee=- e8=- bar=1 loop=0 ev=7/-1/-1/-1 wait=200 v=0 sig=0 flags=00",
    "'      RSSI' 0..255 ee=- e8=- bar=0 loop=0 ev=4/-1/-1/1 wait=200 v=0 sig=0 flags=00",
};

struct ModelRig : ::testing::Test {
    ModelRig()
    {
        win.lboConsole = &lboConsole;
        win.lbo01[0] = &lbo0;
        win.lbo01[1] = &lbo1;
        win.lblProgress = &progress;
        win.txtDispPara = &para;
        for (int i = 0; i < 4; ++i)
            win.fra01[i] = &fra[i];
        for (int i = 0; i < 3; ++i)
            win.cmd00[i] = &cmd[i];
        win.beeper = &beeper;
        model = std::make_unique<clsIndOp_RigTavik>(wire.seq, wire.radio, win, wire.clock);
    }
    clsConsole& console() { return model->myConsole; }
    // One item as text, for a readable comparison with the table.
    std::string itemText(int16_t i)
    {
        const clsConsole& c = model->myConsole;
        char ee[8] = "-";
        char e8[8] = "-";
        if (c.EeAdr(i) >= 0)
            std::snprintf(ee, sizeof ee, "%03X", static_cast<unsigned>(c.EeAdr(i)));
        if (c.E8Command(i) >= 0)
            std::snprintf(e8, sizeof e8, "%02X", static_cast<unsigned>(c.E8Command(i)));
        char buf[160];
        std::snprintf(buf, sizeof buf, "'%s' %d..%d ee=%s e8=%s bar=%d loop=%d ev=%d/%d/%d/%d wait=%d v=%d sig=%d flags=%d%d",
                      c.Title(i).c_str(), c.Min(i), c.Max(i), ee, e8, c.BarExist(i), c.LoopVal(i), c.Event_Disp(i),
                      c.Event_Changed(i), c.Event_SendE8(i), c.Event_Enter(i), c.WaitAfterE8(i), c.Value(i),
                      c.EeDataSigned(i), c.flgChanged(i), c.flgEnterOn(i));
        return buf;
    }
    void expectFreshTable()
    {
        ASSERT_EQ(model->myConsole.ListCount(), 18);
        ASSERT_EQ(lboConsole.count(), 18);
        for (int16_t i = 0; i < 18; ++i)
            EXPECT_EQ(itemText(i), kExpected[i]) << "item " << i;
        const clsIndOp_RigTavik& m = *model;
        const int16_t idx[] = {m.idxChNo, m.idxBal, m.idxModW, m.idxModRatio, m.idxBpfRun,
                               m.idxBpfT1, m.idxRxLva, m.idxLvRx, m.idxLvTx, m.idxRssi};
        const int16_t expect[] = {0, 4, 5, 6, 10, 11, 13, 15, 16, 17};
        for (int k = 0; k < 10; ++k)
            EXPECT_EQ(idx[k], expect[k]) << "index field " << k;
    }

    Wire wire;
    platform::MemoryListBox lboConsole, lbo0, lbo1;
    platform::MemoryLabel progress;
    platform::MemoryTextBox para;
    platform::MemoryFrame fra[4];
    platform::MemoryButton cmd[3];
    platform::MemoryBeeper beeper;
    RigWindow win;
    std::unique_ptr<clsIndOp_RigTavik> model;
};

}  // namespace

TEST_F(ModelRig, CreationBuildsTheItemTable)
{
    expectFreshTable();
    // Plain items are drawn by the console itself into the window's list.
    EXPECT_EQ(lboConsole.line(1), " Power(Hi):   0 [--------------------]");
    EXPECT_EQ(lboConsole.line(9), "       REF:   0 [--------------------]");
}

TEST_F(ModelRig, SecondResetGivesTheSameTableAndForgetsEverything)
{
    clsConsole& c = console();
    clsIndOp_RigTavik& m = *model;
    // What a load, editing and a running sweep leave behind.
    c.setEeAdr(m.idxBal, 0x051);   // Mid load
    c.setE8Command(m.idxBal, 0x12);
    c.setEeAdr(m.idxModW, 0x050);
    c.setE8Command(m.idxModW, 0x0E);
    c.setMax(m.idxChNo, 12);
    c.setValue(m.idxChNo, 5);
    c.setValue(3, 99);                // unsent change
    c.setWaitAfterE8(m.idxBpfT1, 0);  // sweep in progress
    c.setWaitAfterE8(static_cast<int16_t>(m.idxRxLva + 1), 0);
    c.EnterPushed(m.idxRssi);
    m.idxBpfRun = 12;
    m.seqStep = 14;
    m.taskState = 27;
    m.stateEntered = false;
    m.dispParaRequest = m.adError = true;
    std::fill(std::begin(m.adLastMain), std::end(m.adLastMain), 77);
    std::fill(std::begin(m.adLastAdjust), std::end(m.adLastAdjust), 66);

    m.RigOpFunc_ResetAll();

    expectFreshTable();
    EXPECT_EQ(m.seqStep, 0);
    EXPECT_EQ(m.taskState, 0);
    EXPECT_TRUE(m.stateEntered);
    EXPECT_FALSE(m.dispParaRequest || m.adError);
    // Nothing shown yet (0xFFFF) on the channels in use; the unused last entries keep theirs.
    EXPECT_EQ(std::vector<int16_t>(std::begin(m.adLastMain), std::end(m.adLastMain)),
              (std::vector<int16_t>{-1, -1, -1, -1, -1, 77}));
    EXPECT_EQ(std::vector<int16_t>(std::begin(m.adLastAdjust), std::end(m.adLastAdjust)),
              (std::vector<int16_t>{-1, -1, -1, -1, -1, -1, -1, -1, -1, 66}));
}

TEST_F(ModelRig, ResetCaptionsTheWindowAndBlanksTheReadouts)
{
    lbo0.clear();
    lbo0.addLine("VIN  :200:C8h:  7.84V");
    lbo1.addLine("anything");
    progress.setCaption("oooo");
    model->RigOpFunc_ResetAll();

    EXPECT_EQ(cmd[0].caption(), "Connect");
    EXPECT_EQ(cmd[1].caption(), "Reload(F5)");
    EXPECT_EQ(cmd[2].caption(), "Disp para");
    const std::vector<std::string> ad = {"[A/D]", "----", "----", "----", "----", "----"};
    EXPECT_EQ(lbo0.lines, ad);
    std::vector<std::string> da(10, "----");
    da[0] = "[D/A]";
    EXPECT_EQ(lbo1.lines, da);
    EXPECT_EQ(progress.caption(), std::string(32, ' '));
}

TEST_F(ModelRig, EnterOnlyItemsNeverSendOrWriteTheImage)
{
    clsConsole& c = console();
    for (int16_t i : {model->idxBpfRun, model->idxRssi, model->idxModRatio, model->idxLvRx, model->idxLvTx}) {
        c.setValue(i, 5);
        c.SendE8(i);
    }
    EXPECT_TRUE(wire.port.written.empty());
    for (uint8_t b : wire.radio.eepImage().bytes())
        ASSERT_EQ(b, 0);
}

TEST_F(ModelRig, ConsoleFramesAskTheModelForTheItemsWait)
{
    clsConsole& c = console();
    c.setValue(1, 0x3C);
    c.SendE8(1);
    ASSERT_EQ(wire.port.written.size(), 1u);
    EXPECT_EQ(wire.port.written[0], HexStrToByteStr("FEFEEEEFE853140100093343FD"));
    EXPECT_EQ(model->waitE8Ms, 200);
    EXPECT_EQ(wire.radio.eepImage().ReadByte(0x082), 0x3C);

    c.SendE8(model->idxRxLva);
    EXPECT_EQ(model->waitE8Ms, 500);
}

TEST_F(ModelRig, PortNumberChangeResetsAndTheSameNumberDoesNot)
{
    clsIndOp_RigTavik& m = *model;
    m.taskState = 5;
    m.RigOpFunc_SetComPortNo(1);
    EXPECT_EQ(m.taskState, 5);

    m.RigOpFunc_SetComPortNo(3);
    EXPECT_EQ(m.myPortNo, 3);
    EXPECT_EQ(m.taskState, 0);
    EXPECT_EQ(wire.seq.ComPortNo(), 3) << "the sequencer is reset on the new port";
}

TEST_F(ModelRig, SubModelCodeMustBeAtLeast0100AsText)
{
    struct Case {
        const char* code;
        bool legal;
    };
    const Case cases[] = {
        {"0100", true}, {"0101", true}, {"0200", true}, {"0A00", true},   // A sorts after 1
        {"01000000", true},                                                 // only four characters count
        {"00FF", false}, {"0099", false}, {"", false}, {"010", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(model->RigOpFunc_CheckSubNameLegal(c.code), c.legal) << '"' << c.code << '"';
}

TEST(ModRatio, ConversionsRoundHalvesUpAndStopAt255)
{
    using M = clsIndOp_RigTavik;
    // a, b, 255a/b, ab/255
    const int16_t cases[][4] = {
        {100, 200, 128 /* 127.5 */, 78}, {200, 100, 255, 78}, {7, 7, 255, 0}, {1, 255, 1, 1},
        {10, 0, 0, 0}, {0, 10, 0, 0}, {-3, 10, 0, 0}, {200, 128, 255, 100 /* 100.39 */}, {255, 255, 255, 255},
        {1000, 1000, 255, 255},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(M::RigTavikOp_RatioToByte(c[0], c[1]), c[2]) << c[0] << "," << c[1];
        EXPECT_EQ(M::RigTavikOp_ScaleByte(c[0], c[1]), c[3]) << c[0] << "," << c[1];
    }
}

TEST(ModRatio, ScalingBackARatioGivesTheNarrowLevel)
{
    using M = clsIndOp_RigTavik;
    for (int b = 1; b <= 255; ++b)
        for (int a = 0; a <= b; ++a)
            ASSERT_EQ(M::RigTavikOp_ScaleByte(static_cast<int16_t>(b), M::RigTavikOp_RatioToByte(static_cast<int16_t>(a), static_cast<int16_t>(b))), a)
                << "a=" << a << " b=" << b;
}
