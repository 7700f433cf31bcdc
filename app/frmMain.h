#pragma once
// The main window's logic, independent of any window system: its share of
// the tick, the two operator settings, the clicks and the clone error
// report. The Qt window and the command line drive it alike.
#include <cstdint>

#include "app/MainWindowControls.h"
#include "link/clsCmcOrb5Sequence.h"
#include "link/frmCom.h"

class clsIndOp_RigTavik;

class frmMain : public frmComHost, public CloneErrorReporter {
public:
    frmMain(MainWindowControls& controls, frmCom& com, clsCmcOrb5Sequence& seq, clsIndOp_RigTavik& model);

    // Creation: port 1, auto release off (with their side effects).
    void Initialize();

    int16_t ComPortNo() const { return comPortNo_; }
    void setComPortNo(int16_t n);
    int16_t ComAutoRelease() const { return comAutoRelease_; }
    void setComAutoRelease(int16_t seconds);

    // frmComHost: the window's share of every tick, its clone error report
    // and the settings save of the shutdown.
    void task() override;
    void MsgBoxCloneErr() override { MsgBoxCloneErr(seq_); }
    void SaveProfileData() override {}

    // CloneErrorReporter: tells the operator what failed and resets the model.
    void MsgBoxCloneErr(clsCmcOrb5Sequence& seq) override;

    // A click on command button index (F5 clicks button 1).
    void cmd00_Click(int16_t index);

    MainWindowControls& controls() { return controls_; }

private:
    MainWindowControls& controls_;
    frmCom& com_;
    clsCmcOrb5Sequence& seq_;
    clsIndOp_RigTavik& model_;
    int16_t comPortNo_ = 1;
    int16_t comAutoRelease_ = 0;
};
