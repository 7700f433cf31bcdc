// The main window's logic without a window system: keys into the console,
// F5, the hidden key sequence, menus, the port status, the first showing,
// the settings and the start-up refusal.
#include <gtest/gtest.h>

#include <fstream>

#include "app/KeyCodes.h"
#include "link/clsCmcOrb5Sequence.h"
#include "model/clsIndOp_RigTavik.h"
#include "tests/app/WindowBench.h"
#include "tests/integration/Processes.h"

namespace {

constexpr int16_t kPowerHi = 1;   // " Power(Hi)", an ordinary item
constexpr int16_t kRssi = 17;     // "      RSSI", Enter starts its capture

TEST(WindowKeys, ArrowsStepTheSelectedItemAndNeverReachTheListBox)
{
    WindowBench b;
    b.win.lboConsole.sel = kPowerHi;
    b.console().setValue(kPowerHi, 100);
    b.console().setflgChanged(kPowerHi, false);
    struct Case {
        int16_t key;
        int16_t shift;
        int16_t value;
    };
    const Case cases[] = {
        {kKeyRight, 0, 101},
        {kKeyRight, kShiftMask, 106},
        {kKeyLeft, 0, 105},
        {kKeyLeft, kShiftMask, 100},
        {kKeyRight, kShiftMask | kCtrlMask, 105},   // other modifiers change nothing
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(b.main().lboConsole_KeyDown(c.key, c.shift)) << "swallowed";
        EXPECT_EQ(b.console().Value(kPowerHi), c.value);
        EXPECT_TRUE(b.console().flgChanged(kPowerHi));
        EXPECT_EQ(b.win.lboConsole.sel, kPowerHi) << "the selection stays";
    }
    EXPECT_NE(b.win.lboConsole.line(kPowerHi).find("105"), std::string::npos) << "the line is redrawn";
}

TEST(WindowKeys, EnterAndTheKeypadSeparatorMarkTheSelectedItem)
{
    for (int16_t key : {kKeyReturn, kKeySeparator}) {
        WindowBench b;
        b.win.lboConsole.sel = kRssi;
        EXPECT_TRUE(b.main().lboConsole_KeyDown(key, 0));
        EXPECT_TRUE(b.console().flgEnterOn(kRssi)) << key;
        EXPECT_FALSE(b.console().flgEnterOn(kPowerHi));
    }
}

TEST(WindowKeys, OtherKeysAreTheListBoxs)
{
    WindowBench b;
    b.win.lboConsole.sel = kPowerHi;
    const int16_t before = b.console().Value(kPowerHi);
    for (int16_t key : {kKeyUp, kKeyDown, kKeyPageUp, kKeyPageDown, kKeyOther, kKeyEscape})
        EXPECT_FALSE(b.main().lboConsole_KeyDown(key, 0)) << key;
    EXPECT_EQ(b.console().Value(kPowerHi), before);
    EXPECT_FALSE(b.console().flgChanged(kPowerHi));
}

TEST(WindowKeys, NoSelectionChangesNothingAndFocusSelectsTheFirstLine)
{
    WindowBench b;
    ASSERT_EQ(b.win.lboConsole.sel, -1);
    EXPECT_TRUE(b.main().lboConsole_KeyDown(kKeyRight, 0));
    for (int16_t i = 0; i < b.console().ListCount(); ++i)
        EXPECT_FALSE(b.console().flgChanged(i)) << i;
    b.main().lboConsole_GotFocus();
    EXPECT_EQ(b.win.lboConsole.sel, 0);
    b.win.lboConsole.sel = 5;
    b.main().lboConsole_GotFocus();
    EXPECT_EQ(b.win.lboConsole.sel, 5) << "a selection is kept";
}

TEST(WindowKeys, F5ReloadsFromAnywhere)
{
    WindowBench b;
    EXPECT_FALSE(b.main().Form_KeyDown(kKeyRight, 0));
    ASSERT_TRUE(b.connect());
    b.app->model().reloadRequest = false;
    EXPECT_TRUE(b.main().Form_KeyDown(kKeyF5, 0));
    EXPECT_TRUE(b.app->model().reloadRequest) << "the same as the second button";
}

TEST(WindowKeys, TheHiddenSequenceReplacesTheCaption)
{
    WindowBench b;
    b.main().Form_Load();
    auto type = [&](const std::string& s) {
        for (char c : s)
            b.main().cmd00_KeyPress(c);
    };
    type("dorvelservic");
    EXPECT_EQ(b.win.caption.cap, "Dorvel ADJ Rev.1.0");
    type("x");
    EXPECT_EQ(b.win.caption.cap, "Dorvel ADJ Rev.1.0") << "one wrong character";
    type("..dorvelservice");
    EXPECT_EQ(b.main().keyBuffer().size(), 13u) << "only the last 13 characters are kept";
    EXPECT_EQ(b.win.caption.cap, "Dorvel ADJ Rev.1.0 - service bench");

    b.main().Form_Load();
    type("DorvelService");
    EXPECT_EQ(b.win.caption.cap, "Dorvel ADJ Rev.1.0 - service bench") << "typed in any case";
}

TEST(WindowMenus, ChoicesMoveTheCheckMarksOnTheNextTick)
{
    WindowBench b;
    b.tick();
    EXPECT_TRUE(b.win.mnuOptSelCom[1].chk);
    EXPECT_TRUE(b.win.mnuOptionSelAutoRelease[0].chk);

    b.main().mnuOptSelCom_Click(2);
    b.main().mnuOptionSelAutoRelease_Click(3);
    EXPECT_EQ(b.app->seq().comHoldReload(), 3000);
    EXPECT_EQ(b.app->model().myPortNo, 2) << "the model resets onto the new port";
    EXPECT_TRUE(b.win.mnuOptSelCom[1].chk) << "not before the tick";
    b.tick();
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(b.win.mnuOptSelCom[i].chk, i == 2) << i;
    for (int i = 0; i <= 5; ++i)
        EXPECT_EQ(b.win.mnuOptionSelAutoRelease[i].chk, i == 3) << i;
    EXPECT_EQ(b.win.lblComBusy.cap, "COM 2: CLOSE");
    EXPECT_EQ(b.win.lblComBusy.colour, platform::SysColour::GrayText);
}

TEST(WindowStatus, ThePortLabelFollowsThePort)
{
    WindowBench b;
    b.tick();
    EXPECT_EQ(b.win.lblComBusy.cap, "COM 1: CLOSE");
    EXPECT_EQ(b.win.lblComBusy.colour, platform::SysColour::GrayText);
    b.main().cmd00_Click(0);
    ASSERT_TRUE(b.runUntil([&] { return b.port.isOpen; }, 50));
    b.tick();
    EXPECT_EQ(b.win.lblComBusy.cap, "COM 1: OPEN");
    EXPECT_EQ(b.win.lblComBusy.colour, platform::SysColour::ButtonText);
}

// ---- settings and start-up ----------------------------------------------------

class WindowSettings : public ::testing::Test {
protected:
    void store(const std::string& text) { std::ofstream(dir.file("Velmara.rs"), std::ios::binary) << text; }
    TempDir dir;
};

TEST_F(WindowSettings, NoFileStartsOnPortOneWithReleaseOff)
{
    WindowBench b(dir.path());
    EXPECT_EQ(b.main().ComPortNo(), 1);
    EXPECT_EQ(b.main().ComAutoRelease(), 0);
    EXPECT_EQ(b.app->seq().comHoldReload(), 0);
    EXPECT_FALSE(FileExists(dir.file("Velmara.rs"))) << "nothing is written before shutdown";
}

TEST_F(WindowSettings, StoredValuesAreTakenAndShutdownWritesThemBack)
{
    store("[PORTS]\nCOM3=/dev/ttyACM0\n[OPTION]\nComPort=3\nComAutoRelease=2\n");
    {
        WindowBench b(dir.path());
        EXPECT_EQ(b.main().ComPortNo(), 3);
        EXPECT_EQ(b.app->model().myPortNo, 3);
        EXPECT_EQ(b.app->seq().comHoldReload(), 2000);
        b.tick();
        EXPECT_TRUE(b.win.mnuOptSelCom[3].chk);
        EXPECT_TRUE(b.win.mnuOptionSelAutoRelease[2].chk);
        b.main().mnuOptSelCom_Click(4);
        b.main().mnuOptionSelAutoRelease_Click(5);
        b.app->Shutdown();
    }
    EXPECT_EQ(ReadFile(dir.file("Velmara.rs")),
              "[PORTS]\nCOM3=/dev/ttyACM0\n[OPTION]\nComPort=4\nComAutoRelease=5\n");
    WindowBench again(dir.path());
    EXPECT_EQ(again.main().ComPortNo(), 4);
    EXPECT_EQ(again.main().ComAutoRelease(), 5);
}

TEST_F(WindowSettings, GarbledOrOutOfRangeValuesStartWithTheDefaults)
{
    struct Case {
        const char* file;
        int16_t port;
        int16_t release;
    };
    const Case cases[] = {
        {"[OPTION]\nComPort=abc\nComAutoRelease=1.5.2\n", 1, 0},
        {"[OPTION]\nComPort=0\nComAutoRelease=6\n", 1, 0},
        {"[OPTION]\nComPort=11\nComAutoRelease=-1\n", 1, 0},
        {"[OPTION]\nComPort=70000\nComAutoRelease=99999999999\n", 1, 0},
        {"[OPTION]\nComPort=7\nComAutoRelease=5\n", 7, 5},   // ports 5 to 10 through the PORTS section
        {"\x01\xFF[OPTION\n=\n[]\nComPort\n", 1, 0},
    };
    for (const Case& c : cases) {
        store(c.file);
        WindowBench b(dir.path());
        EXPECT_EQ(b.main().ComPortNo(), c.port) << c.file;
        EXPECT_EQ(b.main().ComAutoRelease(), c.release) << c.file;
        b.tick();
        int checked = 0;
        for (int i = 1; i <= 4; ++i)
            checked += b.win.mnuOptSelCom[i].chk ? 1 : 0;
        EXPECT_EQ(checked, c.port <= 4 ? 1 : 0) << c.file;
    }
}

TEST_F(WindowSettings, ASecondCopyIsRefusedBeforeAnythingElse)
{
    store("[OPTION]\nComPort=3\n");
    WindowBench b(dir.path(), false);
    b.lock.free = false;
    EXPECT_FALSE(b.app->Main());
    ASSERT_EQ(b.win.msgBox.shown.size(), 1u);
    EXPECT_EQ(b.win.msgBox.shown[0].text,
              "Cannot execute Dorvel ADJ Rev.1.0 repeatedly.\r\nDorvel ADJ Rev.1.0 is already executing.");
    EXPECT_EQ(b.win.msgBox.shown[0].title, "Dorvel ADJ Rev.1.0");
    EXPECT_EQ(b.win.msgBox.shown[0].icon, platform::MsgIcon::Critical);
    EXPECT_FALSE(b.timer.enabled()) << "no heartbeat";
    EXPECT_EQ(b.port.paramSets, 0) << "the port was never touched";
    b.app->Shutdown();
    EXPECT_EQ(ReadFile(dir.file("Velmara.rs")), "[OPTION]\nComPort=3\n") << "no setting touched";
}

}  // namespace
