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

struct ProfileRun {
    std::string profile;
    SessionOutput session;
    RunResult write;
    std::string log;
    std::string imageBefore;   // the radio after the session
    std::string imageAfter;    // after the restore
    std::string backup;        // the backup the Connect took
    std::string record;        // its text record
};

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

void runProfile(ProfileRun& r, const TempDir& dir)
{
    const std::string data = dir.file(r.profile + "-data");
    SimProcess sim({"--adapter", r.profile, "--log", dir.file(r.profile + ".log")});
    const std::vector<std::string> env{"/usr/bin/env", "XDG_DATA_HOME=" + data, BinPath("dorvel-adj-cli")};
    std::vector<std::string> argv = env;
    argv.insert(argv.end(), {"session", "--device", sim.device()});
    const std::string script =
        "connect\nselect 1\nstep 5\nselect 7\nstep -3\nidle\n"
        "select 11\nenter\nidle\nselect 13\nenter\nidle\n"
        "select 17\nenter\nwait 1200\nenter\nwait 800\nenter\nidle\n"
        "button 1\nidle\nconsole\nbutton 2\nidle\nparams\nbutton 2\nidle\njournal\nquit\n";
    r.session.run = RunProgram(argv, script, 600000);
    std::istringstream out(r.session.run.out);
    for (std::string line; std::getline(out, line);)
        r.session.lines.push_back(line);
    r.imageBefore = sim.image();
    const auto backups = FilesIn(data + "/dorvel-adj/backups", ".bin");
    if (!backups.empty()) {
        r.backup = ReadFile(backups.front());
        r.record = ReadFile(backups.front().substr(0, backups.front().size() - 4) + ".txt");
        argv = env;
        argv.insert(argv.end(), {"write", "--device", sim.device(), "--in", backups.front(), "--yes"});
        r.write = RunProgram(argv, {}, 600000);
    }
    r.imageAfter = sim.image();
    r.log = ReadFile(dir.file(r.profile + ".log"));
}

}  // namespace

TEST(Adapters, TheWholeJobOnEveryProfileWithoutATimeOutAndWithWholeFrames)
{
    TempDir dir;
    std::vector<ProfileRun> runs(4);
    const char* profiles[] = {"none", "ftdi-low", "ftdi", "cp210x"};
    for (size_t i = 0; i < runs.size(); ++i)
        runs[i].profile = profiles[i];
    std::vector<std::thread> threads;
    for (ProfileRun& r : runs)
        threads.emplace_back([&r, &dir] { runProfile(r, dir); });
    for (std::thread& t : threads)
        t.join();

    for (const ProfileRun& r : runs) {
        SCOPED_TRACE(r.profile);
        const SessionOutput& s = r.session;
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

        const std::vector<std::string> broken = brokenPcFrames(r.log);
        EXPECT_TRUE(broken.empty()) << broken.size() << " cut frames, the first: " << broken.front();
        const auto cmds = LoggedCommands(r.log);
        EXPECT_TRUE(std::any_of(cmds.begin(), cmds.end(), [](const WireCommand& c) { return c.sub == 0x13 && c.value == 255; }))
            << "every step of the sweep reached the radio";

        // The bench is on record: a pseudo-terminal takes no low latency.
        const auto journal = s.block(2);
        const std::string bench = "no adapter driver, no latency timer, low latency not supported";
        EXPECT_TRUE(std::any_of(journal.begin(), journal.end(),
                                [&](const std::string& l) { return Has(l, "clone_read") && Has(l, bench); }))
            << s.run.out;
        EXPECT_TRUE(Has(r.record, "\nAdapter: " + bench + "\n")) << r.record;

        EXPECT_EQ(r.write.status, 0) << r.write.out << r.write.err;
        EXPECT_TRUE(Has(r.write.out, "verified")) << r.write.out << r.write.err;
        EXPECT_TRUE(r.imageAfter == r.backup) << "the radio holds its backup again";
        EXPECT_FALSE(r.imageBefore == r.backup) << "the session had changed the radio";
    }
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
