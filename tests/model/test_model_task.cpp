// The model's task over the whole program on in-memory parts: connect, load,
// push, waits, buttons and window state, readouts and their errors.
#include <gtest/gtest.h>

#include "tests/model/ModelBench.h"

TEST(ModelTask, ConnectReadsLoadsPushesAndCycles)
{
    ModelBench b;
    const int bytes[][2] = {{0x082, 11}, {0x081, 12}, {0x080, 13}, {0x043, 14}, {0x051, 14}, {0x04A, 14},
                            {0x042, 200}, {0x049, 100}, {0x033, 17}, {0x113, 18}, {0x087, 19}, {0x034, 20},
                            {0x035, 21}, {0x03C, 22}, {0x03D, 23}, {0x088, 128}, {0x089, 51}};
    for (const auto& v : bytes)
        b.trx.image[static_cast<size_t>(v[0])] = static_cast<uint8_t>(v[1]);
    b.putChannel(5, 145460000, 145460000);
    b.app.mainWindow().cmd00_Click(0);
    b.tick();
    EXPECT_EQ(b.m.taskState, 2) << "states 1 and 2 in one call; the model query ends it";
    ASSERT_TRUE(b.runUntil([&] { return b.m.taskState != 2; }));
    EXPECT_EQ(b.m.taskState, 3) << "the load and the first request in one call";
    EXPECT_EQ(b.port.written.back(), HexStrToByteStr("FEFEEEEFE85314010103" "3030" "FD"));
    ASSERT_TRUE(b.runUntil([&] { return b.m.taskState == 28; }));
    // Main readouts, adjust mode, every item in console order (channel 5 is
    // the only one: number 6; MOD ratio 255*100/200 sent as 200*128/255),
    // then the first cycle reads every channel.
    EXPECT_EQ(b.commands(0, true), "03:0 03:3 03:5 03:4 03:0 02:1 "
                                   "00:6 09:11 0A:12 0B:13 10:14 0C:200 0D:100 0F:17 08:18 05:19 13:20 14:21 06:22 07:23 "
                                   "03:0 03:3 03:5 03:4 03:0 03:16 03:17 03:18 03:19 03:12 03:13 03:14 03:11 03:15");
    EXPECT_EQ(std::count(b.port.written.begin(), b.port.written.end(), HexStrToByteStr("FEFEEEEFE8531401010331" "33FD")), 1)
        << "code 0x13 goes as the characters 1 and 3";
    EXPECT_EQ(b.con.Value(b.m.idxLvRx), 128);
    EXPECT_EQ(b.con.Value(b.m.idxLvTx), 51);
    const size_t frames = b.port.written.size();
    for (int i = 0; i < 3; ++i) {
        b.tick();
        EXPECT_EQ(b.m.taskState, 28) << "one whole cycle per call";
    }
    EXPECT_EQ(b.port.written.size(), frames);
}

TEST(ModelTask, ProgressDuringTheReadAndTheFirstStates)
{
    ModelBench b;
    b.bytesPerTick = 48;   // the line rate
    auto cells = [&] {
        const std::string c = b.win.lblProgress.caption();
        const size_t n = std::min(c.find_first_not_of('o'), c.size());
        return c.size() == 32 && c.find_first_not_of('.', n) == std::string::npos ? static_cast<int>(n) : -1;
    };
    std::vector<int> read, after;
    b.app.mainWindow().cmd00_Click(0);
    ASSERT_TRUE(b.runUntil([&] {
        std::vector<int>& seen = b.m.taskState == 2 ? read : after;
        if (seen.empty() || seen.back() != cells())
            seen.push_back(cells());
        return b.m.taskState >= 10;
    }));
    // Blank after the reset, then Int(lastEeAdr / 8160 * 33) step by step.
    ASSERT_GE(read.size(), 20u);
    EXPECT_EQ(read[0], -1);
    EXPECT_TRUE(std::is_sorted(read.begin() + 1, read.end()));
    EXPECT_EQ(read.back(), 32);
    // States 3..9 give Int((state - 2) / 7 * 32) when they start a call;
    // state 8 runs on in the call that ends state 7.
    EXPECT_EQ(after, (std::vector<int>{32, 4, 9, 13, 18, 22, 32}));
}

TEST(ModelTask, ChangedItemsGoOutOnePerPassWithTheirCouplings)
{
    struct Case {
        bool mid;
        int16_t item, value;
        const char* commands;
        std::vector<std::pair<int, int>> bytes;   // image afterwards
    };
    // " CTCS/DTCS" (item 7) is changed too: it follows, and replaces nothing.
    const Case cases[] = {
        {false, 5, 200, "0C:200 0D:100 0F:30", {{0x042, 200}, {0x049, 100}}},   // MOD W: the ratio (128) again
        {false, 4, 80, "10:80 12:80 10:80 11:80 10:80 0F:30", {{0x043, 80}, {0x051, 80}, {0x04A, 80}}},
        {true, 4, 80, "12:80 11:80 12:80 0F:30", {{0x043, 50}, {0x051, 80}, {0x04A, 80}}},
    };
    for (const Case& c : cases) {
        ModelBench b;
        b.trx.image[0x140] = c.mid ? 0x80 : 0;
        for (int adr : {0x043, 0x051, 0x04A})
            b.trx.image[static_cast<size_t>(adr)] = 50;
        b.trx.image[0x042] = 100;
        b.trx.image[0x049] = 50;   // ratio 128
        ASSERT_TRUE(b.connect() && b.settle());
        const size_t from = b.trx.commands.size();
        b.con.setValue(c.item, c.value);
        b.con.setValue(7, 30);
        ASSERT_TRUE(b.settle());
        EXPECT_EQ(b.commands(from), c.commands);
        for (const auto& [adr, v] : c.bytes)
            EXPECT_EQ(b.app.radio().eepImage().ReadByte(adr), v) << std::hex << adr;
    }
}

TEST(ModelTask, NothingRunsWhileTheWaitAfterACommandCounts)
{
    ModelBench b;
    ASSERT_TRUE(b.connect());
    auto at = [&](int sub) {
        for (size_t i = 0; i < b.port.written.size(); ++i)
            if (b.port.written[i][4] == 0xE8 && b.port.written[i][9] == sub)
                return b.writtenAt[i];
        return 0u;
    };
    // No wait after the channel frame, 200 ms after a plain item, 500 after LVA.
    EXPECT_LT(at(0x09) - at(0x00), 200u);
    EXPECT_GE(at(0x0A) - at(0x09), 200u);
    EXPECT_GE(at(0x07) - at(0x06), 500u);
}

TEST(ModelTask, ButtonsAndWindowFollowTheState)
{
    ModelBench b;
    frmMain& w = b.app.mainWindow();
    auto state = [&] {
        std::string s;
        for (int i : {0, 1, 3})
            s += b.win.fra01[i].vis ? 'F' : 'f';
        for (const auto& c : b.win.cmd00)
            s += c.en ? 'B' : 'b';
        return s + (b.win.cmd00[2].isDefault ? 'D' : 'd') + (b.win.cmd00[2].isCancel ? 'C' : 'c');
    };
    b.tick();
    EXPECT_EQ(state(), "FffBbbdc");
    w.cmd00_Click(1);
    w.cmd00_Click(2);
    EXPECT_FALSE(b.m.reloadRequest || b.m.dispParaRequest) << "nothing to reload or show yet";
    ASSERT_TRUE(b.connect());
    b.ticks(10);
    EXPECT_EQ(state(), "fFfBBBdc");
    EXPECT_EQ(b.win.lboConsole.focusCount, 1) << "only when the console appears";

    const size_t from = b.trx.commands.size();
    w.cmd00_Click(1);   // the next cycle reads every channel, the one after none
    ASSERT_TRUE(b.settle());
    b.ticks(5);
    EXPECT_EQ(b.commands(from, true), "03:0 03:3 03:5 03:4 03:0 03:16 03:17 03:18 03:19 03:12 03:13 03:14 03:11 03:15");

    w.cmd00_Click(2);
    b.ticks(5);
    EXPECT_EQ(b.m.taskState, 29);
    EXPECT_EQ(state(), "ffFbbBDC");
    EXPECT_EQ(b.win.txtDispPara.assignments, 1);
    w.cmd00_Click(1);
    EXPECT_FALSE(b.m.reloadRequest);
    w.cmd00_Click(2);
    b.tick();
    EXPECT_EQ(state(), "fFfBBBdc");
    EXPECT_EQ(b.win.cmd00[2].focusCount, 1);
    EXPECT_EQ(b.win.lboConsole.focusCount, 2);
}

TEST(Readouts, LinesShowDecimalHexAndThePhysicalValue)
{
    ModelBench b;
    int temp = 128;
    b.trx.adReading = [&](int code) {
        const int v[] = {200, 0, 0, temp, 10, 200, 0, 0, 0, 0, 0, 0, 0, 255, 0, 128, 255, 0, 0, 0};
        return v[code];
    };
    ASSERT_TRUE(b.connect());
    const std::vector<std::string> main = {"[A/D]", "VIN  :200:C8h:  7.84V", "TEMPS:128:80h: 9.27'C",
                                           "LVIN :200:C8h:  3.92V", "SD   : 10:0Ah:  0.20V", ""};
    EXPECT_EQ(b.win.lbo01[0].lines, main);
    EXPECT_EQ(b.win.lbo01[1].line(1), "BPF T1 :255:FFh:  5.00V");
    EXPECT_EQ(b.win.lbo01[1].line(4), "RX LVA :  0:00h:  0.00V") << "a first 0 is shown";
    EXPECT_EQ(b.win.lbo01[1].line(6), "MOD BAL:255:FFh:100.00%");
    EXPECT_EQ(b.win.lbo01[1].line(9), "SQL Lev:128:80h: 50.20%");
    // Unchanged readings leave the lists alone; a change rewrites its line.
    const std::pair<int, const char*> temps[] = {
        {128, nullptr}, {200, "TEMPS:200:C8h:37.41'C"}, {0, "TEMPS:  0:00h:*Error"}, {255, "TEMPS:255:FFh:*Error"}};
    for (const auto& t : temps) {
        temp = t.first;
        const int writes = b.win.lbo01[0].writes + b.win.lbo01[1].writes;
        b.app.mainWindow().cmd00_Click(1);
        ASSERT_TRUE(b.settle());
        EXPECT_EQ(b.win.lbo01[0].writes + b.win.lbo01[1].writes, writes + (t.second ? 1 : 0));
        EXPECT_EQ(b.win.lbo01[0].line(2), t.second ? t.second : main[2]);
    }
    EXPECT_FALSE(b.m.adError) << "a thermistor at a rail is no readout error";
}

TEST(Readouts, MalformedAnswerIsReportedAndResetsTheModel)
{
    const std::pair<const char*, bool> answers[] = {
        {"531401010334", true},     {"5314010103343131", true}, {"53150101033431", true},
        {"53140100033431", true},   {"53140101034730", true},   {"53140101032033", true},
        {"53140101036338", false},  // lower-case c8 is a good answer
    };
    for (const auto& a : answers) {
        SCOPED_TRACE(a.first);
        ModelBench b;
        b.trx.image[0x082] = 100;
        ASSERT_TRUE(b.connect() && b.settle());
        // The report resets the model, which blanks the lists; until then no
        // line may have been written.
        const int writes = b.win.lbo01[0].writes + b.win.lbo01[1].writes;
        int writesAtReport = -1;
        b.win.msgBox.onShow = [&](const auto&) { writesAtReport = b.win.lbo01[0].writes + b.win.lbo01[1].writes; };
        b.adAnswer = [&](int) { return HexStrToByteStr(a.first); };
        b.app.mainWindow().cmd00_Click(1);
        b.ticks(30);
        if (!a.second) {
            EXPECT_TRUE(b.win.msgBox.shown.empty());
            EXPECT_EQ(b.win.lbo01[0].line(1), "VIN  :200:C8h:  7.84V");
            continue;
        }
        ASSERT_EQ(b.win.msgBox.shown.size(), 1u);
        EXPECT_EQ(b.win.msgBox.shown[0].text.rfind("Communication failed.\r\n", 0), 0u);
        EXPECT_EQ(writesAtReport, writes);
        EXPECT_EQ(b.m.taskState, 0);
        EXPECT_EQ(b.con.Value(1), 0);
        EXPECT_TRUE(b.win.fra01[0].vis);
        const size_t frames = b.port.written.size();
        b.ticks(20);
        EXPECT_EQ(b.port.written.size(), frames) << "idle until the next Connect";
    }
}
