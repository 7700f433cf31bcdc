// The clone operation sequencer against a scripted transceiver on an
// in-memory port, driven tick by tick on a manual clock.
#include <gtest/gtest.h>

#include <algorithm>

#include "link/Common.h"
#include "link/clsCmcOrb5Sequence.h"
#include "link/clsCmcRadio.h"
#include "tests/support/PortRig.h"
#include "tests/support/ScriptedRadio.h"

namespace {

using Reports = std::vector<std::pair<int, int>>;
struct SeqRig : PortRig, frmComHost, CloneErrorReporter, SubNameChecker {
    clsCmcRadio radio;
    clsCmcOrb5Sequence seq{com, radio, clk};
    ScriptedRadio trx{port};
    Reports reports;   // the sequencer's and the driver's error at each report

    SeqRig()
    {
        com.setHost(this);
        seq.setReporter(this);
        seq.setChecker(this);
        radio.setradioNameM("5314");
        radio.setradionameS("0100");
        timer.setEnabled(true);
    }
    // frmComHost: the main window's share of the tick, as far as the
    // sequencer goes (the real one is tested on the whole program).
    void task() override
    {
        seq.task();
        if (seq.OpRunning())
            seq.task();
    }
    void MsgBoxCloneErr() override { MsgBoxCloneErr(seq); }
    void SaveProfileData() override {}
    // CloneErrorReporter: record, then reset as the model's reset does.
    void MsgBoxCloneErr(clsCmcOrb5Sequence& s) override
    {
        reports.emplace_back(s.error(), com.orb5D.lastError());
        s.easyReset(s.ComPortNo());
    }
    // The model's check stood in for: it refuses 0099 alone.
    bool RigOpFunc_CheckSubNameLegal(const std::string& nameS) override { return nameS != "0099"; }

    void tick() { trx.serve(); clk.advance(50); timer.fire(); }
    void runToEnd() { for (int n = 0; seq.OpRunning() && n < 400; ++n) tick(); }
    long framesWith(uint8_t cmd) const
    {
        return std::count_if(port.written.begin(), port.written.end(), [&](const ByteStr& f) { return f[4] == cmd; });
    }
};

struct SequencerTest : ::testing::Test, SeqRig {};

}  // namespace

TEST_F(SequencerTest, CloneReadRunsFromModelQueryToTheLastDataFrame)
{
    for (int a = 0; a < 8160; ++a)
        trx.image[static_cast<size_t>(a)] = static_cast<uint8_t>(a * 7);
    seq.easyCloneRead();
    ASSERT_EQ(port.written.size(), 1u) << "the model query goes out before easyCloneRead returns";
    EXPECT_EQ(port.written[0], bytes("FE FE EE EF E0 53 14 00 00 FD"));

    runToEnd();   // the steps per tick are the main window's test
    ASSERT_EQ(framesWith(0xE2), 1);
    EXPECT_EQ(port.written[1], bytes("FE FE EE EF E2 53 14 01 01 FD")) << "the transceiver's own sub code";
    EXPECT_FALSE(seq.OpRunning());
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(radio.radionameS(), "0101");
    EXPECT_EQ(radio.eepImage().bytes(), trx.image);
    EXPECT_EQ(seq.ansNameM(), "5314");
    EXPECT_EQ(seq.ansNameS(), "0101");
    EXPECT_TRUE(com.comOpen()) << "the port stays open after a good operation";
}

TEST_F(SequencerTest, ModelCheckOutcomes)
{
    struct Case { const char* name; std::string main, sub; uint8_t modelByte; bool write; int error;
                  const char* subAfter; bool answers = true; };
    const Case cases[] = {
        {"another main code", "1234", "0101", 0x01, false, seqErrMainCode, "0101"},
        {"model byte 0x02 refuses a read", "5314", "0101", 0x02, false, seqErrModelByte, "0101"},
        {"model byte 0x00 allows a read", "5314", "0101", 0x00, false, seqErrNone, "0101"},
        {"model byte 0x00 refuses a write", "5314", "0101", 0x00, true, seqErrModelByte, "0101"},
        {"sub code below 0100", "5314", "0099", 0x01, false, seqErrSubCode, "0100"},
        {"main code and sub code both wrong", "1234", "0099", 0x01, false, seqErrSubCode, "0100"},
        {"no answer (driver error 2)", "5314", "0101", 0x01, false, seqErrDriver, "0100", false},
    };
    for (const auto& c : cases) {
        SeqRig r;
        r.trx.main = c.main;
        r.trx.sub = c.sub;
        r.trx.modelByte = c.modelByte;
        r.trx.answers = c.answers;
        if (c.write)
            r.seq.easyCloneWrite();
        else
            r.seq.easyCloneRead();
        r.runToEnd();
        EXPECT_FALSE(r.seq.OpRunning()) << c.name;
        EXPECT_EQ(r.radio.radionameS(), c.subAfter) << c.name;
        const Reports reported{{c.error, c.answers ? drvErrNone : drvErrNoAnswer}};
        EXPECT_EQ(r.reports, c.error == seqErrNone ? Reports{} : reported) << c.name;
        if (c.error != seqErrNone) {
            EXPECT_EQ(r.framesWith(0xE2) + r.framesWith(0xE3), 0) << c.name << ": no clone request";
            EXPECT_FALSE(r.com.comOpen()) << c.name;
        }
    }
}

TEST_F(SequencerTest, AdjustmentCommandAndTheAutomaticRelease)
{
    // The hold counter restarts on the last tick on which an operation was
    // set and the port closes on the first tick at or after the release
    // time; without one it never closes.
    for (const auto& [release, ticks] : {std::pair{3000, 3000 / 50}, {0, 400}}) {
        SeqRig r;
        r.seq.setcomHoldReload(release);
        r.seq.easySendE8NoAnswer("09 38 30");
        ASSERT_EQ(r.port.written.size(), 1u);
        r.tick();
        EXPECT_FALSE(r.seq.OpRunning()) << "ends on the next step";
        int n = 0;
        for (; r.com.comOpen() && n < 400; ++n)
            r.tick();
        EXPECT_EQ(n, ticks) << release;
        EXPECT_TRUE(r.reports.empty()) << release;
    }
}

TEST_F(SequencerTest, UnansweredRequestIsRepeatedThenReported)
{
    trx.answers = false;
    seq.easySendE8ReqAnswer("03 30 30");
    runToEnd();
    EXPECT_EQ(framesWith(0xE8), 3);
    EXPECT_TRUE(port.written[1] == port.written[0] && port.written[2] == port.written[0]) << "the same frame again";
    EXPECT_EQ(reports, (Reports{{seqErrNone, drvErrNoAnswer}}));
    EXPECT_FALSE(com.comOpen());
}

// An operation set while the driver is busy waits for the exchange under
// way; one set while a read runs replaces the read from its first step.
TEST_F(SequencerTest, AnOperationSetDuringAnotherWaitsOrReplacesIt)
{
    seq.easySendE8ReqAnswer("03 30 30");
    ASSERT_TRUE(com.orb5D.Running());
    seq.easySendE8NoAnswer("09 38 30");
    EXPECT_FALSE(seq.OpRunning()) << "no step could run yet";
    EXPECT_EQ(port.written.size(), 1u);
    // The request under way finishes first (its answer), then the new
    // operation's first step runs.
    tick();
    ASSERT_EQ(port.written.size(), 2u);
    EXPECT_EQ(port.written[1], bytes("FE FE EE EF E8 53 14 01 00 09 38 30 FD"));
    runToEnd();

    seq.easyCloneRead();
    tick();   // answer in, quiet steps under way
    seq.easySendE8NoAnswer("02 30 31");
    EXPECT_EQ(port.written.back(), bytes("FE FE EE EF E8 53 14 01 01 02 30 31 FD"));
    runToEnd();
    EXPECT_EQ(framesWith(0xE2), 0) << "the replaced read never sends its request";
    EXPECT_TRUE(reports.empty());
}
