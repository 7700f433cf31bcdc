// Figures of the desktop window in use, against the fast simulated radio:
//
//   bench_window soak SECONDS   Connect, then step console items with the
//                               arrow keys (one key every 100 ms) for SECONDS;
//                               resident memory after Connect, every minute
//                               and at the end
//   bench_window idle SECONDS   processor time used over SECONDS while idle,
//                               first unconnected, then connected
//
// The window runs on the offscreen window system unless QT_QPA_PLATFORM says
// otherwise. Nothing is asserted; the figures are printed.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "app/qt/DesktopApp.h"
#include "model/clsIndOp_RigTavik.h"
#include "tests/integration/Processes.h"

namespace {

long RssKiB()
{
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

// User and system time of this process, in seconds.
double CpuSeconds()
{
    std::ifstream in("/proc/self/stat");
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::istringstream rest(all.substr(all.rfind(')') + 2));
    std::string field;
    unsigned long utime = 0;
    unsigned long stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14)
            utime = std::stoul(field);
        if (i == 15)
            stime = std::stoul(field);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

bool Connect(DesktopApp& desk)
{
    QTest::mouseClick(desk.window().cmd00(0), Qt::LeftButton);
    return QTest::qWaitFor([&] { return desk.app().model().RigTavikProp_EditEnabled(); }, 60000);
}

void IdleFor(const char* what, int seconds)
{
    const double before = CpuSeconds();
    QElapsedTimer t;
    t.start();
    // A plain event loop: QTest::qWait would poll and add its own load.
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double used = CpuSeconds() - before;
    std::printf("idle %-12s %6.3f s of processor time in %.1f s: %.3f %% of one core\n", what, used,
                t.elapsed() / 1000.0, 100.0 * used / (t.elapsed() / 1000.0));
}

// Adjustment frames the PC sent, from the simulator's log.
long AdjustFrames(const std::string& log)
{
    std::ifstream in(log);
    long n = 0;
    for (std::string line; std::getline(in, line);)
        if (line.find(" pc FEFEEEEFE8") != std::string::npos)
            ++n;
    return n;
}

int Soak(DesktopApp& desk, int seconds, const std::string& log)
{
    QListWidget* list = desk.window().lboConsole();
    std::printf("rss after start-up   %6ld KiB\n", RssKiB());
    if (!Connect(desk)) {
        std::fprintf(stderr, "Connect did not finish\n");
        return 1;
    }
    QTest::qWait(2000);
    std::printf("rss after Connect    %6ld KiB\n", RssKiB());
    std::fflush(stdout);

    // Walk over the ordinary items 1..9, stepping each up and back down.
    QElapsedTimer t;
    t.start();
    long keys = 0;
    int row = 1;
    list->setCurrentRow(row);
    qint64 nextReport = 60000;
    while (t.elapsed() < seconds * 1000LL) {
        const int phase = static_cast<int>(keys % 8);
        if (phase < 3)
            QTest::keyClick(list, Qt::Key_Right);
        else if (phase == 3)
            QTest::keyClick(list, Qt::Key_Right, Qt::ShiftModifier);
        else if (phase == 4)
            QTest::keyClick(list, Qt::Key_Left, Qt::ShiftModifier);
        else if (phase < 7)
            QTest::keyClick(list, Qt::Key_Left);
        else {
            QTest::keyClick(list, Qt::Key_Left);
            row = row % 9 + 1;
            list->setCurrentRow(row);
        }
        ++keys;
        QTest::qWait(100);
        if (t.elapsed() >= nextReport) {
            std::printf("rss after %3lld min    %6ld KiB  (%ld keys)\n", nextReport / 60000, RssKiB(), keys);
            std::fflush(stdout);
            nextReport += 60000;
        }
    }
    if (!desk.app().model().RigTavikProp_EditEnabled()) {
        std::fprintf(stderr, "the console is no longer editable\n");
        return 1;
    }
    std::printf("rss after %d s of editing %6ld KiB  (%ld keys, %ld adjustment frames on the wire)\n", seconds,
                RssKiB(), keys, AdjustFrames(log));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 3 || (std::string(argv[1]) != "soak" && std::string(argv[1]) != "idle")) {
        std::cerr << "usage: bench_window soak SECONDS | idle SECONDS" << std::endl;
        return 2;
    }
    const std::string mode = argv[1];
    const int seconds = std::atoi(argv[2]);

    TempDir dir;
    const std::string log = dir.file("wire.log");
    SimProcess sim({"--fast", "--log", log});
    DesktopOptions opt;
    opt.settingsFolder = dir.path();
    opt.lockPath = dir.file("dorvel-adj.lock");
    opt.demoDevice = sim.device();
    opt.backupFolder = dir.file("backups");
    DesktopApp desk(opt);
    if (!desk.start() || !QTest::qWaitForWindowExposed(&desk.window()))
        return 1;

    if (mode == "soak")
        return Soak(desk, seconds, log);

    QTest::qWait(1000);
    IdleFor("unconnected", seconds);
    if (!Connect(desk))
        return 1;
    QTest::qWait(3000);   // the first readouts
    IdleFor("connected", seconds);
    return 0;
}
