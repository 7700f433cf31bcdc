// The automatic adjustments end to end against the simulator's physics (see
// sim/README.md): the detector voltage peaks at filter tunings 34..40 (T1)
// and 83..89 (T2) with a flat top; LVIN = 64 + 3*RX/8 - TX/4; SD scales
// with the signal level. Each session runs several sequences one after
// another; the beeps of each are those printed before its listing.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "tests/integration/SessionRun.h"

namespace {

// Console lines: 11 BPF T1, 12 BPF T2, 10 BPF ALL, 13 RX LVA, 14 TX LVA,
// 15 LV(RX LVA), 16 LV(TX LVA), 17 RSSI.
const std::string kStart = "connect\nidle\n";

// The beeps printed since the listing before the n-th one.
int beeps(const SessionOutput& s, size_t n)
{
    const auto b = s.block(n);
    return static_cast<int>(std::count(b.begin(), b.end(), "beep"));
}

}  // namespace

// A target out of reach, then the stored targets met either way, then the
// fine sweeps of both filters.
TEST(Sequences, LevelSearchesAndFineFilterSweeps)
{
    TempDir dir;
    SimProcess sim({"--fast", "--log", dir.file("wire.log")});
    const SessionOutput s = RunSession(
        sim.device(), kStart + "select 15\nstep 108\nidle\nselect 13\nenter\nidle\nconsole\n"
                               "select 15\nstep -108\nidle\nselect 13\nenter\nidle\nselect 14\nenter\nidle\n"
                               "button 1\nidle\nreadouts\nconsole\n"
                               "select 11\nenter\nidle\nselect 12\nenter\nidle\nconsole\nquit\n");
    // With TX at 128 the level reaches only 32..127: a target of 200 cannot be met.
    auto console = s.console(0);
    EXPECT_EQ(ConsoleValue(console[15]), 200);
    EXPECT_EQ(ConsoleValue(console[13]), 112) << "the value from before the search";
    EXPECT_EQ(console[13].substr(38), " [Enter] to Sweep (Auto Adjust Failed)");
    EXPECT_EQ(beeps(s, 0), 1);

    // Stored targets: RX 92 with TX at 128 settles on 160 (the level rises
    // with RX); then TX 72 with RX at 160 settles on 208 (it falls with TX).
    EXPECT_EQ(beeps(s, 1), 2);
    const auto readouts = s.block(1);
    EXPECT_NE(std::find(readouts.begin(), readouts.end(), "LVIN : 72:48h:  1.41V"), readouts.end())
        << "the level now meets the TX target exactly";
    // (RX settling on 160, and T1's fine sweep with every value tried and its
    // result 37: Adapters.TheWholeJob...)
    EXPECT_EQ(ConsoleValue(s.console(2)[14]), 208);
    EXPECT_EQ(ConsoleValue(s.console(3)[12]), 86);
    const auto cmds = LoggedCommands(ReadFile(dir.file("wire.log")));
    const auto last = std::find_if(cmds.rbegin(), cmds.rend(), [](const auto& c) { return c.sub != 0x03; });
    EXPECT_EQ(CommandText({*last}), "14:86") << "the radio is left on the result, only A/D requests after it";
}

// The coarse sweep of both filters; then again, with an Enter on TX LVA
// pending: the sweep finishes T1, and the Enter ends it before T2 and
// starts the level search.
TEST(Sequences, CoarseSweepAndAnEnterThatEndsIt)
{
    SimProcess sim({"--fast"});
    const SessionOutput s = RunSession(sim.device(), kStart + "select 10\nenter\nwait 300\nidle\nconsole\n"
                                                              "select 10\nenter\nwait 1000\nselect 14\nenter\nidle\n"
                                                              "console\nquit\n");
    auto console = s.console(0);
    EXPECT_EQ(ConsoleValue(console[11]), 37);
    EXPECT_EQ(ConsoleValue(console[12]), 86);
    EXPECT_EQ(beeps(s, 0), 1);

    console = s.console(1);
    EXPECT_EQ(ConsoleValue(console[11]), 37);
    EXPECT_EQ(ConsoleValue(console[12]), 64) << "T2 was set to the coarse start and never swept";
    EXPECT_EQ(ConsoleValue(console[14]), 136);
    EXPECT_EQ(beeps(s, 1), 1) << "only the level search ended with its beep";
}

// Enter starts the capture, which never ends by itself; the next Enter
// stores the "SD" reading as the S3 point, the one after as the S1 point.
// SD with the stored filter tunings is 61 at signal 100 and 30 at signal
// 50. A capture started again gets malformed answers: the failure is
// reported, the console rebuilt empty, nothing more is sent, and the next
// Connect opens the port again.
TEST(Sequences, RssiCaptureRunsUntilTwoEntersStoreItsPointsAndAReadoutErrorEndsIt)
{
    TempDir dir;
    SimProcess sim({"--fast", "--log", dir.file("wire.log")});
    size_t sentAfter[2] = {0, 1};   // the PC's frames 1.5 s and 2.5 s after the fault
    const auto s3Store = [](const WireCommand& c) { return c.sub == 0x16; };
    const auto sdRequest = [](const WireCommand& c) { return c.sub == 0x03 && c.value == 0x04; };
    std::thread radio([&] {
        bool weaker = false;
        for (int i = 0; i < 1200; ++i) {
            const auto cmds = LoggedCommands(ReadFile(dir.file("wire.log")));
            if (!weaker && std::any_of(cmds.begin(), cmds.end(), s3Store)) {
                sim.control("signal 50");   // once S3 is stored
                weaker = true;
            }
            // Once a capture after the S1 point reads SD, the answers go bad.
            const auto s1 = std::find_if(cmds.begin(), cmds.end(), [](const WireCommand& c) { return c.sub == 0x15; });
            if (std::count_if(s1, cmds.end(), sdRequest) >= 2) {
                sim.control("fault bad-ad");
                for (size_t& n : sentAfter) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(n == 0 ? 1500 : 1000));
                    n = LoggedCommands(ReadFile(dir.file("wire.log"))).size();
                }
                sim.control("fault off");
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    const SessionOutput s = RunSession(sim.device(), kStart + "select 17\nenter\nwait 2000\nconsole\nenter\nwait 1500\n"
                                                              "console\nenter\nwait 1000\nconsole\nbutton 2\nidle\n"
                                                              "params\nbutton 2\nidle\nselect 17\nenter\nwait 4000\n"
                                                              "idle\nconsole\nconnect\nquit\n");
    radio.join();
    EXPECT_EQ(beeps(s, 0), 0);
    EXPECT_EQ(s.console(1).at(17), "      RSSI: RSSI S1 Level ");
    EXPECT_EQ(std::count(s.lines.begin(), s.lines.end(), "beep"), 1) << "the S1 point's";
    const auto para = s.block(3);
    ASSERT_GE(para.size(), 66u) << s.run.out;
    EXPECT_EQ(para[para.size() - 2], "               RSSI S1 Level:   30");
    EXPECT_EQ(para[para.size() - 1], "               RSSI S3 Level:   61");
    const auto cmds = LoggedCommands(ReadFile(dir.file("wire.log")));
    EXPECT_EQ(CommandText(LoggedCommands(ReadFile(dir.file("wire.log")), {0x15, 0x16})), "16:61 15:30");
    const auto firstStore = std::find_if(cmds.begin(), cmds.end(), s3Store);
    EXPECT_GT(std::count_if(cmds.begin(), firstStore, sdRequest), 10)
        << "the SD reading keeps refreshing until the Enter";

    EXPECT_EQ(std::count(s.lines.begin(), s.lines.end(), "message: Communication failed."), 1) << s.run.out;
    EXPECT_EQ(s.run.status, 1) << "a failure told in a message box alone sets the status";
    EXPECT_EQ(sentAfter[1], sentAfter[0]) << "nothing more goes over the wire";
    EXPECT_EQ(ConsoleValue(s.console(4).at(1)), 0) << "the console rebuilt empty";
    EXPECT_EQ(s.lines.back(), "ok") << "the port was released for the next Connect";
}

// The end of input during a BPF sweep ends it as Escape does: the radio
// gets T1's value from before the sweep back, and standard error says so.
// `escape` does the same, and the report says what was put back. Paced at
// twice the line rate, the sweep runs from about 1 s to 6 s after the Enter.
TEST(Sequences, TheSessionsEndOrEscapePutsBackWhatARunningSweepChanged)
{
    const int before = ReferenceImage({}).at(0x034);
    const std::string restored = "interrupted, restored to " + std::to_string(before);
    for (const bool escape : {false, true}) {
        TempDir dir;
        SimProcess sim({"--baud", "19200", "--log", dir.file("wire.log")});
        const std::string pdf = dir.file("r.pdf");
        const SessionOutput s = RunSession(sim.device(), "connect\nselect 11\nenter\nwait 2000\n" +
                                                             (escape ? "escape\nidle\nreport " + pdf + "\n" : ""));
        EXPECT_EQ(s.run.status, 0) << s.run.out << s.run.err;
        const std::string warning = "warning: the session ended during an automatic adjustment: BPF T1 sweep ";
        EXPECT_EQ(Has(s.run.err, warning + restored + "\n"), !escape) << escape << "\n" << s.run.err;
        if (escape) {
            const std::string text = PdfText(pdf);
            EXPECT_TRUE(Has(text, "readings: " + restored)) << "the sweep's plot title\n" << text;
        }
        const std::vector<WireCommand> t1 = LoggedCommands(ReadFile(dir.file("wire.log")), {0x13});
        ASSERT_GE(t1.size(), 10u) << "the sweep ran\n" << s.run.out;
        EXPECT_EQ(t1.back().value, before) << "the radio holds its value from before the sweep";
    }
}
