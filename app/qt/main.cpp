// dorvel-adj: the service adjustment window.
//
//   dorvel-adj            the window, on the COM port of the settings
//   dorvel-adj --demo     the window on a simulated radio (dorvel-sim); with
//                         no display, a headless session against it instead
//
// Options for the repository's scripts (not for operators):
//   --exit-when-shown     quit as soon as the window is on the screen,
//                         printing the time since start-up
#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>
#include <cstring>
#include <iostream>

#include "DorvelVersion.h"
#include "app/qt/DemoRadio.h"
#include "app/qt/DesktopApp.h"
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
    if (opt.demo) {
        std::string error;
        if (!radio.start(folder, false, error)) {
            std::cerr << "dorvel-adj: " << error << std::endl;
            return 1;
        }
        dopt.demoDevice = radio.device();
        std::cout << "dorvel-adj: demo on the simulated radio at " << radio.device()
                  << " (the selected COM port opens it for this run)" << std::endl;
    }

    DesktopApp desk(dopt);
    if (!desk.start())
        return 1;

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
    return rc;
}
