// Start-up and shutdown of the desktop program: one copy at a time, the
// settings file, and the window's size and layout on the real window system.
#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>
#include <signal.h>

#include <cmath>
#include <cstdlib>
#include <fstream>

#include "model/clsIndOp_RigTavik.h"
#include "platform/qt/QtInstanceLock.h"
#include "tests/gui/GuiRig.h"

namespace {

const char kRefusal[] = "Cannot execute Dorvel ADJ Rev.1.0 repeatedly.\nDorvel ADJ Rev.1.0 is already executing.";

TEST(Startup, ASecondCopyIsRefusedWithoutAWindow)
{
    GuiRig r;
    platform::QtInstanceLock first(r.dir.file("dorvel-adj.lock"));
    ASSERT_TRUE(first.tryLock());
    BoxCatcher boxes;
    EXPECT_FALSE(r.desk->start());
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, kRefusal);
    EXPECT_EQ(boxes.boxes[0].title, "Dorvel ADJ Rev.1.0");
    EXPECT_EQ(boxes.boxes[0].icon, static_cast<int>(QMessageBox::Critical));
    EXPECT_FALSE(r.w().isVisible());
    r.desk.reset();
    EXPECT_FALSE(FileExists(r.dir.file("Velmara.rs"))) << "no setting touched";
}

// The real program in its own process holds the lock; once it is killed
// (no chance to clean up), the next start takes the lock over.
TEST(Startup, AnotherProcessBlocksUntilItDiesAndItsLockIsTakenOver)
{
    TempDir runtime;
    ASSERT_EQ(chmod(runtime.path().c_str(), 0700), 0);
    QProcess other;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.path()));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    other.setProcessEnvironment(env);
    other.start(QString::fromStdString(BinPath("dorvel-adj")), {});
    ASSERT_TRUE(other.waitForStarted(5000));
    const std::string lock = runtime.file("dorvel-adj.lock");
    ASSERT_TRUE(WaitFor([&] { return FileExists(lock); }, 10000));

    {
        TempDir settings;
        DesktopOptions d;
        d.settingsFolder = settings.path();
        d.lockPath = lock;
        DesktopApp second(d);
        BoxCatcher boxes;
        EXPECT_FALSE(second.start()) << "the other process runs";
        EXPECT_EQ(boxes.boxes.size(), 1u);
    }

    ::kill(static_cast<pid_t>(other.processId()), SIGKILL);
    ASSERT_TRUE(other.waitForFinished(5000));
    ASSERT_TRUE(FileExists(lock)) << "a killed copy leaves its lock behind";

    TempDir settings;
    DesktopOptions d;
    d.settingsFolder = settings.path();
    d.lockPath = lock;
    DesktopApp next(d);
    BoxCatcher boxes;
    EXPECT_TRUE(next.start());
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&next.window()));
}

TEST(Settings, MenuChoicesAreWrittenAtShutdownAndReadBack)
{
    TempDir dir;
    std::ofstream(dir.file("Velmara.rs")) << "; bench 4\n[PORTS]\nCOM2=/dev/ttyACM0\n";
    DesktopOptions d;
    d.settingsFolder = dir.path();
    d.lockPath = dir.file("lock");
    {
        DesktopApp desk(d);
        ASSERT_TRUE(desk.start());
        EXPECT_EQ(desk.app().mainWindow().ComPortNo(), 1) << "no OPTION section: port 1";
        EXPECT_EQ(desk.app().mainWindow().ComAutoRelease(), 0);
        desk.window().mnuOptSelCom(2)->trigger();
        desk.window().mnuOptionSelAutoRelease(5)->trigger();
        desk.window().mnuFileExit()->trigger();
        EXPECT_FALSE(desk.window().isVisible());
        EXPECT_FALSE(desk.app().com().comOpen());
    }
    EXPECT_EQ(ReadFile(dir.file("Velmara.rs")),
              "; bench 4\n[PORTS]\nCOM2=/dev/ttyACM0\n[OPTION]\nComPort=2\nComAutoRelease=5\n");
    DesktopApp again(d);
    ASSERT_TRUE(again.start());
    EXPECT_TRUE(WaitFor([&] { return again.window().mnuOptSelCom(2)->isChecked(); }, 1000));
    EXPECT_TRUE(again.window().mnuOptionSelAutoRelease(5)->isChecked());
    EXPECT_EQ(again.app().seq().comHoldReload(), 5000);
}

TEST(Settings, AGarbledFileStartsWithTheDefaults)
{
    RigOptions o;
    o.settings = "[OPTION]\nComPort=\x01\x02junk\nComAutoRelease=seven\n\xFF\xFE[[[\n";
    GuiRig r(o);
    ASSERT_TRUE(r.start());
    EXPECT_TRUE(WaitFor([&] { return r.w().mnuOptSelCom(1)->isChecked(); }, 1000));
    EXPECT_TRUE(r.w().mnuOptionSelAutoRelease(0)->isChecked());
    EXPECT_EQ(r.w().lblComBusy()->text(), "COM 1: CLOSE");
}

TEST(Settings, ThePortsSectionLeadsAPortToItsDevice)
{
    RigOptions o;
    o.demo = false;
    o.settings = "[OPTION]\nComPort=3\n[PORTS]\nCOM3=@DEVICE@\n";
    GuiRig r(o);
    ASSERT_TRUE(r.start());
    ASSERT_TRUE(r.connect()) << "COM 3 reaches the simulated radio";
    EXPECT_EQ(r.desk->port().devicePath(), r.sim->device());
    EXPECT_TRUE(r.w().mnuOptSelCom(3)->isChecked());
}

// ---- size and layout -------------------------------------------------------------

int32_t Twips(MainWindow& w, int px)
{
    return w.scale().toTwipsY(px);
}

// Run once per screen size by the build (offscreen screens 512, 400 and 700
// pixels high at 96 dpi: 7680, 6000 and 10500 twips), and on the default one.
TEST(Layout, TheWindowHeightFollowsTheScreen)
{
    GuiRig r;
    ASSERT_TRUE(r.start());
    QTest::qWait(50);   // the window system frames the window
    MainWindow& w = r.w();
    const int32_t screen = Twips(w, w.screen()->geometry().height());
    int32_t expected = static_cast<int32_t>(std::floor(screen * 0.9 + 0.5));
    if (screen == 7680) {
        EXPECT_EQ(expected, 6912);
    }
    expected = expected < 6600 ? 6600 : expected > 9000 ? 8500 : expected;
    EXPECT_NEAR(Twips(w, w.frameGeometry().height()), expected, 15) << "screen of " << screen << " twips";
    EXPECT_NEAR(Twips(w, w.frameGeometry().width()), 9525, 15);
    const int left = w.frameGeometry().x();
    EXPECT_NEAR(left, (w.screen()->geometry().width() - w.frameGeometry().width()) / 2.0, 1.0) << "centred";
    if (const char* want = std::getenv("DORVEL_EXPECT_WINDOW_HEIGHT")) {
        EXPECT_NEAR(Twips(w, w.frameGeometry().height()), std::atoi(want), 15);
    }
}

TEST(Layout, AShrunkWindowKeepsEveryControlOnePixelHigh)
{
    GuiRig r;
    ASSERT_TRUE(r.start());
    MainWindow& w = r.w();
    w.resize(60, 40);
    ASSERT_TRUE(WaitFor([&] { return w.width() <= 200; }, 2000));
    QTest::qWait(50);
    for (QWidget* c : std::initializer_list<QWidget*>{w.fra01(0), w.fra01(1), w.fra01(2), w.fra01(3), w.lbo01(0),
                                                      w.lbo01(1), w.lboConsole(), w.txtDispPara(), w.cmd00(0)}) {
        EXPECT_GE(c->height(), 1) << c->metaObject()->className();
        EXPECT_GE(c->width(), 1) << c->metaObject()->className();
    }
}

TEST(Layout, TheOperatorsSizeIsKeptAndTheControlsFollowIt)
{
    GuiRig r;
    ASSERT_TRUE(r.start());
    MainWindow& w = r.w();
    const QSize first = w.size();
    w.resize(first.width() + 150, first.height() - 100);
    ASSERT_TRUE(WaitFor([&] { return w.width() == first.width() + 150; }, 2000));
    QTest::qWait(100);
    EXPECT_EQ(w.size(), QSize(first.width() + 150, first.height() - 100)) << "no new sizing against the screen";
    // Frames: 120 twips (8 px) in from each side of the client area.
    EXPECT_EQ(w.fra01(1)->geometry().width(), w.centralWidget()->width() - 16);
    EXPECT_EQ(w.fra01(0)->geometry(), w.fra01(1)->geometry());
    EXPECT_EQ(w.fra01(3)->geometry(), w.fra01(1)->geometry());
    const int group = w.cmd00(2)->geometry().right() - w.cmd00(0)->geometry().left();
    EXPECT_NEAR(w.cmd00(0)->geometry().left() + group / 2.0, w.centralWidget()->width() / 2.0, 1.5)
        << "the buttons stay centred";
}

}  // namespace
