// Start-up and shutdown of the desktop program: one copy at a time, the
// settings file, and the window's size and layout on the window system.
#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <fstream>

#include "app/qt/PortDeviceDialog.h"
#include "tests/gui/GuiRig.h"
#include "tests/support/FakeSerialPort.h"

namespace {

// The real program in its own process holds the lock: a second copy is
// refused without a window. Once it is killed (no chance to clean up), the
// next start takes the lock over.
TEST(Startup, OneCopyAtATimeAndAStaleLockIsTakenOver)
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
    GuiRig r;
    r.options.lockPath = runtime.file("dorvel-adj.lock");
    ASSERT_TRUE(WaitFor([&] { return FileExists(r.options.lockPath); }));

    BoxCatcher boxes;
    EXPECT_FALSE(r.start());
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text,
              "Cannot execute Dorvel ADJ Rev.1.0 repeatedly.\nDorvel ADJ Rev.1.0 is already executing.");
    EXPECT_FALSE(r.w().isVisible());
    r.desk.reset();
    EXPECT_FALSE(FileExists(r.settings)) << "no setting touched";

    ::kill(static_cast<pid_t>(other.processId()), SIGKILL);
    ASSERT_TRUE(other.waitForFinished(5000));
    ASSERT_TRUE(FileExists(r.options.lockPath)) << "a killed copy leaves its lock behind";
    EXPECT_TRUE(r.start());
    EXPECT_EQ(boxes.boxes.size(), 1u);
}

// Port and release time as the window shows them after start-up.
void ExpectShown(GuiRig& r, int port, int release, const std::string& what)
{
    MainWindow& w = r.w();
    const QString label = QString("COM %1: CLOSE").arg(port);
    ASSERT_TRUE(WaitFor([&] { return w.lblComBusy()->text() == label; }, 1000)) << what;
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(w.mnuOptSelCom(i)->isChecked(), i == port) << what << " COM " << i;
    for (int i = 0; i <= 5; ++i)
        EXPECT_EQ(w.mnuOptionSelAutoRelease(i)->isChecked(), i == release) << what << " release " << i;
    EXPECT_EQ(r.app().seq().comHoldReload(), release * 1000) << what;
}

TEST(Settings, StoredValuesMenusAndPortsThroughTheWindow)
{
    SimProcess sim({"--fast"});
    FakePortLister lister;
    lister.ports = {{"/dev/ttyS0", "", "", "", "", false}, {"/dev/ttyACM7", sim.device(), "Cloning cable", "Maker", "42", true}};
    GuiRig r;
    r.options.portLister = &lister;
    std::ofstream(r.settings) << "; bench 4\n[PORTS]\nCOM3=/dev/no-such-cable\n[OPTION]\nComPort=11\n"
                                 "ComAutoRelease=8\nExtra=x\n";
    ASSERT_TRUE(r.start());
    ExpectShown(r, 11, 8, "as stored, without menu entries");
    BoxCatcher boxes;
    auto connect = [&](const char* first) {
        const size_t before = boxes.boxes.size();
        QTest::mouseClick(r.w().cmd00(0), Qt::LeftButton);
        ASSERT_TRUE(WaitFor([&] { return boxes.boxes.size() > before; }, 5000)) << first;
        EXPECT_TRUE(boxes.boxes.back().text.startsWith(first)) << boxes.boxes.back().text.toStdString();
    };
    connect("Cannot access COM 11.\n\nCheck the following:");   // beyond the port service's range
    EXPECT_EQ(boxes.boxes.back().detail.toStdString(), "COM 11 is not a port number this program opens (1 to 10).");
    r.w().mnuOptSelCom(3)->trigger();
    r.w().mnuOptionSelAutoRelease(4)->trigger();
    ExpectShown(r, 3, 4, "after the menus");
    connect("Cannot access COM 3.\n");
    EXPECT_TRUE(boxes.boxes.back().detail.startsWith("COM 3, /dev/no-such-cable: ")) << boxes.boxes.back().detail.toStdString();
    EXPECT_TRUE(boxes.boxes.back().detail.contains("No such device")) << boxes.boxes.back().detail.toStdString();

    // "Port device..." lists the ports present; the one chosen becomes the
    // selected port's device in the settings file at once, and the next
    // Connect opens it.
    QTimer pick;
    std::string findings;   // what the dialog tells of the chosen device
    QObject::connect(&pick, &QTimer::timeout, [&] {
        auto* d = qobject_cast<PortDeviceDialog*>(QApplication::activeModalWidget());
        if (d == nullptr || !d->isVisible() || d->list()->topLevelItemCount() < 2)
            return;
        d->list()->setCurrentItem(d->list()->topLevelItem(1));
        findings = d->findingsText().toStdString();
        d->accept();
    });
    pick.start(20);
    r.desk->mnuOptionPortDevice()->trigger();
    EXPECT_EQ(findings, sim.device() + ": nothing stands in the way (no adapter driver, no latency timer, low latency "
                                       "not supported)");
    const std::string ports = "; bench 4\n[PORTS]\nCOM3=" + sim.device() + "\n[OPTION]\n";
    EXPECT_EQ(ReadFile(r.settings), ports + "ComPort=11\nComAutoRelease=8\nExtra=x\n");
    QTest::mouseClick(r.w().cmd00(0), Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return r.app().model().RigTavikProp_EditEnabled(); }, 30000));

    r.w().mnuFileExit()->trigger();
    EXPECT_FALSE(r.w().isVisible());
    EXPECT_EQ(ReadFile(r.settings), ports + "ComPort=3\nComAutoRelease=4\nExtra=x\n");
}

// A settings file that cannot be written is told at the end, not lost
// without a word; one that is no regular file neither stops the start nor
// is replaced.
TEST(Settings, AFileThatCannotBeWrittenIsToldAtExit)
{
    struct Case { const char* name; std::function<bool(const std::string&)> make; };
    const Case cases[] = {
        {"folder", [](const std::string& f) { return ::mkdir(f.c_str(), 0755) == 0; }},
        {"FIFO", [](const std::string& f) { return ::mkfifo(f.c_str(), 0644) == 0; }},
        {"immutable file", [](const std::string& f) {
             std::ofstream(f) << "[OPTION]\nComPort=2\n";
             return RunProgram({"/usr/bin/chattr", "+i", f}).status == 0;   // root only
         }},
        {"read-only file", [](const std::string& f) {
             std::ofstream(f) << "[OPTION]\nComPort=2\n";
             return ::chmod(f.c_str(), 0444) == 0 && ::geteuid() != 0;   // root writes anyway
         }},
    };
    for (const Case& c : cases) {
        GuiRig r;
        if (!c.make(r.settings))
            continue;
        struct stat before {};
        ASSERT_EQ(::stat(r.settings.c_str(), &before), 0);
        ASSERT_TRUE(r.start()) << c.name;
        r.w().mnuOptSelCom(3)->trigger();
        BoxCatcher boxes;
        r.w().mnuFileExit()->trigger();
        RunProgram({"/usr/bin/chattr", "-i", r.settings});
        EXPECT_EQ(boxes.boxes.size(), 1u) << c.name;
        for (const BoxCatcher::Box& b : boxes.boxes) {
            EXPECT_TRUE(b.text.startsWith("The settings could not be written to " + QString::fromStdString(r.settings)))
                << b.text.toStdString();
            EXPECT_EQ(b.icon, static_cast<int>(QMessageBox::Warning));
        }
        struct stat after {};
        ASSERT_EQ(::stat(r.settings.c_str(), &after), 0);
        EXPECT_EQ(after.st_mode, before.st_mode) << c.name;
        EXPECT_EQ(after.st_ino, before.st_ino) << c.name << ": not replaced";
    }
}

// The build runs this on screens 7680, 6000 and 10500 twips high and names
// the height it expects; the default offscreen screen is taller than 10000.
TEST(Layout, FirstSizingAndShrinking)
{
    GuiRig r;
    ASSERT_TRUE(r.start());
    QTest::qWait(50);   // the window system frames the window
    MainWindow& w = r.w();
    const char* want = std::getenv("DORVEL_EXPECT_WINDOW_HEIGHT");
    const auto twips = [&](int px) { return w.scale().toTwipsY(px); };
    EXPECT_NEAR(twips(w.frameGeometry().height()), want != nullptr ? std::atoi(want) : 8500, 15);
    EXPECT_NEAR(twips(w.frameGeometry().width()), 9525, 15);
    EXPECT_NEAR(w.frameGeometry().center().x(), w.screen()->geometry().center().x(), 1.0) << "centred";

    const QSize first = w.size();
    w.resize(first.width() + 150, first.height() - 100);
    ASSERT_TRUE(WaitFor([&] { return w.width() == first.width() + 150; }, 2000));
    QTest::qWait(100);
    EXPECT_EQ(w.size(), QSize(first.width() + 150, first.height() - 100)) << "no new sizing against the screen";
    EXPECT_EQ(w.fra01(1)->width(), w.centralWidget()->width() - 16) << "the frames follow, 120 twips in";

    w.resize(60, 40);
    ASSERT_TRUE(WaitFor([&] { return w.width() <= 200; }, 2000));
    QTest::qWait(50);
    for (QWidget* c : std::initializer_list<QWidget*>{w.fra01(0), w.fra01(1), w.fra01(2), w.fra01(3), w.lbo01(0),
                                                      w.lbo01(1), w.lboConsole(), w.txtDispPara(), w.cmd00(0)}) {
        EXPECT_GE(c->height(), 1) << c->metaObject()->className();
        EXPECT_GE(c->width(), 1) << c->metaObject()->className();
    }
}

}  // namespace
