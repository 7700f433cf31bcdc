// The whole job behind each USB adapter the simulator models, on the paced
// line (dorvel-sim at 9600 bit/s takes the PC's bytes one byte time each, so
// that bytes still queued when the program flushes its output are lost as on
// a real cable): Connect, edits, the fine filter sweep, the level search, the
// RSSI capture, reload, the parameter listing, steps given just before quit,
// then the restore with verify. Nothing may time out and every frame must
// reach the radio whole, however long the adapter holds the radio's bytes.
// The profiles run side by side: each is mostly waiting on the line.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <map>
#include <numeric>
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
                    "button 1\nidle\nconsole\nbutton 2\nidle\nparams\nbutton 2\nidle\njournal\n"
                    "select 1\nstep 1\nstep 1\nselect 9\nstep 2\nselect 4\nstep 1\nquit\n";

// The frames the PC sent that are not whole: each must open with the
// preamble and the addresses, end with FD, and an adjustment frame has the
// one length all of them have.
std::vector<std::string> brokenPcFrames(const std::string& log)
{
    static const std::regex frame("^FE(FE)+EEEF(E[0-68])([0-9A-F]{2})*FD$");
    std::vector<std::string> broken;
    std::istringstream in(log);
    long ms;
    std::string side, hex;
    std::smatch m;
    while (in >> ms >> side >> hex)
        if (side == "pc" && (!std::regex_match(hex, m, frame) || (m[2] == "E8" && hex.size() != 2 * 13)))
            broken.push_back(std::to_string(ms) + " " + hex);
    return broken;
}

// The session, then the backup its Connect took written back, on one
// profile; checked in the profile's own thread.
void RunProfile(const std::string& profile, const TempDir& dir, const Reference& r)
{
    SCOPED_TRACE(profile);
    const std::string data = "XDG_DATA_HOME=" + dir.file(profile + "-data"), log = dir.file(profile + ".log");
    SimProcess sim({"--adapter", profile, "--log", log});
    const SessionOutput s = RunSession(sim.device(), kJob, 600000, {data});
    // Every message box (a time-out's too) and every failed command make the status 1.
    ASSERT_EQ(s.run.status, 0) << s.run.out << s.run.err;
    const auto console = s.console(0);
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

    // Connect pushes every value, BAL in its five frames (its two other
    // bytes brought in line, one per pass); the fine sweep sends every value
    // and leaves the peak's middle; the steps just before quit all reach the
    // radio with their final values. Only A/D requests go before the push.
    std::vector<WireCommand> cmds = LoggedCommands(ReadFile(log));
    const auto adRequest = [](const WireCommand& c) { return c.sub == 0x03; };
    cmds.erase(std::remove_if(cmds.begin(), cmds.end(), adRequest), cmds.end());
    const int bal = r.at(0x043), modW = r.at(0x042), ratio = RatioToByte(r.at(0x049), modW);
    const std::vector<WireCommand> push{
        {0, 0x02, 1},           {0, 0x00, 1},           {0, 0x09, r.at(0x082)}, {0, 0x0A, r.at(0x081)},
        {0, 0x0B, r.at(0x080)}, {0, 0x10, bal},         {0, 0x12, bal},         {0, 0x10, bal},
        {0, 0x11, bal},         {0, 0x10, bal},         {0, 0x0C, modW},        {0, 0x0D, ScaleByte(modW, ratio)},
        {0, 0x0F, r.at(0x033)}, {0, 0x08, r.at(0x113)}, {0, 0x05, r.at(0x087)}, {0, 0x13, r.at(0x034)},
        {0, 0x14, r.at(0x035)}, {0, 0x06, r.at(0x03C)}, {0, 0x07, r.at(0x03D)}};
    ASSERT_GE(cmds.size(), push.size());
    EXPECT_EQ(CommandText({cmds.begin(), cmds.begin() + static_cast<std::ptrdiff_t>(push.size())}), CommandText(push));
    const std::vector<WireCommand> after(cmds.begin() + static_cast<std::ptrdiff_t>(push.size()), cmds.end());
    std::vector<int> tuned, expected(256);
    std::map<int, int> last;   // each command's last value
    for (const WireCommand& c : after) {
        last[c.sub] = c.value;
        // The start of a sweep sets the lowest value more than once.
        if (c.sub == 0x13 && (tuned.empty() || tuned.back() != c.value))
            tuned.push_back(c.value);
    }
    std::iota(expected.begin(), expected.end(), 0);
    expected.push_back(37);   // the peak's middle, left on the radio
    EXPECT_EQ(tuned, expected);
    for (const auto& [sub, value] : {std::pair{0x09, r.at(0x082) + 7}, {0x0F, r.at(0x033) - 3}, {0x05, r.at(0x087) + 2},
                                     {0x10, bal + 1}, {0x12, bal + 1}, {0x11, bal + 1}})
        EXPECT_EQ(last[sub], value) << sub << " in " << CommandText(after);

    const std::string edited = sim.image();
    const auto backups = FilesIn(dir.file(profile + "-data/dorvel-adj/backups"), ".bin");
    ASSERT_EQ(backups.size(), 1u);
    const std::string backup = ReadFile(backups[0]);
    EXPECT_TRUE(backup == r.image) << "the backup holds the radio as it was read";
    const std::string record = ReadFile(backups[0].substr(0, backups[0].size() - 4) + ".txt");
    EXPECT_TRUE(Has(record, "Sub model code: 0100\nDate: ") && Has(record, "\nAdapter: " + bench + "\n")) << record;
    const RunResult w = RunCli({data, "write", "--device", sim.device(), "--in", backups[0], "--yes"}, {}, 600000);
    EXPECT_EQ(w.status, 0) << "written and read back alike\n" << w.out << w.err;
    EXPECT_TRUE(sim.image() == backup) << "the radio holds its backup again";
    const auto backupsNow = FilesIn(dir.file(profile + "-data/dorvel-adj/backups"), ".bin");
    ASSERT_EQ(backupsNow.size(), 2u);
    EXPECT_TRUE(ReadFile(backupsNow[1]) == edited) << "the radio was backed up before the write";

    const std::vector<std::string> broken = brokenPcFrames(ReadFile(log));
    EXPECT_TRUE(broken.empty()) << broken.size() << " cut frames, the first: " << broken.front();
}

}  // namespace

TEST(Adapters, TheWholeJobOnEveryProfileWithoutATimeOutAndWithWholeFrames)
{
    TempDir dir;
    const Reference r = ReferenceImage({});
    ASSERT_NE(r.at(0x051), r.at(0x043)) << "BAL's other bytes differ: Connect brings them in line";
    ASSERT_NE(r.at(0x04A), r.at(0x043));
    std::vector<std::thread> threads;
    for (const char* profile : {"none", "ftdi-low", "ftdi", "cp210x"})
        threads.emplace_back(RunProfile, std::string(profile), std::cref(dir), std::cref(r));
    for (std::thread& t : threads)
        t.join();
}

// The real port on the simulator's device, with the kernel's serial flags
// stood in for (a pseudo-terminal takes none): the opening sets low
// latency and keeps what the adapter says, the closing puts the flag back.
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
    port.setPortOpen(false);
    EXPECT_EQ(kernel.sets, (std::vector<int>{0x40 | ASYNC_LOW_LATENCY, 0x40})) << "the flag as it was";
}
