// dorvel-adj: the service adjustment window.
//
//   dorvel-adj            the window, on the COM port of the settings
//   dorvel-adj --demo     the window on a simulated radio (dorvel-sim); with
//                         no display, a headless session against it instead
//
// Options for the repository's scripts (not for operators):
//   --screenshot FILE     demo on the fast simulator: Connect, wait for the
//                         editable console and its readouts, save the
//                         window as an image, quit
//   --screenshot-plots FILE
//                         demo on the fast simulator: Connect, a BPF T1
//                         sweep and an RX LVA search, then save the sweep
//                         plot window as an image, quit
//   --exit-when-shown     quit as soon as the window is on the screen,
//                         printing the time since start-up
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <cstring>
#include <iostream>
#include <optional>

#include "DorvelVersion.h"
#include "app/qt/DemoRadio.h"
#include "app/qt/DesktopApp.h"
#include "model/clsIndOp_RigTavik.h"
#include "platform/SettingsLocation.h"

namespace {

const char kUsage[] =
    "usage: dorvel-adj [--demo]\n"
    "  --demo      run on a simulated radio (dorvel-sim from the program's folder,\n"
    "              else from PATH); without a display, run a headless session\n"
    "              against it instead\n"
    "  --help      show this text\n"
    "  --version   show the version\n";

struct Options {
    bool demo = false;
    bool exitWhenShown = false;
    std::string screenshot;
    std::string screenshotPlots;
};

// 0: go on; otherwise the exit status.
int parse(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--demo") {
            o.demo = true;
        } else if (a == "--exit-when-shown") {
            o.exitWhenShown = true;
        } else if (a == "--screenshot" || a == "--screenshot-plots") {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                std::cerr << "dorvel-adj: " << a << " needs a file name" << std::endl;
                return 2;
            }
            (a == "--screenshot" ? o.screenshot : o.screenshotPlots) = argv[++i];
            o.demo = true;
        } else if (a == "--help" || a == "-h") {
            std::cout << kUsage;
            return -1;
        } else if (a == "--version") {
            // Before any display, lock or settings file is touched.
            std::cout << "dorvel-adj " DORVEL_VERSION << std::endl;
            return -1;
        } else {
            std::cerr << "dorvel-adj: unknown option " << a << " (try --help)" << std::endl;
            return 2;
        }
    }
    return 0;
}

// The readout lists hold values instead of placeholders.
bool readoutsFilled(MainWindow& w)
{
    for (int l = 0; l < 2; ++l)
        for (int i = 1; i < w.lbo01(l)->count(); ++i)
            if (w.lbo01(l)->item(i)->text() == QLatin1String("----"))
                return false;
    return true;
}

// Presses "Connect", waits for the editable console and the first readouts,
// saves the window to file and closes it. Sets failed on a time-out or a
// file that could not be written.
void scheduleScreenshot(DesktopApp& desk, const QString& file, bool& failed)
{
    auto* poll = new QTimer(&desk.window());
    auto* clock = new QElapsedTimer();
    clock->start();
    QObject::connect(poll, &QTimer::timeout, poll, [&desk, file, &failed, poll, clock] {
        MainWindow& w = desk.window();
        const bool editable = desk.app().model().RigTavikProp_EditEnabled();
        const bool ready = editable && readoutsFilled(w);
        if (!ready && clock->elapsed() < 120000)
            return;
        poll->stop();
        delete clock;
        if (!ready) {
            std::cerr << "dorvel-adj: the console did not become editable in time" << std::endl;
            failed = true;
        } else if (!w.grab().save(file)) {
            std::cerr << "dorvel-adj: cannot write " << file.toStdString() << std::endl;
            failed = true;
        }
        w.close();
    });
    desk.window().cmd00(0)->click();
    poll->start(100);
}

// Connect, Enter on "BPF T1", then on "RX LVA" once the sweep has ended,
// with the plot window open; saves it when the search has ended too.
void schedulePlotScreenshot(DesktopApp& desk, const QString& file, bool& failed)
{
    auto* poll = new QTimer(&desk.window());
    auto* clock = new QElapsedTimer();
    clock->start();
    auto* stage = new int(0);
    QObject::connect(poll, &QTimer::timeout, poll, [&desk, file, &failed, poll, clock, stage] {
        clsIndOp_RigTavik& m = desk.app().model();
        const bool atRest = m.RigTavikProp_EditEnabled() && m.RigTavikProp_AtRest();
        const JournalEvent* lva = m.myJournal.last(JournalEvent::Kind::Lva);
        const bool timedOut = clock->elapsed() > 180000;
        if (!timedOut && *stage == 0 && atRest) {
            desk.showPlots();
            m.myConsole.EnterPushed(m.idxBpfT1);
            *stage = 1;
        } else if (!timedOut && *stage == 1 && atRest && m.myJournal.last(JournalEvent::Kind::Bpf) != nullptr) {
            m.myConsole.EnterPushed(m.idxRxLva);
            *stage = 2;
        } else if (timedOut || (*stage == 2 && atRest && lva != nullptr &&
                                lva->outcome != JournalEvent::Outcome::Running)) {
            poll->stop();
            if (timedOut) {
                std::cerr << "dorvel-adj: the sweeps did not end in time" << std::endl;
                failed = true;
            } else if (!desk.plotWindow()->grab().save(file)) {
                std::cerr << "dorvel-adj: cannot write " << file.toStdString() << std::endl;
                failed = true;
            }
            delete clock;
            delete stage;
            desk.window().close();
        }
    });
    desk.window().cmd00(0)->click();
    poll->start(100);
}

}  // namespace

int main(int argc, char** argv)
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    Options opt;
    if (const int rc = parse(argc, argv, opt))
        return rc < 0 ? 0 : rc;

    const std::string folder = platform::ProgramFolder();
    if (!DisplayAvailable()) {
        if (!opt.demo) {
            std::cerr << "dorvel-adj: no display available (DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM are "
                         "unset); dorvel-adj-cli runs the program without a window"
                      << std::endl;
            return 1;
        }
        QCoreApplication core(argc, argv);
        std::cout << "dorvel-adj: no display available (DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM are unset);\n"
                     "running the headless session (dorvel-adj-cli session) against the simulated radio instead."
                  << std::endl;
        DemoRadio radio;
        std::string error;
        if (!radio.start(folder, false, error)) {
            std::cerr << "dorvel-adj: " << error << std::endl;
            return 1;
        }
        std::cout << "simulated radio on " << radio.device() << std::endl;
        return RunHeadlessDemo(folder, radio.device());
    }

    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("dorvel-adj"));
    // Ties the window to its desktop entry (icon and name in the task bar).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.DorvelAdj"));

    DesktopOptions dopt;
    DemoRadio radio;
    std::optional<QTemporaryDir> scratch;
    if (opt.demo) {
        std::string error;
        if (!radio.start(folder, !opt.screenshot.empty() || !opt.screenshotPlots.empty(), error)) {
            std::cerr << "dorvel-adj: " << error << std::endl;
            return 1;
        }
        dopt.demoDevice = radio.device();
        std::cout << "dorvel-adj: demo on the simulated radio at " << radio.device()
                  << " (the selected COM port opens it for this run)" << std::endl;
    }
    if (!opt.screenshot.empty() || !opt.screenshotPlots.empty()) {
        // A picture of the program as it comes: default settings, and no
        // conflict with a copy the developer has open.
        scratch.emplace();
        dopt.settingsFolder = scratch->path().toStdString();
        dopt.lockPath = scratch->filePath(QStringLiteral("dorvel-adj.lock")).toStdString();
    }

    DesktopApp desk(dopt);
    if (!desk.start())
        return 1;

    bool failed = false;
    if (!opt.screenshot.empty())
        scheduleScreenshot(desk, QString::fromStdString(opt.screenshot), failed);
    if (!opt.screenshotPlots.empty())
        schedulePlotScreenshot(desk, QString::fromStdString(opt.screenshotPlots), failed);
    if (opt.exitWhenShown) {
        QWindow* handle = desk.window().windowHandle();
        while (handle == nullptr || !handle->isExposed()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
            handle = desk.window().windowHandle();
        }
        QCoreApplication::processEvents();
        std::cout << "shown after " << sinceStart.elapsed() << " ms" << std::endl;
        desk.window().close();
        return 0;
    }
    const int rc = qapp.exec();
    radio.stop();
    return failed ? 1 : rc;
}
