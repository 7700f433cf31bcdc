// The operator settings through start-up, the tick and shutdown: stored
// values as they stand, and the port a Connect then opens.
#include <gtest/gtest.h>

#include <fstream>

#include "app/DorvelApp.h"
#include "app/MemoryWindow.h"
#include "tests/integration/Processes.h"
#include "tests/support/FakeSerialPort.h"
#include "tests/support/FakeTimer.h"
#include "tests/support/ManualTickClock.h"

namespace {

// The program on in-memory parts and a real settings file in a scratch folder.
struct SettingsRig {
    // text: the settings file, nullptr for none; writeTo: where its writes go
    // when not into the file itself.
    explicit SettingsRig(const char* text, const std::string& writeTo = {})
    {
        if (text != nullptr)
            std::ofstream(file, std::ios::binary) << text;
        if (!writeTo.empty())
            pf.setWriteTo(file, writeTo);
        app.Main();
    }
    void tick() { clk.advance(50); timer.fire(); }
    TempDir dir;
    std::string file = dir.file("Velmara.rs");
    platform::TextProfileFile pf;
    FakeSerialPort port;
    FakeTimer timer;
    ManualTickClock clk;
    MemoryWindow win;
    DorvelApp app{AppPlatform{&port, &timer, &clk, nullptr, &pf, dir.path()}, win.controls};
};

}  // namespace

TEST(Settings, StoredValuesAreTakenAsTheyStandAndWrittenBack)
{
    struct Case { const char* option; int16_t port, release; };   // option nullptr: no file
    const Case cases[] = {
        {nullptr, 1, 0},
        {"ComPort=3\nComAutoRelease=2\n", 3, 2},
        {"ComPort=0\nComAutoRelease=-1\n", 0, -1},
        {"ComPort=-32768\nComAutoRelease=32767\n", -32768, 32767},   // the ends of 16 bits
        {"ComPort=32768\nComAutoRelease=-32769\n", 1, 0},   // beyond them: the defaults
        {"ComPort=seven\nComAutoRelease=\x01\n", 1, 0},      // no numbers: the defaults
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option != nullptr ? c.option : "no file");
        SettingsRig r(c.option != nullptr ? (std::string("; bench\n[OPTION]\n") + c.option).c_str() : nullptr);
        EXPECT_EQ(r.app.mainWindow().ComPortNo(), c.port);
        EXPECT_EQ(r.app.mainWindow().ComAutoRelease(), c.release);
        EXPECT_EQ(r.app.seq().comHoldReload(), c.release * 1000);
        r.tick();
        for (int i = 1; i <= 4; ++i)
            EXPECT_EQ(r.win.mnuOptSelCom[i].checked(), i == c.port) << "COM " << i;
        for (int i = 0; i <= 5; ++i)
            EXPECT_EQ(r.win.mnuOptionSelAutoRelease[i].checked(), i == c.release) << "release " << i;
        EXPECT_EQ(r.win.lblComBusy.caption(), "COM " + std::to_string(c.port) + ": CLOSE");
        r.app.Shutdown();
        EXPECT_EQ(ReadFile(r.file), std::string(c.option != nullptr ? "; bench\n" : "") + "[OPTION]\nComPort=" +
                                        std::to_string(c.port) + "\nComAutoRelease=" + std::to_string(c.release) + "\n");
    }
}

// A port that cannot open is reported once, on the tick after Connect.
TEST(Settings, ConnectOpensTheStoredPortOrNamesItInTheRefusal)
{
    // opened: the port number handed to the device, 0: none; message: first line, "" for none.
    struct Case { const char* port; bool deviceRefuses; int16_t opened; const char* message; };
    const Case cases[] = {{"10", false, 10, ""}, {"10", true, 10, "Cannot access COM 10."},
                          {"11", false, 0, "Cannot access COM 11."} /* beyond the port service's range */,
                          {"0", false, 0, "Cannot access COM 0."}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.port);
        SettingsRig r((std::string("[OPTION]\nComPort=") + c.port + "\n").c_str());
        r.port.refuseOpen = c.deviceRefuses;
        r.app.mainWindow().cmd00_Click(0);
        r.tick();
        EXPECT_EQ(r.port.port, c.opened);
        EXPECT_EQ(r.port.isOpen, *c.message == '\0');
        ASSERT_EQ(r.win.msgBox.shown.size(), *c.message == '\0' ? 0u : 1u);
        if (*c.message != '\0') {
            const std::string& text = r.win.msgBox.shown[0].text;
            EXPECT_EQ(text.substr(0, text.find('\r')), c.message);
        }
        for (int i = 0; i < 10; ++i)
            r.tick();
        EXPECT_EQ(r.win.msgBox.shown.size(), *c.message == '\0' ? 0u : 1u) << "reported once";
        EXPECT_EQ(r.port.written.empty(), *c.message != '\0') << "nothing written to a port that did not open";
        r.app.Shutdown();
        EXPECT_FALSE(r.port.isOpen || r.timer.enabled()) << "the end closes the port and stops the tick";
    }
}

// A shared file that this user may not write (a bench PC's program folder):
// it is read, and the end's save goes to the user's own file, which keeps its
// other sections and comments.
TEST(Settings, ASharedFileIsReadAndTheSaveGoesToTheUsersOwnCopy)
{
    const char* shared = "; bench 4\n[PORTS]\nCOM3=/dev/ttyACM0\n[OPTION]\nComPort=3\nComAutoRelease=2\n";
    TempDir user;
    const std::string own = user.file("dorvel-adj/Velmara.rs");
    {
        SettingsRig r(shared, own);
        EXPECT_EQ(r.app.mainWindow().ComPortNo(), 3);
        r.app.Shutdown();
        EXPECT_FALSE(FileExists(own)) << "nothing changed: nothing written";
    }
    SettingsRig r(shared, own);
    r.app.mainWindow().mnuOptSelCom_Click(4);
    r.app.Shutdown();
    EXPECT_EQ(ReadFile(r.file), shared) << "the shared file stays as it was";
    EXPECT_EQ(ReadFile(own), "; bench 4\n[PORTS]\nCOM3=/dev/ttyACM0\n[OPTION]\nComPort=4\nComAutoRelease=2\n");
    // From then on the user's copy is the settings, also for what is read
    // during the run (a device chosen in the window).
    EXPECT_EQ(r.pf.GetPrivateProfileString("OPTION", "ComPort", "", 255, r.file), "4");
}
