// The whole job behind each USB adapter the simulator models, on the paced
// line: Connect, edits, the fine filter sweep, the level search, the RSSI
// capture, reload, the parameter listing, then the restore with verify.
// Nothing may time out and every frame must reach the radio whole, however
// long the adapter holds the radio's bytes. The profiles run side by side:
// each is mostly waiting on the line.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <regex>
#include <sstream>
#include <thread>

#include "platform/qt/QtSerialPort.h"
#include "tests/integration/SessionRun.h"
#include "tests/support/FakeAdapterSystem.h"

namespace {

const char kJob[] = "connect\nselect 1\nstep 5\nselect 7\nstep -3\nidle\n"
                    "select 11\nenter\nidle\nselect 13\nenter\nidle\n"
                    "select 17\nenter\nwait 1200\nenter\nwait 800\nenter\nidle\n"
                    "button 1\nidle\nconsole\nbutton 2\nidle\nparams\nbutton 2\nidle\njournal\nquit\n";

// The frames the PC sent that are not whole: each must open with the
// preamble and the addresses, end with FD, and an adjustment frame has the
// one length all of them have.
std::vector<std::string> brokenPcFrames(const std::string& log)
{
    static const std::regex frame("^FE(FE)+EEEF(E[0-68])([0-9A-F]{2})*FD$");
    std::vector<std::string> broken;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) {
        std::istringstream l(line);
        long ms;
        std::string side, hex;
        if (!(l >> ms >> side >> hex) || side != "pc")
            continue;
        std::smatch m;
        if (!std::regex_match(hex, m, frame) || (m[2] == "E8" && hex.size() != 2 * 13))
            broken.push_back(line);
    }
    return broken;
}

// The session, then the backup its Connect took written back, on one
// profile; checked in the profile's own thread.
void RunProfile(const std::string& profile, const TempDir& dir)
{
    SCOPED_TRACE(profile);
    const std::string data = "XDG_DATA_HOME=" + dir.file(profile + "-data"), log = dir.file(profile + ".log");
    SimProcess sim({"--adapter", profile, "--log", log});
    const SessionOutput s = RunSession(sim.device(), kJob, 600000, {data});
    ASSERT_EQ(s.run.status, 0) << s.run.out << s.run.err;
    EXPECT_TRUE(std::none_of(s.lines.begin(), s.lines.end(),
                             [](const std::string& l) { return l.rfind("message:", 0) == 0; }))
        << "no message box: nothing timed out\n" << s.run.out;
    EXPECT_EQ(s.lines.front(), "ok") << s.run.out;
    auto console = s.block(0);
    while (!console.empty() && console.front().rfind("    CH No.", 0) != 0)
        console.erase(console.begin());
    ASSERT_EQ(console.size(), 18u) << s.run.out;
    EXPECT_EQ(ConsoleValue(console[11]), 37) << "the sweep found the peak";
    EXPECT_EQ(ConsoleValue(console[13]), 160) << "the level search met its target";
    EXPECT_EQ(console[17], "      RSSI: [Enter] to Start") << "the capture stored both points";
    const auto params = s.block(1);
    ASSERT_GE(params.size(), 66u) << s.run.out;
    // Both points read SD with T1 on its peak (37) and T2 at 112:
    // 100 * (20 + 110 + 41) / 100.
    EXPECT_EQ(params[params.size() - 2], "               RSSI S1 Level:  171");
    EXPECT_EQ(params.back(), "               RSSI S3 Level:  171");

    // The bench is on record: a pseudo-terminal takes no low latency.
    const auto journal = s.block(2);
    const std::string bench = "no adapter driver, no latency timer, low latency not supported";
    EXPECT_TRUE(std::any_of(journal.begin(), journal.end(),
                            [&](const std::string& l) { return Has(l, "clone_read") && Has(l, bench); }))
        << s.run.out;
    const std::string edited = sim.image();
    const auto backups = FilesIn(dir.file(profile + "-data/dorvel-adj/backups"), ".bin");
    ASSERT_EQ(backups.size(), 1u);
    const std::string backup = ReadFile(backups[0]);
    EXPECT_TRUE(Has(ReadFile(backups[0].substr(0, backups[0].size() - 4) + ".txt"), "\nAdapter: " + bench + "\n"));
    const RunResult w = RunCli({data, "write", "--device", sim.device(), "--in", backups[0], "--yes"}, {}, 600000);
    EXPECT_EQ(w.status, 0) << w.out << w.err;
    EXPECT_TRUE(Has(w.out, "verified")) << w.out << w.err;
    EXPECT_TRUE(sim.image() == backup) << "the radio holds its backup again";
    EXPECT_FALSE(edited == backup) << "the session had changed the radio";

    const std::vector<std::string> broken = brokenPcFrames(ReadFile(log));
    EXPECT_TRUE(broken.empty()) << broken.size() << " cut frames, the first: " << broken.front();
    const auto cmds = LoggedCommands(ReadFile(log));
    EXPECT_TRUE(std::any_of(cmds.begin(), cmds.end(), [](const WireCommand& c) { return c.sub == 0x13 && c.value == 255; }))
        << "every step of the sweep reached the radio";
}

}  // namespace

TEST(Adapters, TheWholeJobOnEveryProfileWithoutATimeOutAndWithWholeFrames)
{
    TempDir dir;
    std::vector<std::thread> threads;
    for (const char* profile : {"none", "ftdi-low", "ftdi", "cp210x"})
        threads.emplace_back(RunProfile, std::string(profile), std::cref(dir));
    for (std::thread& t : threads)
        t.join();
}

// The real port on the simulator's device, with the kernel's serial flags
// stood in for (a pseudo-terminal takes none): the opening sets low
// latency and keeps what the adapter says, the closing puts the flag back,
// and a device that takes no flag opens all the same.
TEST(Adapters, ThePortSetsLowLatencyOnOpeningAndPutsItBackOnClosing)
{
    FakeAdapterSystem kernel;
    kernel.flags = 0x40;
    kernel.device = "";   // the simulator's pseudo-terminal stands for the adapter
    char name[] = "integration_cli";
    char* argv[] = {name, nullptr};
    int argc = 1;
    QCoreApplication app(argc, argv);
    SimProcess sim({"--fast"});
    platform::QtSerialPort port([&](int16_t) { return sim.device(); });
    port.setAdapterSystem(kernel);

    ASSERT_TRUE(port.setPortOpen(true)) << port.openFailure();
    EXPECT_EQ(platform::AdapterText(port.adapter()), "ftdi_sio, latency timer 1 ms, low latency set");
    EXPECT_EQ(kernel.sets, (std::vector<int>{0x40 | ASYNC_LOW_LATENCY}));
    port.setPortOpen(false);
    EXPECT_EQ(kernel.sets, (std::vector<int>{0x40 | ASYNC_LOW_LATENCY, 0x40})) << "the flag as it was";

    kernel.sets.clear();
    kernel.getError = ENOTTY;
    ASSERT_TRUE(port.setPortOpen(true)) << "a device without serial flags opens all the same";
    EXPECT_EQ(port.adapter().lowLatency, platform::LowLatency::NotSupported);
    port.setPortOpen(false);
    EXPECT_TRUE(kernel.sets.empty());
    for (int fd : kernel.fds)
        EXPECT_GE(fd, 0) << "the flags of the open device are asked for";
}
