// The model's task on in-memory parts: states and calls, the push
// of changed items and its waits, readout lines and malformed answers.
#include <gtest/gtest.h>

#include "tests/model/ModelBench.h"

TEST(ModelTask, ConnectRunsTheStatesInOrderAndEachCallEndsWhereItMust)
{
    // On the real main window's task: the sequencer steps before the model
    // (an answer taken in a tick's first step lets the model send its next
    // request in the same tick), twice while an operation runs, and the port
    // status follows both.
    ModelBench b;
    Moments moments{b.m};
    b.putChannel(5, 145460000, 145460000);
    b.app.mainWindow().cmd00_Click(0);
    std::vector<std::string> perTick;   // the commands written in each tick
    for (int t = 0; t < 9; ++t) {
        const size_t before = b.port.written.size();
        b.tick();
        std::string s;
        for (size_t i = before; i < b.port.written.size(); ++i)
            s += ByteToHex2(b.port.written[i][4]);
        perTick.push_back(s);
        if (t == 0) {
            EXPECT_EQ(b.app.seq().Operation(), clsCmcOrb5Sequence::opCloneRead)
                << "states 1 and 2 in one call; the clone read ends it";
            EXPECT_TRUE(moments.seen.empty());
            EXPECT_EQ(b.win.lblComBusy.caption(), "COM 1: OPEN") << "the port the model's task opened in this tick";
        }
        if (t == 4) {
            EXPECT_EQ(moments.seen, std::vector<std::string>{"image loaded"}) << "the load and the first request in one call";
            EXPECT_EQ(b.port.written.back(), HexStrToByteStr("FEFEEEEFE85314010103" "3030" "FD"));
        }
    }
    // The query; its answer checked and two quiet steps; the read request;
    // the image read and the operation ended; then one A/D request a tick.
    EXPECT_EQ(perTick, (std::vector<std::string>{"E0", "", "E2", "", "E8", "E8", "E8", "E8", "E8"}));
    ASSERT_TRUE(b.runUntil([&] { return b.m.RigTavikProp_AtRest(); }));
    // Main readouts, adjust mode, every item in console order (channel 5 is
    // the only one: number 6), then the first cycle reads every channel
    // (code 0x13 goes as the characters 1 and 3).
    EXPECT_EQ(b.commands(0, true), "03:0 03:3 03:5 03:4 03:0 02:1 "
                                   "00:6 09:0 0A:0 0B:0 10:0 0C:0 0D:0 0F:0 08:0 05:0 13:0 14:0 06:0 07:0 "
                                   "03:0 03:3 03:5 03:4 03:0 03:16 03:17 03:18 03:19 03:12 03:13 03:14 03:11 03:15");
    const size_t frames = b.port.written.size();
    for (int i = 0; i < 3; ++i) {
        b.tick();
        EXPECT_TRUE(b.m.RigTavikProp_AtRest()) << "one whole cycle per call";
    }
    EXPECT_EQ(b.port.written.size(), frames) << "no reload asked: no readouts";
    // The waits after commands: none after the channel, 200 ms after a plain item, 500 after LVA.
    auto at = [&](int sub) {
        for (size_t i = 0; i < b.port.written.size(); ++i)
            if (b.port.written[i][4] == 0xE8 && b.port.written[i][9] == sub)
                return b.writtenAt[i];
        return 0u;
    };
    EXPECT_LT(at(0x09) - at(0x00), 200u);
    EXPECT_GE(at(0x0A) - at(0x09), 200u);
    EXPECT_GE(at(0x07) - at(0x06), 500u);
}

// What the records and the command line follow: the moments of a Connect
// that fails, and of one that ends in the parameter display.
TEST(ModelTask, TheModelAnnouncesItsMoments)
{
    struct Case { const char* name; bool answers; bool sweeping; std::vector<std::string> seen; };
    const Case cases[] = {
        {"a silent radio", false, false, {"connect failed"}},
        {"Connect, then Disp para", true, false, {"image loaded", "editing", "parameters shown"}},
        // The sweep's last value waits for the console: nothing to do until then.
        {"Disp para during a BPF sweep", true, true, {"image loaded", "editing", "parameters shown"}},
    };
    for (const Case& c : cases) {
        ModelBench b;
        Moments moments{b.m};
        b.trx.answers = c.answers;
        b.app.mainWindow().cmd00_Click(0);
        b.runUntil([&] { return b.m.RigTavikProp_EditEnabled() || !b.win.msgBox.shown.empty(); });
        if (c.sweeping) {
            b.con.EnterPushed(b.m.idxBpfT1);
            b.runUntil([&] { return b.m.RigTavikProp_AutoRunning(); });
            b.ticks(10);
        }
        b.app.mainWindow().cmd00_Click(2);
        b.runUntil([&] { return b.m.RigTavikProp_DispPara() || b.m.RigTavikProp_Idle(); });
        if (c.sweeping)   // on the line, the sweep's next value is often set when the display comes
            b.con.setflgChanged(b.m.idxBpfT1, true);
        EXPECT_EQ(moments.seen, c.seen) << c.name;
        EXPECT_EQ(b.runUntil([&] { return b.m.RigTavikProp_AtRest(); }, 40), c.answers)
            << c.name << ": the parameters shown, nothing to do";
    }
}

TEST(ModelTask, ChangedItemsGoOutOnePerPassWithTheirCouplings)
{
    // " CTCS/DTCS" (item 7) is changed too: it follows, and replaces nothing.
    const std::tuple<bool, int16_t, int16_t, const char*, const char*> cases[] = {
        // Mid, item, value, commands, image bytes 042 049 043 051 04A afterwards
        {false, 5, 200, "0C:200 0D:100 0F:30", "200 100 50 50 50"},   // MOD W: the ratio (128) again
        {false, 4, 80, "10:80 12:80 10:80 11:80 10:80 0F:30", "100 50 80 80 80"},
        {true, 4, 80, "12:80 11:80 12:80 0F:30", "100 0 50 80 80"},   // MOD W is 050 (0): ratio 0
    };
    for (const auto& [mid, item, value, commands, bytes] : cases) {
        ModelBench b;
        b.trx.image[0x140] = mid ? 0x80 : 0;
        for (int adr : {0x043, 0x051, 0x04A})
            b.trx.image[static_cast<size_t>(adr)] = 50;
        b.trx.image[0x042] = 100;
        b.trx.image[0x049] = 50;   // ratio 128
        ASSERT_TRUE(b.connect());
        EXPECT_EQ(b.con.Value(b.m.idxModRatio), mid ? 0 : 128) << "255 * 50 / 100 rounds up";
        const size_t from = b.trx.commands.size();
        b.con.setValue(item, value);
        b.con.setValue(7, 30);
        ASSERT_TRUE(b.settle());
        EXPECT_EQ(b.commands(from), commands);
        std::string image;
        for (int adr : {0x042, 0x049, 0x043, 0x051, 0x04A})
            image += (image.empty() ? "" : " ") + std::to_string(b.image(adr));
        EXPECT_EQ(image, bytes);
    }
}

TEST(Readouts, LinesShowDecimalHexAndThePhysicalValue)
{
    ModelBench b;
    int temp = 128;
    b.trx.adReading = [&](int code) {
        const int v[] = {200, 0, 0, temp, 10, 0, 0, 0, 0, 0, 0, 0, 0, 255, 0, 128, 255, 0, 0, 0};
        return v[code];
    };
    ASSERT_TRUE(b.connect());
    const std::vector<std::string> main = {"[A/D]", "VIN  :200:C8h:  7.84V", "TEMPS:128:80h: 9.27'C",
                                           "LVIN :  0:00h:  0.00V", "SD   : 10:0Ah:  0.20V", ""};
    EXPECT_EQ(b.win.lbo01[0].lines, main) << "a first 0 is shown";
    EXPECT_EQ(b.win.lbo01[1].line(4), "RX LVA :  0:00h:  0.00V");
    EXPECT_EQ(b.win.lbo01[1].line(6), "MOD BAL:255:FFh:100.00%");
    EXPECT_EQ(b.win.lbo01[1].line(9), "SQL Lev:128:80h: 50.20%");
    // Unchanged readings leave the lists alone; a change rewrites its line.
    const std::pair<int, const char*> temps[] = {
        {128, nullptr}, {200, "TEMPS:200:C8h:37.41'C"}, {0, "TEMPS:  0:00h:*Error"}, {255, "TEMPS:255:FFh:*Error"},
        {68, "TEMPS: 68:44h:-9.69'C"}, {247, "TEMPS:247:F7h:99.25'C"},   // the widest values of 7 characters
        {60, "TEMPS: 60:3Ch:-12.56'C"}, {248, "TEMPS:248:F8h:104.08'C"}};   // wider: shown whole
    for (const auto& [t, text] : temps) {
        temp = t;
        const int writes = b.win.lbo01[0].writes + b.win.lbo01[1].writes;
        b.app.mainWindow().cmd00_Click(1);
        ASSERT_TRUE(b.settle());
        EXPECT_EQ(b.win.lbo01[0].writes + b.win.lbo01[1].writes, writes + (text ? 1 : 0));
        EXPECT_EQ(b.win.lbo01[0].line(2), text ? text : main[2]);
    }
    EXPECT_FALSE(b.m.adError) << "a thermistor at a rail is no readout error";
}

TEST(Readouts, MalformedAnswerIsReportedAndResetsTheModel)
{
    const std::pair<const char*, const char*> answers[] = {   // body after the command byte, message ("": none)
        {"531401010334", "Communication failed."},     {"5314010103343131", "Communication failed."},
        {"53150101033431", "Communication failed."},   {"53140100033431", "Communication failed."},
        {"53140101034730", "Communication failed."},   {"53140101032033", "Communication failed."},
        {"53140101043431", "Illegal data."} /* another sub-command */, {"53140101036338", ""} /* lower case c8 */,
    };
    for (const auto& [answer, message] : answers) {
        SCOPED_TRACE(answer);
        ModelBench b;
        ASSERT_TRUE(b.connect());
        Moments moments{b.m};
        auto writes = [&] { return b.win.lbo01[0].writes + b.win.lbo01[1].writes; };
        const int before = writes();
        int atReport = -1;
        b.win.msgBox.onShow = [&](const auto&) { atReport = writes(); };
        b.trx.adAnswer = HexStrToByteStr(answer);
        b.app.mainWindow().cmd00_Click(1);
        b.ticks(30);
        if (*message == '\0') {
            EXPECT_EQ(b.win.lbo01[0].line(1), "VIN  :200:C8h:  7.84V");
            EXPECT_TRUE(b.win.msgBox.shown.empty());
        } else {
            ASSERT_EQ(b.win.msgBox.shown.size(), 1u);
            EXPECT_EQ(b.win.msgBox.shown[0].text.rfind(std::string(message) + "\r\n", 0), 0u) << b.win.msgBox.shown[0].text;
            EXPECT_EQ(atReport, before) << "nothing shown from the bad answer";
            EXPECT_TRUE(b.m.RigTavikProp_Idle()) << "idle until the next Connect";
            // A malformed answer is the model's own finding; an answer to
            // another sub-command the driver refuses as the link's.
            EXPECT_EQ(moments.seen, std::string(message) == "Illegal data." ? std::vector<std::string>{}
                                                                            : std::vector<std::string>{"readout failed"})
                << "no Connect was under way";
        }
    }
}
