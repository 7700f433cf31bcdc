#pragma once
// The composition root: creates the program's main objects in the start-up
// order and keeps them for the whole run. Front ends (window, command line,
// tests) hand in the platform parts and the window's controls.
#include <memory>
#include <string>

#include "records/BackupStore.h"
#include "records/HistoryRecorder.h"
#include "records/ImageKeeper.h"
#include "records/ImageRestore.h"
#include "records/JobRecord.h"
#include "records/ProcedureRunner.h"
#include "app/MainWindowControls.h"
#include "app/StatusLine.h"
#include "app/clsCmcProfileIO.h"
#include "app/frmMain.h"
#include "link/clsCmcOrb5Sequence.h"
#include "link/clsCmcRadio.h"
#include "link/frmCom.h"
#include "model/clsIndOp_RigTavik.h"
#include "platform/InstanceLock.h"
#include "platform/ProfileFile.h"
#include "platform/SerialPort.h"
#include "platform/TickClock.h"
#include "platform/Timer.h"
#include "platform/WallClock.h"

struct AppPlatform {
    platform::SerialPort* port = nullptr;
    platform::Timer* timer = nullptr;
    const platform::TickClock* clock = nullptr;
    // Optional: without a lock no other copy is looked for; without a
    // profile file no settings are read or written.
    platform::InstanceLock* instanceLock = nullptr;
    platform::ProfileFile* profileFile = nullptr;
    // The folder the settings file is read from (the program's own folder,
    // or the user's configuration folder); where it is written is the
    // profile file's business.
    std::string profileFolder = {};
    // The calendar for the dates of the service journal; null for the
    // system's.
    const platform::WallClock* wallClock = nullptr;
    // Where the backups of radio images go; without a store none are taken.
    BackupStore* backupStore = nullptr;
    // The operator names the port by its device (the command line, which
    // has no COM numbers), not by a COM number.
    bool portByDevice = false;
    // The history of jobs; without settings no history is kept.
    const HistorySettings* history = nullptr;
};

class DorvelApp {
public:
    DorvelApp(const AppPlatform& platform, MainWindowControls& controls);
    ~DorvelApp();
    DorvelApp(const DorvelApp&) = delete;
    DorvelApp& operator=(const DorvelApp&) = delete;

    // Start-up up to the enabled heartbeat; the front end then shows its
    // window. False when another copy of the program runs: the operator has
    // been told, and nothing else was done.
    bool Main();
    // Shutdown: close the port, save the settings, stop the heartbeat.
    void Shutdown();

    frmCom& com() { return *com_; }
    clsCmcRadio& radio() { return radio_; }
    clsCmcOrb5Sequence& seq() { return *seq_; }
    clsIndOp_RigTavik& model() { return *model_; }
    frmMain& mainWindow() { return *main_; }
    // The settings profile; null without a profile file.
    clsCmcProfileIO* profMain() { return profMain_.get(); }
    // Backups, "Save image", and the restore of an image file.
    ImageKeeper& imageKeeper() { return *keeper_; }
    ImageRestore& restore() { return *restore_; }
    // The job's details and what its report says beyond the journal.
    JobRecord& job() { return *job_; }
    // What a report of the job now says beyond the journal, with the
    // procedure run of this job when one ran.
    JobInfo reportInfo() const;
    // Alignment procedures, run by a front end on the program's tick.
    ProcedureRunner& runner() { return *runner_; }
    // The status line's phase and notices.
    StatusLine& status() { return *status_; }
    // Every job into the history; null when none is kept.
    HistoryRecorder* history() { return history_.get(); }

private:
    AppPlatform platform_;
    platform::SystemWallClock systemWall_;
    MainWindowControls& controls_;
    std::unique_ptr<frmCom> com_;
    std::unique_ptr<clsCmcProfileIO> profMain_;
    clsCmcRadio radio_;
    std::unique_ptr<clsCmcOrb5Sequence> seq_;
    std::unique_ptr<clsIndOp_RigTavik> model_;
    std::unique_ptr<frmMain> main_;
    std::unique_ptr<ImageKeeper> keeper_;
    std::unique_ptr<ImageRestore> restore_;
    std::unique_ptr<JobRecord> job_;
    std::unique_ptr<ProcedureRunner> runner_;
    std::unique_ptr<StatusLine> status_;
    std::unique_ptr<HistoryRecorder> history_;
};
