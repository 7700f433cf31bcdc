#pragma once
// The program without a window: the same objects, tick and receive
// notifications as the window, with in-memory controls, on a Qt event loop.
#include <functional>
#include <string>

#include "records/BackupStore.h"
#include "app/DorvelApp.h"
#include "app/MemoryWindow.h"
#include "cli/SessionCommands.h"
#include "cli/TerminalText.h"
#include "platform/TickClock.h"
#include "platform/qt/QtSerialPort.h"
#include "platform/qt/QtTimer.h"

// The history's settings from the user's settings file, as the window reads
// them; what of them is not used is a warning on stderr.
HistorySettings CliHistorySettings();

class HeadlessApp : public SessionRunner {
public:
    // Every port number opens the given device. Backups of radio images go
    // to the user's backups folder, each job into the history the settings
    // file names; a failed backup and a history that cannot be stored are
    // warnings on stderr.
    explicit HeadlessApp(const std::string& device);
    ~HeadlessApp() override;

    // Runs the event loop until done() holds (checked every few
    // milliseconds) or ms milliseconds have passed (ms < 0: no limit).
    // Returns whether done() held.
    bool runUntil(const std::function<bool()>& done, int ms = -1) override;

    platform::QtSerialPort port;
    platform::QtTimer timer;
    platform::SystemTickClock clock;
    FileBackupStore backups;
    HistorySettings history;
    MemoryWindow window;
    DorvelApp app;
};
