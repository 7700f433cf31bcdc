#pragma once
// The main window's logic, independent of any window system: its share of
// the tick, the two operator settings, keys, clicks and menus, the first
// showing and resizing, and the clone error report. The Qt window and the
// command line drive it alike.
#include <cstdint>
#include <string>

#include "app/MainWindowControls.h"
#include "link/clsCmcOrb5Sequence.h"
#include "link/frmCom.h"

class clsIndOp_RigTavik;
class clsCmcProfileIO;
class ImageKeeper;
class ImageRestore;
class StatusLine;
class ProcedureRunner;
class HistoryRecorder;

class frmMain : public frmComHost, public CloneErrorReporter {
public:
    static constexpr size_t kKeyBufferSize = 13;

    frmMain(MainWindowControls& controls, frmCom& com, clsCmcOrb5Sequence& seq, clsIndOp_RigTavik& model);

    // Creation: port 1, auto release off (with their side effects).
    void Initialize();

    int16_t ComPortNo() const { return comPortNo_; }
    void setComPortNo(int16_t n);
    int16_t ComAutoRelease() const { return comAutoRelease_; }
    void setComAutoRelease(int16_t seconds);

    // The settings, section "OPTION", taken as stored; a text that is no
    // number or a number beyond 16 bits leaves the setting as it was.
    // False when a value could not be written.
    bool saveData(clsCmcProfileIO& prof);
    void loadData(clsCmcProfileIO& prof);
    // The profile that the shutdown saves into.
    void setProfile(clsCmcProfileIO* prof) { profile_ = prof; }
    // The last save of the settings could not write them.
    bool profileSaveFailed() const { return profileSaveFailed_; }
    // The backups taken at "Connect", and the restore of an image file,
    // which runs on this tick and holds the radio while it runs.
    void setImageWork(ImageKeeper* keeper, ImageRestore* restore)
    {
        keeper_ = keeper;
        restore_ = restore;
    }
    bool radioHeld() const;
    // The status line, polled at the end of every tick.
    void setStatusLine(StatusLine* status) { status_ = status; }
    // The procedure runner, one step of it on every tick after the model's.
    void setRunner(ProcedureRunner* runner) { runner_ = runner; }
    void setHistory(HistoryRecorder* history) { history_ = history; }
    // Messages name the port by its device alone, not "COM n (device)".
    void setPortByDevice(bool byDevice) { portByDevice_ = byDevice; }

    // frmComHost: the window's share of every tick, its clone error report
    // and the settings save of the shutdown.
    void task() override;
    void MsgBoxCloneErr() override { MsgBoxCloneErr(seq_); }
    void SaveProfileData() override;

    // CloneErrorReporter: tells the operator what failed and resets the model.
    void MsgBoxCloneErr(clsCmcOrb5Sequence& seq) override;

    // First showing: caption, title text, the model's captions and layout.
    void Form_Load();
    // After every change of the window's size.
    void Form_Resize();

    // A click on command button index (F5 clicks button 1).
    void cmd00_Click(int16_t index);
    // A character typed while a command button has the focus.
    void cmd00_KeyPress(int16_t keyAscii);
    // Any key pressed in the window, before the control with the focus sees
    // it; true when the key was used up here.
    bool Form_KeyDown(int16_t keyCode, int16_t shift);
    // A key pressed in the console list; true when swallowed (the list box
    // must not handle it).
    bool lboConsole_KeyDown(int16_t keyCode, int16_t shift);
    void lboConsole_GotFocus();

    void mnuOptSelCom_Click(int16_t index);
    void mnuOptionSelAutoRelease_Click(int16_t index) { setComAutoRelease(index); }

    MainWindowControls& controls() { return controls_; }
    const std::string& keyBuffer() const { return keyBuffer_; }

private:
    // While a restore holds the radio.
    void showRadioHeld();

    MainWindowControls& controls_;
    frmCom& com_;
    clsCmcOrb5Sequence& seq_;
    clsIndOp_RigTavik& model_;
    clsCmcProfileIO* profile_ = nullptr;
    bool profileSaveFailed_ = false;
    ImageKeeper* keeper_ = nullptr;
    ImageRestore* restore_ = nullptr;
    StatusLine* status_ = nullptr;
    ProcedureRunner* runner_ = nullptr;
    HistoryRecorder* history_ = nullptr;
    int16_t comPortNo_ = 1;
    bool portByDevice_ = false;
    int16_t comAutoRelease_ = 0;
    std::string keyBuffer_;
};
