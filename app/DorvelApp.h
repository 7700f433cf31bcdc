#pragma once
// The composition root: creates the program's main objects in the start-up
// order and keeps them for the whole run. Front ends (window, command line,
// tests) hand in the platform parts and the window's controls.
#include <memory>

#include "app/MainWindowControls.h"
#include "app/frmMain.h"
#include "link/clsCmcOrb5Sequence.h"
#include "link/clsCmcRadio.h"
#include "link/frmCom.h"
#include "model/clsIndOp_RigTavik.h"
#include "platform/SerialPort.h"
#include "platform/TickClock.h"
#include "platform/Timer.h"

struct AppPlatform {
    platform::SerialPort* port = nullptr;
    platform::Timer* timer = nullptr;
    const platform::TickClock* clock = nullptr;
};

class DorvelApp {
public:
    DorvelApp(const AppPlatform& platform, MainWindowControls& controls);
    ~DorvelApp();
    DorvelApp(const DorvelApp&) = delete;
    DorvelApp& operator=(const DorvelApp&) = delete;

    // Start-up up to the enabled heartbeat; the front end then shows its
    // window.
    void Main();
    // Shutdown: close the port, save the settings, stop the heartbeat.
    void Shutdown();

    frmCom& com() { return *com_; }
    clsCmcRadio& radio() { return radio_; }
    clsCmcOrb5Sequence& seq() { return *seq_; }
    clsIndOp_RigTavik& model() { return *model_; }
    frmMain& mainWindow() { return *main_; }

private:
    AppPlatform platform_;
    MainWindowControls& controls_;
    std::unique_ptr<frmCom> com_;
    clsCmcRadio radio_;
    std::unique_ptr<clsCmcOrb5Sequence> seq_;
    std::unique_ptr<clsIndOp_RigTavik> model_;
    std::unique_ptr<frmMain> main_;
};
