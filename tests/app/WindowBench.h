#pragma once
// The program's start-up and window logic on in-memory parts: a window of
// in-memory controls with geometry, a fake port with a scripted transceiver,
// a manual clock, and optionally a settings folder and a single-instance
// lock. tick() lets the transceiver answer, moves the clock by 50 ms and
// fires the heartbeat.
#include <functional>
#include <memory>
#include <string>

#include "app/DorvelApp.h"
#include "app/MemoryWindow.h"
#include "platform/MemoryGeometry.h"
#include "platform/ProfileFile.h"
#include "tests/support/FakeSerialPort.h"
#include "tests/support/FakeTimer.h"
#include "tests/support/ManualTickClock.h"
#include "tests/support/ScriptedRadio.h"

// The in-memory window with places for every control the layout moves.
struct LayoutWindow : MemoryWindow {
    LayoutWindow();
    platform::MemoryLabel caption;
    platform::MemoryForm form;
    platform::MemoryLine linSepa[2];
    platform::MemoryPlaceable cmd00Place[3];
    platform::MemoryPlaceable fra01Place[4];
    platform::MemoryPlaceable lbo01Place[2];
    platform::MemoryPlaceable lboConsolePlace;
    platform::MemoryPlaceable lblTitlePlace;
    platform::MemoryPlaceable lblProgressPlace;
    platform::MemoryPlaceable txtDispParaPlace;
    platform::MemoryPlaceable lblComBusyPlace;
};

class FakeLock : public platform::InstanceLock {
public:
    bool tryLock() override { ++tries; return free; }
    bool free = true;
    int tries = 0;
};

struct WindowBench {
    // settingsFolder "": no settings file at all.
    explicit WindowBench(const std::string& settingsFolder = {}, bool start = true);

    FakeSerialPort port;
    FakeTimer timer;
    ManualTickClock clk;
    FakeLock lock;
    platform::TextProfileFile profile;
    LayoutWindow win;
    std::unique_ptr<DorvelApp> app;
    ScriptedRadio trx{port};
    bool started = false;

    frmMain& main() { return app->mainWindow(); }
    clsConsole& console();

    void tick();
    bool runUntil(const std::function<bool()>& pred, int limit = 5000);
    // "Connect", then ticks until the console is editable.
    bool connect();
};
