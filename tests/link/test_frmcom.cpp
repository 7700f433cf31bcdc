// The serial port service: opening and closing with the cable's settings,
// notifications, and the order of one tick.
#include <gtest/gtest.h>
#include <sys/time.h>
#include <unistd.h>

#include <ctime>
#include <fstream>
#include <tuple>

#include "platform/SerialLine.h"
#include "tests/integration/Processes.h"
#include "tests/support/PortRig.h"
#include "tests/support/ScriptedRadio.h"

namespace {

struct FrmComTest : ::testing::Test, PortRig, frmComHost {
    std::vector<std::string> calls;
    std::function<void()> duringTask;

    FrmComTest() { com.setHost(this); timer.setEnabled(true); }
    void task() override { calls.push_back("task"); if (duringTask) duringTask(); }
    // A report resets the port as the model's reset does through the sequencer.
    void MsgBoxCloneErr() override { calls.push_back("report"); com.Reset(); }
    void SaveProfileData() override {}
};

}  // namespace

// Reset sets the cable's parameters and closes the port; the port opens by
// its number with the line's settings. (Numbers outside 1 to 10 are the
// settings test's: Settings.ConnectOpensTheStoredPortOrNamesItInTheRefusal.)
TEST_F(FrmComTest, CableParametersPortNumberAndLineSettings)
{
    com.setcomOpen(true);
    com.setcomPortNum(4);
    com.Reset();
    EXPECT_FALSE(port.isOpen);
    EXPECT_EQ(com.comPortNum(), 1);
    const platform::SerialParams& p = port.params;
    EXPECT_EQ(std::make_tuple(p.dtrEnable, p.rtsEnable, p.inBufferSize, p.outBufferSize, p.rThreshold, p.sThreshold),
              std::make_tuple(true, true, 32760, 1024, 1, 0));
    EXPECT_EQ(timer.interval, 50);

    com.setcomPortNum(3);
    com.setcomOpen(true);
    EXPECT_TRUE(com.comOpen());
    EXPECT_EQ(port.port, 3);
    EXPECT_EQ(port.lineSettings, "9600,N,8,1");
    com.setcomOpen(false);
    com.HighSpeedBRatioSet();
    EXPECT_EQ(port.params.rThreshold, 1024);
    com.setcomOpen(true);
    EXPECT_EQ(port.lineSettings, "38400,N,8,1");
}

// Every operation sets the port open; the frames already written must still
// leave the line whole, and so must the last one before the port closes.
TEST_F(FrmComTest, NoFrameIsCutByOpeningAnOpenPortOrByClosing)
{
    port.clock = &clk;
    com.setcomPortNum(2);
    com.setcomOpen(true);
    EXPECT_EQ(port.discards, 1) << "a port just opened sends nothing stale";
    const ByteStr query = bytes("E0 53 14 00 00");
    const ByteStr adjust = bytes("E8 53 14 01 00 10 38 30");
    com.orb5D.setworkMode(clsCmcOrb5Drv::wmModelQuery);
    com.orb5D.Send(query);
    ASSERT_TRUE(com.orb5D.Running());
    clk.advance(2);   // two bytes are on their way
    com.setcomPortNum(5);
    com.setcomOpen(true);
    EXPECT_EQ(port.port, 2);
    EXPECT_EQ(port.opens, 1);
    EXPECT_FALSE(com.orb5D.Running()) << "the driver is reset all the same";
    com.orb5D.setworkMode(clsCmcOrb5Drv::wmSendE8);
    com.orb5D.Send(adjust);
    clk.advance(30);
    EXPECT_EQ(port.wire(), cat(pcFrame(query), pcFrame(adjust)));

    com.orb5D.Send(adjust);
    com.setcomOpen(false);
    EXPECT_EQ(port.wire(), cat(cat(pcFrame(query), pcFrame(adjust)), pcFrame(adjust)));
    EXPECT_EQ(port.drains, 1);
}

// A tick reads what waits before the driver and the window run; a driver
// error is reported, and the port closed, on the same tick. What arrives
// runs a tick at once, but never one inside another.
TEST_F(FrmComTest, TickReadsWhatWaitsBeforeTheDriverAndWindowRunAndReportsErrors)
{
    com.setcomOpen(true);
    timer.fire();
    EXPECT_EQ(port.inputs, 0) << "nothing received: nothing read";
    EXPECT_EQ(calls, std::vector<std::string>{"task"});

    com.orb5D.setworkMode(clsCmcOrb5Drv::wmModelQuery);
    com.orb5D.Send(bytes("E0 53 14 00 00"));
    port.receive(cat(port.written.back(), ModelAnswer()));
    bool answeredBeforeTask = false;
    duringTask = [&] { answeredBeforeTask = !com.orb5D.Running(); };
    timer.fire();
    EXPECT_TRUE(answeredBeforeTask);

    calls.clear();
    duringTask = nullptr;
    com.orb5D.Send(bytes("E0 53 14 00 00"));
    clk.advance(1000);
    timer.fire();   // the echo time-out fires in the driver's task
    EXPECT_EQ(calls, (std::vector<std::string>{"task", "report"}));
    EXPECT_FALSE(com.totalError());

    com.setcomOpen(true);
    calls.clear();
    port.receive(bytes("00"), true);
    EXPECT_EQ(calls.size(), 1u);
    port.receive({}, true);   // nothing waiting: no tick
    EXPECT_EQ(calls.size(), 1u);
    int nested = 0;
    duringTask = [&] {
        ++nested;
        port.receive(bytes("00"), true);
        timer.fire();
    };
    timer.fire();
    EXPECT_EQ(nested, 1);
}

TEST_F(FrmComTest, LineErrorsEmptyTheReceiveBufferAndOverflowClosesThePort)
{
    com.setcomOpen(true);
    com.orb5D.setworkMode(clsCmcOrb5Drv::wmModelQuery);
    com.orb5D.Send(bytes("E0 53 14 00 00"));
    com.orb5D.read(port.written.back());
    ByteStr answer = ModelAnswer();
    com.orb5D.read(ByteStr(answer.begin(), answer.begin() + 30));
    com.OnComm(platform::comEventFrame);
    com.orb5D.read(ByteStr(answer.begin() + 30, answer.end()));
    EXPECT_TRUE(com.orb5D.Running()) << "the broken frame is not taken";

    com.OnComm(platform::comEventRxOver);
    EXPECT_TRUE(com.errOverflow());
    EXPECT_FALSE(com.comOpen());
    com.OnComm(1005);   // not a code the service knows: nothing happens
    EXPECT_TRUE(com.errOverflow());

    // Each kind is counted on its own, for the bench's account.
    for (int16_t e : {platform::comEventBreak, platform::comEventBreak, platform::comEventOverrun,
                      platform::comEventRxParity, platform::comEvReceive, platform::comEventCTSTO})
        com.OnComm(e);
    const frmCom::LineEventCounts& n = com.lineEvents();
    EXPECT_EQ(std::vector<uint32_t>({n.brk, n.frame, n.overrun, n.rxOver, n.parity}),
              std::vector<uint32_t>({2, 1, 1, 1, 1}));
}

// The line's error counters as the port reads them on each receive
// notification: every kind that rose gives its notification once.
TEST(LineErrorWatch, CounterChangesBecomeNotifications)
{
    platform::LineErrorCounts counts{1, 1, 1, 1, 1};
    platform::LineErrorWatch watch;
    watch.start([&](platform::LineErrorCounts& c) { c = counts; return true; });
    EXPECT_TRUE(watch.poll().empty()) << "the counts at opening are the baseline";
    const struct { platform::LineErrorCounts now; std::vector<int16_t> events; } steps[] = {
        {{2, 1, 1, 1, 1}, {platform::comEventFrame}},
        {{2, 3, 1, 1, 1}, {platform::comEventRxParity}},
        {{2, 3, 2, 2, 1}, {platform::comEventBreak, platform::comEventOverrun}},
        {{2, 3, 2, 2, 2}, {platform::comEventRxOver}},
        {{2, 3, 2, 2, 2}, {}},
    };
    for (const auto& s : steps) {
        counts = s.now;
        EXPECT_EQ(watch.poll(), s.events);
    }

    // A line without counters (a pseudo-terminal) says nothing, and is not
    // asked again.
    int reads = 0;
    watch.start([&](platform::LineErrorCounts&) { ++reads; return false; });
    EXPECT_TRUE(watch.poll().empty());
    EXPECT_EQ(reads, 1);
}

TEST(SerialLine, OpenFailuresAndPermissionsAreExplained)
{
    const std::string missing = platform::ExplainOpenFailure("/dev/no-such-adapter", "No such file or directory");
    EXPECT_EQ(missing.rfind("/dev/no-such-adapter: No such file or directory. No such device", 0), 0u) << missing;
    EXPECT_NE(platform::PermissionAdvice("dialout", false, false).find("sudo usermod -aG dialout $USER"),
              std::string::npos);
    EXPECT_NE(platform::PermissionAdvice("dialout", false, true).find("log out and in again"), std::string::npos);
    EXPECT_EQ(platform::PermissionAdvice("dialout", false, true).find("usermod"), std::string::npos);
}

// A lock file is stale when no running process holds it, unless it is so
// young that its writer may still be at it.
TEST(SerialLine, LockFilesOfNoRunningProcessAreStale)
{
    TempDir dir;
    const std::string self = std::to_string(::getpid());
    struct Case { const char* content; std::string pid; int age; bool stale; };
    const Case cases[] = {
        {"", "", 5, true},
        {"no number\n", "", 5, true},
        {"", "0\n", 5, true},
        {"", "999999999\n", 5, true},                  // above any process number
        {"", self + "\ndorvel-adj\nhost\n", 5, false},
        {"", "     " + self + "\n", 5, false},         // the UUCP style
        {"", "", 0, false},                            // being written now
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const std::string device = "/dev/ttyUSB" + std::to_string(i);
        const std::string path = dir.file("LCK..ttyUSB" + std::to_string(i));
        std::ofstream(path) << cases[i].content << cases[i].pid;
        const timeval t[2] = {{std::time(nullptr) - cases[i].age, 0}, {std::time(nullptr) - cases[i].age, 0}};
        ::utimes(path.c_str(), t);
        const std::vector<std::string> stale = platform::StaleLockFiles(device, {"/no/such/folder", dir.path()});
        EXPECT_EQ(stale, cases[i].stale ? std::vector<std::string>{path} : std::vector<std::string>{}) << i;
    }
}
