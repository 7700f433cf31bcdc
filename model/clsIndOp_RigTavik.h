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
//   RigTavik_Events.cpp     the console event handlers
//   RigTavik_Sequences.cpp  automatic adjustment sequences
//   RigTavik_Ratio.cpp      the MOD ratio conversions
#include <cstdint>
#include <string>

#include "console/ConsoleEventReceiver.h"
#include "console/clsConsole.h"
#include "link/clsCmcOrb5Sequence.h"
#include "model/RigWindow.h"
#include "model/clsIndEep_RigTavik.h"

class clsCmcRadio;

class clsIndOp_RigTavik : public ConsoleEventReceiver, public SubNameChecker {
public:
    // Registers itself as the sequencer's sub model checker and builds the
    // (empty-valued) item table in the window's console list.
    clsIndOp_RigTavik(clsCmcOrb5Sequence& seq, clsCmcRadio& radio, RigWindow& window);
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
    void RigOpFunc_ClickCmd00(int16_t Index) { (void)Index; }
    // One pass of the model's state machine, once per tick.
    void task() {}
    // Where a readout error is reported (the main window).
    void setCloneErrorReporter(CloneErrorReporter* reporter) { myReporter = reporter; }

    // ---- state properties --------------------------------------------------
    bool RigTavikProp_EditEnabled() const { return taskState >= 10 && taskState <= 28; }
    bool RigTavikProp_DispPara() const { return taskState == 29; }
    bool RigTavikProp_Shielding() const { return !RigTavikProp_EditEnabled() && !RigTavikProp_DispPara(); }

    // ---- console events ----------------------------------------------------
    std::string ConsEv_Disp(clsConsole& objConsole, int16_t& Index, int16_t evNo, int16_t val) override;
    void ConsEv_SendE8(clsConsole& objConsole, int16_t& Index, int16_t evNo, int16_t val) override;
    void ConsEv_Enter(clsConsole& objConsole, int16_t& Index, int16_t evNo, int16_t val) override;
    void setWaitE8Required(int32_t ms) override { waitE8Ms = ms; }

    // ---- MOD ratio conversions (pure) ---------------------------------------
    // 255 * a / b, halves up, at most 255; 0 when a or b is below 1.
    static int16_t RigTavikOp_RatioToByte(int16_t a, int16_t b);
    // a * b / 255, halves up, at most 255.
    static int16_t RigTavikOp_ScaleByte(int16_t a, int16_t b);

    // ---- owned objects -------------------------------------------------------
    clsConsole myConsole;
    clsIndEep_RigTavik myEepMap;

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

    // A/D readouts: channel codes and the last value shown per channel
    // (0xFFFF, read as -1, means nothing shown yet).
    int16_t adCodeMain[6] = {};
    int16_t adCodeAdjust[10] = {};
    int16_t adLastMain[6] = {};
    int16_t adLastAdjust[10] = {};
    bool adError = false;

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
    // Ends every sequence: BPF/LVA waits back to normal, Enter marks cleared,
    // every line redrawn.
    void RigTavikOp_AutoSeqEnd();
    void buildItemTable();

    clsCmcOrb5Sequence& myOrb5Seq;
    clsCmcRadio& myRadio;
    RigWindow& myWindow;
    CloneErrorReporter* myReporter = nullptr;
};
