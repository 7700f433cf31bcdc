#include "app/frmMain.h"
#include "records/ProcedureRunner.h"

#include <limits>

#include "app/AppText.h"
#include "app/CloneErrorText.h"
#include "app/KeyCodes.h"
#include "app/StatusLine.h"
#include "records/ImageKeeper.h"
#include "records/ImageRestore.h"
#include "records/HistoryRecorder.h"
#include "app/clsCmcProfileIO.h"
#include "app/start.h"
#include "model/clsIndOp_RigTavik.h"

namespace {

// The hidden key sequence and the caption it shows, kept scrambled: the
// sequence as typed characters one code higher in upper case, the caption
// reversed with every code one higher.
const char kHiddenKeys[] = "EPSWFMTFSWJDF";
const char kHiddenCaption[] = "idofc!fdjwsft!.!1/2/wfS!KEB!mfwspE";

std::string unscramble(const std::string& s)
{
    std::string out(s.rbegin(), s.rend());
    for (char& c : out)
        c = static_cast<char>(c - 1);
    return out;
}

}  // namespace

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

bool frmMain::saveData(clsCmcProfileIO& prof)
{
    prof.setSection("OPTION");
    const bool port = prof.saveData("ComPort", ProfileValue(comPortNo_));
    const bool release = prof.saveData("ComAutoRelease", ProfileValue(comAutoRelease_));
    return port && release;
}

void frmMain::loadData(clsCmcProfileIO& prof)
{
    prof.setSection("OPTION");
    // Read as 32-bit numbers and taken as they stand whenever they fit the
    // 16-bit settings: a port without a menu entry gets no check mark, and
    // one beyond the port service's range is refused when Connect opens it.
    // A text that is no number, or a number beyond 16 bits, leaves the
    // setting as it was (at start-up, the default).
    auto load = [&prof](const char* key, int16_t current, int16_t def, int16_t& out) {
        ProfileValue v = int32_t{current};
        if (!prof.loadData(key, v, ProfileValue(int32_t{def})))
            return false;
        const int32_t n = std::get<int32_t>(v);
        if (n < std::numeric_limits<int16_t>::min() || n > std::numeric_limits<int16_t>::max())
            return false;
        out = static_cast<int16_t>(n);
        return true;
    };
    int16_t n = 0;
    if (load("ComPort", comPortNo_, 1, n))
        setComPortNo(n);
    if (load("ComAutoRelease", comAutoRelease_, 0, n))
        setComAutoRelease(n);
}

void frmMain::SaveProfileData()
{
    if (profile_ != nullptr)
        profileSaveFailed_ = !saveData(*profile_);
}

bool frmMain::radioHeld() const
{
    return restore_ != nullptr && restore_->busy();
}

void frmMain::showRadioHeld()
{
    // The console the restore let go of has no values: the title frame with
    // the restore's progress shows instead, and the buttons, which wait for
    // the restore's end, look it.
    RigWindow& rig = controls_.rig;
    for (int f : {1, 3})
        if (rig.fra01[f] != nullptr)
            rig.fra01[f]->setVisible(false);
    if (rig.fra01[0] != nullptr)
        rig.fra01[0]->setVisible(true);
    for (platform::Button* b : rig.cmd00)
        if (b != nullptr)
            b->setEnabled(false);
}

void frmMain::task()
{
    seq_.task();
    model_.task();
    if (restore_ != nullptr)
        restore_->task();
    if (runner_ != nullptr)
        runner_->task();
    if (seq_.OpRunning())
        seq_.task();
    if (radioHeld())
        showRadioHeld();
    if (history_ != nullptr)
        history_->tick();
    if (status_ != nullptr)
        status_->task();
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

void frmMain::Form_Load()
{
    if (controls_.caption != nullptr)
        controls_.caption->setCaption(kAppTitle);
    if (controls_.lblTitle != nullptr)
        controls_.lblTitle->setCaption(std::string(kAppTitle) + "\r\nAdjust Utility for Quenta");
    model_.RigOpFunc_FormResource();
    model_.RigOpFunc_FormLayout();
}

void frmMain::Form_Resize()
{
    const RigLayout& g = controls_.rig.layout;
    if (g.form != nullptr) {
        // An etched line under the menu bar: shadow, and one pixel below it
        // the highlight.
        const int32_t w = g.form->clientWidth();
        const int32_t px = g.form->twipsPerPixelY();
        if (g.linSepa[0] != nullptr)
            g.linSepa[0]->setEnds(0, 0, w, 0);
        if (g.linSepa[1] != nullptr)
            g.linSepa[1]->setEnds(0, px, w, px);
    }
    // The next tick writes the port status again.
    if (controls_.lblComBusy != nullptr)
        controls_.lblComBusy->setCaption("");
    if (controls_.lblComBusyPlace != nullptr) {
        platform::TwipRect r = controls_.lblComBusyPlace->bounds();
        r.left = 120;
        r.top = 120;
        controls_.lblComBusyPlace->setBounds(r);
    }
    model_.RigOpFunc_FormLayout();
}

void frmMain::cmd00_Click(int16_t index)
{
    // A restore under way keeps the radio until it ends.
    if (radioHeld())
        return;
    model_.RigOpFunc_ClickCmd00(index);
}

void frmMain::mnuOptSelCom_Click(int16_t index)
{
    if (!radioHeld())
        setComPortNo(index);
}

void frmMain::cmd00_KeyPress(int16_t keyAscii)
{
    char c = static_cast<char>(keyAscii + 1);
    if (c >= 'a' && c <= 'z')
        c = static_cast<char>(c - 'a' + 'A');
    keyBuffer_ += c;
    if (keyBuffer_.size() > kKeyBufferSize)
        keyBuffer_.erase(0, keyBuffer_.size() - kKeyBufferSize);
    if (keyBuffer_ == kHiddenKeys && controls_.caption != nullptr)
        controls_.caption->setCaption(unscramble(kHiddenCaption));
}

bool frmMain::Form_KeyDown(int16_t keyCode, int16_t /*shift*/)
{
    if (keyCode != kKeyF5)
        return false;
    cmd00_Click(1);
    return true;
}

bool frmMain::lboConsole_KeyDown(int16_t keyCode, int16_t shift)
{
    const int16_t i = controls_.rig.lboConsole != nullptr
                          ? static_cast<int16_t>(controls_.rig.lboConsole->selected())
                          : int16_t{-1};
    const bool shifted = (shift & kShiftMask) != 0;
    switch (keyCode) {
    case kKeyLeft:
        model_.myConsole.UpDown(i, static_cast<int16_t>(shifted ? -5 : -1));
        return true;
    case kKeyRight:
        model_.myConsole.UpDown(i, static_cast<int16_t>(shifted ? 5 : 1));
        return true;
    case kKeyReturn:
    case kKeySeparator:
        model_.myConsole.EnterPushed(i);
        return true;
    case kKeyEscape:
        // Ends a running automatic adjustment and puts its item back; with
        // none running the key goes on to the window (the cancel button).
        return model_.RigOpFunc_InterruptAutoSeq();
    default:
        return false;
    }
}

void frmMain::lboConsole_GotFocus()
{
    platform::ListBox* box = controls_.rig.lboConsole;
    if (box != nullptr && box->selected() < 0 && box->count() > 0)
        box->setSelected(0);
}

void frmMain::MsgBoxCloneErr(clsCmcOrb5Sequence& seq)
{
    CloneFailure f;
    f.errCannotOpen = com_.errCannotOpen();
    f.comPortNum = com_.comPortAsked();
    f.errOverflow = com_.errOverflow();
    f.driverError = com_.orb5D.lastError();
    f.sequencerError = seq.error();
    f.device = portByDevice_ ? com_.devicePath()
                             : "COM " + std::to_string(f.comPortNum) + " (" + com_.devicePath() + ")";
    const std::string text = CloneErrorMessage(f);
    // A port that would not open: the system's reason goes with the message,
    // as does the device that was silent; a restore under way adds what the
    // radio holds now and the way back.
    std::string detail = f.errCannotOpen ? com_.openFailure() : CloneFailureDetail(f);
    if (restore_ != nullptr) {
        const std::string held = restore_->cloneFailed();
        if (!held.empty())
            detail += (detail.empty() ? "" : "\n") + held;
    }
    if (!text.empty())
        model_.myJournal.failure(detail.empty() ? text : text + "\r\n" + detail);
    model_.RigOpFunc_LinkFailed();
    if (!text.empty() && controls_.msgBox != nullptr)
        MsgBoxError(*controls_.msgBox, text, detail);
}
