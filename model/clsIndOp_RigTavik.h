#pragma once
// The model object: everything particular to this transceiver model. It
// builds the adjustment console's item table, receives the console's events,
// checks the sub model code that a connected transceiver reports, and owns
// the console and the EEPROM map.
//
// Sources, by concern:
//   clsIndOp_RigTavik.cpp   creation, port number, sub model check, state
//   RigTavik_Items.cpp      the item table and the reset
//   RigTavik_Resource.cpp   window captions and list placeholders
//   RigTavik_Layout.cpp     window size and control placement
//   RigTavik_Task.cpp       the task: connect, load, push, edit cycle; buttons
//   RigTavik_Events.cpp     the console event handlers
//   RigTavik_Sequences.cpp  automatic adjustment sequences
//   RigTavik_Readouts.cpp   A/D requests, answer checks and readout lines
//   RigTavik_Ratio.cpp      the MOD ratio conversions
//   RigTavik_Window.cpp     frames and buttons from the task state
//   RigTavik_Journal.cpp    what goes into the service journal
//   RigTavik_Phase.cpp      the phase of the work, for a status line
#include <cstdint>
#include <string>
#include <vector>

#include "console/ConsoleEventReceiver.h"
#include "console/clsConsole.h"
#include "link/clsCmcOrb5Sequence.h"
#include "link/clsCmcTick.h"
#include "platform/ByteStr.h"
#include "platform/TickClock.h"
#include "model/RigWindow.h"
#include "model/ModelListener.h"
#include "model/ModelPhase.h"
#include "model/ServiceJournal.h"
#include "model/clsIndEep_RigTavik.h"

class clsCmcRadio;

class clsIndOp_RigTavik : public ConsoleEventReceiver, public SubNameChecker {
public:
    // Registers itself as the sequencer's sub model checker and builds the
    // (empty-valued) item table in the window's console list. The clock times
    // the waits after adjustment commands.
    clsIndOp_RigTavik(clsCmcOrb5Sequence& seq, clsCmcRadio& radio, RigWindow& window,
                      const platform::TickClock& clock);
    ~clsIndOp_RigTavik() override;
    clsIndOp_RigTavik(const clsIndOp_RigTavik&) = delete;
    clsIndOp_RigTavik& operator=(const clsIndOp_RigTavik&) = delete;

    // ---- operations --------------------------------------------------------
    // Back to the unconnected state: sequencer reset on the model's port, task
    // idle, readouts blank, the 18 console items rebuilt.
    void RigOpFunc_ResetAll();
    // Button captions, readout list placeholders, blank progress.
    void RigOpFunc_FormResource();
    // Sizes the window against the screen once, then places the controls
    // (at first showing and after every resize).
    void RigOpFunc_FormLayout();
    // A different port number resets everything; the same one does nothing.
    void RigOpFunc_SetComPortNo(int16_t portNo);
    // Legal when the first four characters compare >= "0100" as text.
    bool RigOpFunc_CheckSubNameLegal(const std::string& nameS) override;
    // A click on command button Index ("Connect", "Reload(F5)", "Disp para").
    // Any click first ends a running automatic sequence.
    void RigOpFunc_ClickCmd00(int16_t Index);
    // One pass of the model's state machine, once per tick, right after the
    // sequencer's own task. Runs states until one starts a sequencer
    // operation, one has to wait, or the edit cycle reaches its end (28).
    void task();
    // Where a readout error is reported (the main window).
    void setCloneErrorReporter(CloneErrorReporter* reporter) { myReporter = reporter; }
    // Who hears of the model's moments (see ModelListener).
    void addListener(ModelListener* listener) { myListeners.push_back(listener); }
    // Escape in the console: ends the running automatic adjustment and puts
    // back what it changed (the BPF or LVA items still adjusting get their
    // values from before it, the RSSI levels stored meanwhile the values
    // held before the capture); the frames go out with the next push.
    // False when none ran.
    bool RigOpFunc_InterruptAutoSeq();
    // A failure of the link has been reported: the model starts over from
    // the unconnected state, and a "Connect" under way has failed.
    void RigOpFunc_LinkFailed();

    // ---- state properties --------------------------------------------------
    bool RigTavikProp_EditEnabled() const { return taskState >= 10 && taskState <= 28; }
    bool RigTavikProp_DispPara() const { return taskState == 29; }
    bool RigTavikProp_Shielding() const { return !RigTavikProp_EditEnabled() && !RigTavikProp_DispPara(); }
    // The task is holding off after an adjustment command.
    bool RigTavikProp_Waiting() { return waitE8Ms > 0 || waitTick.counter() > 0; }
    // Not connected and nothing under way: "Connect" starts afresh.
    bool RigTavikProp_Idle() const { return taskState == 0; }
    // "Reload(F5)" was pressed and the edit cycle that reads every readout
    // afresh has not ended yet.
    bool RigTavikProp_Reloading() const { return reloadRequest || reloadActive; }
    // The RSSI capture waits for Enter to store the level it shows: 3 for
    // the S3 point, 1 for the S1 point; 0 when no capture waits.
    int RigTavikProp_RssiLevelWaiting() const
    {
        return seqStep >= 6 && seqStep <= 8 && !rssiConfirm ? (rssiLevelS1 ? 1 : 3) : 0;
    }
    // An automatic adjustment (RSSI capture, BPF sweep, LVA search) runs.
    bool RigTavikProp_AutoRunning() const { return seqStep != 0; }
    // Frames that put back what an interrupted adjustment changed are still
    // to go out.
    bool RigTavikProp_RestorePending() const { return !restoreFrames.empty(); }
    // Nothing left to do: at the end of an edit cycle with no changed item,
    // no pending Enter, no automatic adjustment, no operation of the
    // sequencer and no wait after a command; or in the parameter display
    // with no operation and no wait (changed items wait for the console).
    bool RigTavikProp_AtRest();
    // What the work is now and how far it got (see ModelPhase).
    ModelPhase RigTavikProp_Phase() const;

    // ---- console events ----------------------------------------------------
    std::string ConsEv_Disp(clsConsole& objConsole, int16_t& Index, int16_t evNo, int16_t val) override;
    void ConsEv_SendE8(clsConsole& objConsole, int16_t& Index, int16_t evNo, int16_t val) override;
    void ConsEv_Enter(clsConsole& objConsole, int16_t& Index, int16_t evNo, int16_t val) override;
    void setWaitE8Required(int32_t ms) override { waitE8Ms = ms; }

    // ---- MOD ratio conversions (pure) ---------------------------------------
    // 255 * a / b, halves up, at most 255; 0 when a or b is below 1.
    // The console items' titles and the readout lines' names, without
    // their aligning blanks, in console and list order: what a procedure
    // file may name.
    static std::vector<std::string> ItemNames();
    static std::vector<std::string> ReadoutNames();
    static int16_t RigTavikOp_RatioToByte(int16_t a, int16_t b);
    // a * b / 255, halves up, at most 255.
    static int16_t RigTavikOp_ScaleByte(int16_t a, int16_t b);

    // ---- owned objects -------------------------------------------------------
    clsConsole myConsole;
    clsIndEep_RigTavik myEepMap;
    // The record of the job since the last "Connect".
    ServiceJournal myJournal;

    // ---- model state ---------------------------------------------------------
    // Written only by the model; public so that the window and the tests can
    // read it.
    int16_t myPortNo = 1;
    int16_t taskState = 0;          // 0 idle .. 29 parameter display
    bool stateEntered = true;       // first pass through the current state
    bool reloadRequest = false;     // "Reload(F5)" pressed
    bool reloadActive = false;      // this edit cycle reads the A/D channels
    bool dispParaRequest = false;   // "Disp para" wanted
    int32_t waitE8Ms = 0;           // wait after the last E8 frame, ms

    // Programmed channels (0..31) in ascending order; "CH No." indexes it.
    int16_t chList[41] = {};
    int32_t chRxAdr = 0x160;        // receive frequency of channel 0
    int32_t chTxAdr = 0x164;        // transmit frequency of channel 0

    // A/D readouts: channel codes and the last value shown per channel
    // (0xFFFF, read as -1, means nothing shown yet).
    int16_t adCodeMain[6] = {};
    int16_t adCodeAdjust[10] = {};
    int16_t adLastMain[6] = {};
    int16_t adLastAdjust[10] = {};
    bool adError = false;
    // Every A/D answer begins with the transceiver's main and sub model codes.
    ByteStr adAnsPrefix;

    // Console positions of the special items.
    int16_t idxChNo = 0;
    int16_t idxBal = 0;
    int16_t idxModW = 0;
    int16_t idxModRatio = 0;
    int16_t idxBpfRun = 0;   // also the item a BPF sweep was started on
    int16_t idxBpfT1 = 0;    // "BPF T2" follows it
    int16_t idxRxLva = 0;    // "TX LVA" follows it
    int16_t idxLvRx = 0;
    int16_t idxLvTx = 0;
    int16_t idxRssi = 0;

    // Automatic adjustment sequences: step (0 = none) and selections. Entry
    // 2 of the three-entry arrays is never used.
    int16_t seqStep = 0;
    bool rssiConfirm = false;
    bool rssiLevelS1 = false;
    bool bpfSweepSel[3] = {};
    bool bpfSweepAll = false;
    bool lvaSweepSel[3] = {};
    bool lvaFailed[3] = {};

private:
    // ---- task (RigTavik_Task.cpp) -------------------------------------------
    // Runs the action of taskState; true to advance, next may be replaced.
    bool runState(int16_t& next);
    // State 2, second pass: the console, the MOD ratio, the LV targets and
    // the channel list from the freshly read image.
    void loadFromImage();
    // States 9 and 25: send every changed item, one frame per pass.
    bool pushChangedItems();
    // State 26: the first pending Enter that has a handler.
    void execPendingEnter();
    void showProgress(int n);
    // Command byte, then the value as two ASCII hexadecimal digits. The
    // journal notes the frame against the item (-1: none); a cause or an old
    // value given replace those the journal would take.
    void sendE8(int16_t command, int16_t value, int16_t item = -1, const char* cause = nullptr,
                int oldValue = -1);

    // ---- journal (RigTavik_Journal.cpp) ----------------------------------------
    void journalCloneRead();
    // The number the console shows for programmed channel n.
    std::string channelNumberText(int16_t n);
    // After the console's SendE8 of item i: its own frame, or its new value.
    void journalItemSent(int16_t i);
    void journalFrame(int16_t item, const std::string& title, int16_t command, int16_t wireValue,
                      const char* cause = nullptr, int oldValue = -1);
    // What sent a frame for the item: the first push, a running sequence
    // on its item, or the operator.
    std::string journalCause(int16_t item) const;

    // ---- automatic sequences (RigTavik_Sequences.cpp) ------------------------
    // Ends every sequence: BPF/LVA waits back to normal, Enter marks cleared,
    // every line redrawn.
    void RigTavikOp_AutoSeqEnd();
    // One step of the running sequence; true when none runs or the step
    // completed in this call.
    bool RigTavikOp_AutoSeqStep();
    bool RigTavikOp_SeqRssi();
    bool RigTavikOp_SeqBpf();
    bool RigTavikOp_SeqLva();
    void beep();
    // States 9 and 25, before the changed items: the next frame that puts
    // back what an interrupted adjustment changed; true once none is left.
    bool pushRestoreFrames();

    // ---- readouts (RigTavik_Readouts.cpp) ------------------------------------
    // Main group (lbo01(0)) and adjustment group (lbo01(1)): with start set
    // the A/D request goes out; later calls poll. True once the answer has
    // been evaluated (good or not).
    bool RigTavikOp_ReadAdMain(int16_t channel, bool start);
    bool RigTavikOp_ReadAdAdjust(int16_t channel, bool start);
    // True when the answer is malformed.
    bool RigTavikOp_CheckAdAnswer(const ByteStr& answer) const;
    static int16_t RigTavikOp_AdAnswerValue(const ByteStr& answer);
    bool readAd(int group, int16_t channel, bool start);

    // ---- window state (RigTavik_Window.cpp) ----------------------------------
    void RigTavikOp_RefreshWindow();

    void buildItemTable();

    // Tells every listener of a moment.
    void announce(void (ModelListener::*moment)());

    clsCmcOrb5Sequence& myOrb5Seq;
    clsCmcRadio& myRadio;
    RigWindow& myWindow;
    CloneErrorReporter* myReporter = nullptr;
    std::vector<ModelListener*> myListeners;
    clsCmcTick waitTick;   // times waitE8Ms

    // Working variables of the sequences, kept from one tick to the next.
    bool rssiStarted = false;         // the SD readout of step 7 is out
    bool rssiConfirmTaken = false;    // rssiConfirm as seen at the last reading
    int16_t bpfSubStep = 0;           // 0 send, 1 request, 2 evaluate
    int16_t bpfK = 0;                 // 0 "BPF T1", 1 "BPF T2"
    int16_t bpfHighest = -1;          // highest detector reading so far
    int16_t bpfPeakStart = 0;         // first value that reached it
    int16_t bpfPeakEnd = 0;           // last value that equalled it
    bool lvaStarted = false;          // the LVIN readout of this step is out
    int16_t lvaSaved[3] = {};         // item values from before the search
    int16_t lvaLo = 0;
    int16_t lvaHi = 255;
    int16_t lvaMid = 0;
    int16_t lvaReadLo = 0;
    int16_t lvaReadHi = 0;
    int16_t lvaReadMid = 0;
    int16_t lvaTarget = 0;
    int16_t bpfSaved[3] = {};         // item values from before the sweep
    uint8_t rssiSaved[2] = {};        // S3 and S1 levels from before the capture

    // What an interrupted adjustment puts back, one frame per push: a
    // console item (its value as it stands), or an RSSI level (command,
    // value and the EEPROM byte that holds it).
    struct RestoreFrame {
        int16_t item;
        int16_t command;
        int16_t value;
        int32_t adr;
        const char* title;
    };
    std::vector<RestoreFrame> restoreFrames;
};
