#include "app/DorvelApp.h"

#include "app/AppText.h"
#include "app/CloneErrorText.h"
#include "app/start.h"
#include "DorvelVersion.h"

DorvelApp::DorvelApp(const AppPlatform& platform, MainWindowControls& controls)
    : platform_(platform), controls_(controls)
{
}

DorvelApp::~DorvelApp()
{
    if (com_)
        com_->setHost(nullptr);
}

bool DorvelApp::Main()
{
    // Only one copy may drive the cable.
    if (platform_.instanceLock != nullptr && !platform_.instanceLock->tryLock()) {
        if (controls_.msgBox != nullptr)
            MsgBoxError(*controls_.msgBox, AlreadyRunningText());
        return false;
    }
    // The serial port service (its creation resets the port parameters),
    // and the settings profile it carries: "Velmara.rs" in the program's
    // folder.
    com_ = std::make_unique<frmCom>(*platform_.port, *platform_.timer, *platform_.clock);
    if (platform_.profileFile != nullptr) {
        profMain_ = std::make_unique<clsCmcProfileIO>(*platform_.profileFile, platform_.profileFolder);
        profMain_->SetCurrentPath();
        profMain_->setName("Velmara.rs");
        profMain_->setSection(kAppTitle);
    }
    // The identity a connected transceiver must match, and the clone write
    // range of the whole image.
    radio_.setradioNameM("5314");
    radio_.setradionameS("0100");
    radio_.cloneWriteAdrList_Clear();
    radio_.cloneWriteAdrList_Add(0x0000, 0x1FDF);
    com_->setcomPortNum(1);
    com_->setcomBaud(9600);
    com_->orb5D.Reset();
    com_->Reset();
    // The main window's creation sets port 1 and release off; setting the
    // port creates the model object, whose reset uses the sequencer, so the
    // sequencer comes first.
    seq_ = std::make_unique<clsCmcOrb5Sequence>(*com_, radio_, *platform_.clock);
    model_ = std::make_unique<clsIndOp_RigTavik>(*seq_, radio_, controls_.rig, *platform_.clock);
    model_->myJournal.setWallClock(platform_.wallClock != nullptr ? platform_.wallClock : &systemWall_);
    main_ = std::make_unique<frmMain>(controls_, *com_, *seq_, *model_);
    main_->setPortByDevice(platform_.portByDevice);
    main_->Initialize();
    keeper_ = std::make_unique<ImageKeeper>(radio_, *com_, platform_.backupStore);
    model_->addListener(keeper_.get());
    // After the keeper: the job notes the backup the keeper has just taken.
    job_ = std::make_unique<JobRecord>(radio_, *keeper_, DORVEL_VERSION);
    model_->addListener(job_.get());
    runner_ = std::make_unique<ProcedureRunner>(*model_, radio_, *job_, *platform_.clock,
                                                platform_.wallClock != nullptr ? *platform_.wallClock : systemWall_);
    model_->addListener(runner_.get());
    main_->setRunner(runner_.get());
    restore_ = std::make_unique<ImageRestore>(*seq_, radio_, *model_, *keeper_, controls_.rig.lblProgress);
    runner_->setImageWork(restore_.get(), keeper_.get());
    restore_->setSequencerMessage(SequencerErrorMessage);
    main_->setImageWork(keeper_.get(), restore_.get());
    // After the keeper: the notice names the backup it has just taken.
    status_ = std::make_unique<StatusLine>(*model_, *seq_, *restore_, *keeper_);
    status_->setLabels(controls_.statusPhase, controls_.statusNotice);
    model_->addListener(status_.get());
    main_->setStatusLine(status_.get());
    // The history takes the job as the tick leaves it; its warnings go
    // beside the window.
    if (platform_.history != nullptr && platform_.history->enabled) {
        history_ = std::make_unique<HistoryRecorder>(model_->myJournal, *job_, *platform_.clock, *platform_.history);
        history_->setWarn([this](const std::string& text) { status_->notice(text); });
        history_->setRunner(runner_.get());
        model_->addListener(history_.get());
        main_->setHistory(history_.get());
    }
    // The stored port and release time over those defaults.
    if (profMain_) {
        main_->setProfile(profMain_.get());
        main_->loadData(*profMain_);
    }
    com_->Form_Load();
    com_->settimSolidEnabled(true);
    return true;
}

JobInfo DorvelApp::reportInfo() const
{
    JobInfo info = job_->info();
    if (runner_->jobNumber() == job_->jobNumber() && runner_->jobNumber() != 0)
        info.run = runner_->record();
    return info;
}

void DorvelApp::Shutdown()
{
    if (!com_)
        return;
    com_->AllOver();
    com_->Form_Unload();
}
