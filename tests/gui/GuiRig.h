#pragma once
// The desktop program inside the test process, on the offscreen window
// system, with its own settings folder and lock, and optionally dorvel-sim
// on a pseudo-terminal (logging every frame) as the selected port's device.
#include <QString>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/qt/DesktopApp.h"
#include "tests/integration/Processes.h"

// Lines of the console.
constexpr int kPowerHi = 1;   // E8 command 0x09
constexpr int kSql = 8;
constexpr int kBpfT1 = 11;
constexpr int kRssi = 17;

// Runs the event loop until pred holds; false after ms milliseconds.
inline bool WaitFor(const std::function<bool()>& pred, int ms = 10000) { return QTest::qWaitFor(pred, ms); }

// Frames 0, 1 and 3 shown ('F') and the buttons enabled ('E'): "F-- E--".
std::string State(MainWindow& w);

// Run records and the history go under XDG_DATA_HOME: the test's own
// folder while it runs.
struct DataHome {
    explicit DataHome(const std::string& path) : before_(qgetenv("XDG_DATA_HOME")) { set(path); }
    ~DataHome() { qputenv("XDG_DATA_HOME", before_); }
    void set(const std::string& path) { qputenv("XDG_DATA_HOME", QByteArray::fromStdString(path)); }
    QByteArray before_;
};

// Catches every modal message box as it opens, records it and presses OK.
struct BoxCatcher {
    BoxCatcher();
    struct Box { QString text; QString title; int icon; QString detail; };
    std::vector<Box> boxes;
    QTimer poll;
};

struct GuiRig {
    // No simArgs: no simulator; ports open what the settings file says.
    explicit GuiRig(std::vector<std::string> simArgs = {});

    // A new program on the rig's folder: start-up and the first showing;
    // false when refused.
    bool start();
    MainWindow& w() { return desk->window(); }
    DorvelApp& app() { return desk->app(); }
    void keyOnLine(int row, Qt::Key key);
    // Every changed value is on the wire and nothing runs.
    bool quiet();
    // Frames the PC put on the wire, as upper-case hex, in order.
    std::vector<std::string> pcFrames() const;
    // The index of the first PC frame from `from` on whose hex starts with
    // prefix, waiting up to ms; -1 when none came.
    int waitForFrame(size_t from, const std::string& prefix, int ms = 5000) const;

    TempDir dir;
    std::string settings = dir.file("Velmara.rs");
    std::string log = dir.file("wire.log");
    std::unique_ptr<SimProcess> sim;
    DesktopOptions options;
    std::unique_ptr<DesktopApp> desk;   // ends before the simulator
};
