#include "app/frmMain.h"

#include "app/CloneErrorText.h"
#include "app/start.h"
#include "model/clsIndOp_RigTavik.h"

frmMain::frmMain(MainWindowControls& controls, frmCom& com, clsCmcOrb5Sequence& seq, clsIndOp_RigTavik& model)
    : controls_(controls), com_(com), seq_(seq), model_(model)
{
    seq_.setReporter(this);
    model_.setCloneErrorReporter(this);
    com_.setHost(this);
}

void frmMain::Initialize()
{
    setComPortNo(1);
    setComAutoRelease(0);
}

void frmMain::setComPortNo(int16_t n)
{
    comPortNo_ = n;
    model_.RigOpFunc_SetComPortNo(n);
}

void frmMain::setComAutoRelease(int16_t seconds)
{
    comAutoRelease_ = seconds;
    seq_.setcomHoldReload(static_cast<int32_t>(seconds) * 1000);
}

void frmMain::task()
{
    seq_.task();
    model_.task();
    if (seq_.OpRunning())
        seq_.task();
    for (int i = 1; i <= 4; ++i)
        if (controls_.mnuOptSelCom[i] != nullptr)
            controls_.mnuOptSelCom[i]->setChecked(i == comPortNo_);
    for (int i = 0; i <= 5; ++i)
        if (controls_.mnuOptionSelAutoRelease[i] != nullptr)
            controls_.mnuOptionSelAutoRelease[i]->setChecked(i == comAutoRelease_);
    if (controls_.lblComBusy != nullptr) {
        const bool open = com_.comOpen();
        controls_.lblComBusy->setCaption("COM " + std::to_string(comPortNo_) + (open ? ": OPEN" : ": CLOSE"));
        controls_.lblComBusy->setColour(open ? platform::SysColour::ButtonText : platform::SysColour::GrayText);
    }
}

void frmMain::cmd00_Click(int16_t index)
{
    model_.RigOpFunc_ClickCmd00(index);
}

void frmMain::MsgBoxCloneErr(clsCmcOrb5Sequence& seq)
{
    CloneFailure f;
    f.errCannotOpen = com_.errCannotOpen();
    f.comPortNum = com_.comPortNum();
    f.errOverflow = com_.errOverflow();
    f.driverError = com_.orb5D.lastError();
    f.sequencerError = seq.error();
    const std::string text = CloneErrorMessage(f);
    model_.RigOpFunc_ResetAll();
    if (!text.empty() && controls_.msgBox != nullptr)
        MsgBoxError(*controls_.msgBox, text);
}
