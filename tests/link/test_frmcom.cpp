// The serial port service: opening and closing with the cable's settings,
// notifications, and the order of one tick.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/frmCom.h"
#include "tests/link/RadioFrames.h"
#include "tests/support/FakeSerialPort.h"
#include "tests/support/FakeTimer.h"
#include "tests/support/ManualTickClock.h"

namespace {

struct FrmComTest : ::testing::Test, frmComHost {
    FakeSerialPort port;
    FakeTimer timer;
    ManualTickClock clk;
    frmCom com{port, timer, clk};
    std::vector<std::string> calls;
    std::function<void()> duringTask;

    FrmComTest()
    {
        com.setHost(this);
        timer.setEnabled(true);
    }
    void task() override
    {
        calls.push_back("task");
        if (duringTask)
            duringTask();
    }
    void MsgBoxCloneErr() override
    {
        calls.push_back("report");
        com.Reset();   // as the model's reset does through the sequencer
    }
    void SaveProfileData() override { calls.push_back("save"); }
};

}  // namespace

TEST_F(FrmComTest, ResetSetsTheCableParametersAndClosesThePort)
{
    com.setcomOpen(true);
    com.setcomPortNum(4);
    com.Reset();
    EXPECT_FALSE(port.isOpen);
    EXPECT_EQ(com.comPortNum(), 1);
    EXPECT_EQ(com.comBaud(), 9600);
    EXPECT_TRUE(port.params.dtrEnable);
    EXPECT_TRUE(port.params.rtsEnable);
    EXPECT_EQ(port.params.inBufferSize, 32760);
    EXPECT_EQ(port.params.outBufferSize, 1024);
    EXPECT_EQ(port.params.rThreshold, 1);
    EXPECT_EQ(port.params.sThreshold, 0);
    EXPECT_EQ(timer.interval, 50);
}

TEST_F(FrmComTest, PortNumbersOutsideOneToTenAreIgnored)
{
    com.setcomPortNum(10);
    EXPECT_EQ(com.comPortNum(), 10);
    com.setcomPortNum(11);
    EXPECT_EQ(com.comPortNum(), 10);
    com.setcomPortNum(0);
    EXPECT_EQ(com.comPortNum(), 10);
}

TEST_F(FrmComTest, OpeningUsesPortNumberAndLineSettings)
{
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

TEST_F(FrmComTest, OpeningAnOpenPortKeepsItsSettingsButResetsTheDriver)
{
    com.setcomPortNum(2);
    com.setcomOpen(true);
    com.orb5D.setworkMode(1);
    com.orb5D.Send(bytes("E0 53 14 00 00"));
    ASSERT_TRUE(com.orb5D.Running());
    const int discards = port.discards;
    com.setcomPortNum(5);
    com.setcomOpen(true);
    EXPECT_EQ(port.port, 2);
    EXPECT_EQ(port.opens, 1);
    EXPECT_EQ(port.discards, discards + 1);
    EXPECT_FALSE(com.orb5D.Running());
}

TEST_F(FrmComTest, TickReadsWhatWaitsBeforeTheDriverAndWindowRun)
{
    com.setcomOpen(true);
    timer.fire();
    EXPECT_EQ(port.inputs, 0) << "nothing received: nothing read";
    EXPECT_EQ(calls, std::vector<std::string>{"task"});

    com.orb5D.setworkMode(1);
    com.orb5D.Send(bytes("E0 53 14 00 00"));
    port.receive(cat(port.written.back(), ModelAnswer()));
    bool answeredBeforeTask = false;
    duringTask = [&] { answeredBeforeTask = !com.orb5D.Running(); };
    timer.fire();
    EXPECT_EQ(port.inputs, 1);
    EXPECT_TRUE(answeredBeforeTask);
}

TEST_F(FrmComTest, DriverErrorIsReportedAndThePortClosedOnTheSameTick)
{
    calls.clear();
    com.setcomOpen(true);
    com.orb5D.setworkMode(1);
    com.orb5D.Send(bytes("E0 53 14 00 00"));
    clk.advance(1000);
    timer.fire();   // the echo time-out fires in the driver's task
    EXPECT_EQ(calls, (std::vector<std::string>{"task", "report"}));
    EXPECT_FALSE(com.comOpen());
    EXPECT_EQ(com.orb5D.lastError(), 1);
    EXPECT_FALSE(com.totalError());
}

TEST_F(FrmComTest, ReceiveNotificationRunsATickButNeverInsideOne)
{
    com.setcomOpen(true);
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
    com.orb5D.setworkMode(1);
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
}

TEST_F(FrmComTest, AllOverClosesThePortAndSavesTheSettings)
{
    com.setcomOpen(true);
    com.AllOver();
    EXPECT_FALSE(com.comOpen());
    EXPECT_EQ(calls, std::vector<std::string>{"save"});
    com.Form_Unload();
    EXPECT_FALSE(timer.enabled());
}
