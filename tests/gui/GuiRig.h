#pragma once
// The desktop program inside the test process, on the offscreen window
// system, against dorvel-sim on a pseudo-terminal that logs every frame.
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/qt/DesktopApp.h"
#include "tests/integration/Processes.h"

class QMessageBox;

// Runs the event loop until pred holds; false after ms milliseconds.
bool WaitFor(const std::function<bool()>& pred, int ms = 10000);

// Catches every modal message box as it opens, records it and presses OK.
class BoxCatcher {
public:
    BoxCatcher();
    ~BoxCatcher();
    struct Box {
        QString text;
        QString title;
        int icon;
    };
    std::vector<Box> boxes;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

struct RigOptions {
    std::vector<std::string> simArgs = {"--fast"};
    // The selected port opens the simulator through the demo path; false:
    // only the settings file (PORTS section) can lead to it.
    bool demo = true;
    // Settings file text written before start-up ("" none); "@DEVICE@" is
    // replaced by the simulator's device path.
    std::string settings;
};

struct GuiRig {
    explicit GuiRig(const RigOptions& o = {});
    ~GuiRig();

    // Start-up and the first showing; false when refused.
    bool start();
    MainWindow& w() { return desk->window(); }
    DorvelApp& app() { return desk->app(); }
    // Presses "Connect" with the mouse and waits for the editable console.
    bool connect();
    // Every changed value is on the wire and nothing runs; quiet() waits
    // for it.
    bool isQuiet();
    bool quiet(int ms = 10000);

    // Frames the PC put on the wire, as upper-case hex, in order.
    std::vector<std::string> pcFrames() const;
    // Waits for a PC frame beyond index `from` whose hex starts with prefix;
    // returns its index or -1.
    int waitForFrame(size_t from, const std::string& prefix, int ms = 5000) const;
    // The E8 frame hex of an adjustment command with an 8-bit value.
    static std::string E8Frame(int command, int value);

    TempDir dir;
    std::string log = dir.file("wire.log");
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<DesktopApp> desk;
};
