// The model's task: from "Connect" through the clone read, the load of the
// console, the first readouts and the push of every value, then the edit
// cycle without end (send changes, Enter, automatic sequence, readouts on
// request, parameter display). Never blocks: a state that starts a sequencer
// operation is revisited on later ticks.
#include <algorithm>
#include <string>

#include "link/Common.h"
#include "link/clsCmcOrb5Drv.h"
#include "link/clsCmcRadio.h"
#include "model/clsIndOp_RigTavik.h"

namespace {

enum State : int16_t {
    stIdle = 0,
    stStart = 1,
    stCloneRead = 2,
    stFirstMain = 3,     // 3..7: main readout channels 0..4
    stAdjustMode = 8,
    stFirstPush = 9,
    stCycleStart = 10,
    stMain = 11,         // 11..15: main readout channels 0..4
    stAdjust = 16,       // 16..24: adjustment readout channels 0..8
    stPush = 25,
    stEnter = 26,
    stSequence = 27,
    stCycleEnd = 28,
    stDispPara = 29,
    stCount = 30,
};

constexpr int kProgressCells = 32;

// EEPROM bytes the load and the push use besides the items' own.
constexpr int32_t kModNarrowAdr = 0x049;   // narrow deviation, sent as 0x0D
constexpr int32_t kBalMidAdr = 0x051;      // BAL as the Mid variant keeps it
constexpr int32_t kBalAltAdr = 0x04A;      // BAL's second copy
constexpr int32_t kLvRxAdr = 0x088;
constexpr int32_t kLvTxAdr = 0x089;
constexpr int16_t kChannels = 32;

}  // namespace

void clsIndOp_RigTavik::sendE8(int16_t command, int16_t value, int16_t item, const char* cause, int oldValue)
{
    myOrb5Seq.easySendE8NoAnswer(ByteToHex2(command) + ByteToAsciiHexStr(value));
    journalFrame(item, item >= 0 ? myConsole.Title(item) : "adjust mode", command, value, cause, oldValue);
}

void clsIndOp_RigTavik::showProgress(int n)
{
    n = std::clamp(n, 0, kProgressCells);
    if (myWindow.lblProgress != nullptr)
        myWindow.lblProgress->setCaption(std::string(static_cast<size_t>(n), 'o') +
                                         std::string(static_cast<size_t>(kProgressCells - n), '.'));
}

void clsIndOp_RigTavik::task()
{
    if (myOrb5Seq.Busy()) {
        if (taskState == stCloneRead) {
            const clsCmcOrb5Drv& drv = myOrb5Seq.driver();
            showProgress(static_cast<int>(static_cast<int64_t>(drv.lastEeAdr()) * 33 / drv.EndAddress()));
        }
        return;
    }
    if (taskState >= stFirstMain && taskState <= stFirstPush)
        showProgress((taskState - 2) * kProgressCells / 7);

    // The transceiver needs time after an adjustment command before the next.
    if (waitE8Ms > 0) {
        waitTick.setcounter(waitE8Ms);
        waitE8Ms = 0;
    }
    if (waitTick.counter() > 0)
        return;

    for (;;) {
        int16_t next = static_cast<int16_t>((taskState + 1) % stCount);
        const bool advance = runState(next);
        if (advance) {
            if (taskState == stFirstPush && next == stCycleStart)
                announce(&ModelListener::editingStarted);
            taskState = next;
            stateEntered = true;
        } else {
            stateEntered = false;
        }
        if (adError) {
            // A malformed readout answer: report it like a link failure and
            // start over from the unconnected state.
            announce(&ModelListener::readoutFailed);
            if (myReporter != nullptr)
                myReporter->MsgBoxCloneErr(myOrb5Seq);
            RigOpFunc_ResetAll();
            break;
        }
        // Every edit cycle gets at least one tick of its own.
        if (myOrb5Seq.Busy() || !advance || taskState == stCycleEnd)
            break;
    }
    RigTavikOp_RefreshWindow();
}

bool clsIndOp_RigTavik::runState(int16_t& next)
{
    const int16_t s = taskState;
    if (s >= stFirstMain && s < stAdjustMode)
        return RigTavikOp_ReadAdMain(static_cast<int16_t>(s - stFirstMain), stateEntered);
    if (s >= stMain && s < stAdjust)
        return !reloadActive || RigTavikOp_ReadAdMain(static_cast<int16_t>(s - stMain), stateEntered);
    if (s >= stAdjust && s < stPush)
        return !reloadActive || RigTavikOp_ReadAdAdjust(static_cast<int16_t>(s - stAdjust), stateEntered);

    switch (s) {
    case stStart:
        return true;
    case stCloneRead:
        if (stateEntered) {
            myOrb5Seq.easyCloneRead();
            return false;
        }
        // Back here only after a good read: a failed one resets the model.
        loadFromImage();
        announce(&ModelListener::imageLoaded);
        return true;
    case stAdjustMode:
        sendE8(0x02, 0x01);
        return true;
    case stFirstPush:
    case stPush:
        return pushRestoreFrames() && pushChangedItems();
    case stCycleStart:
        reloadActive = reloadRequest;
        reloadRequest = false;
        return true;
    case stEnter:
        execPendingEnter();
        return true;
    case stSequence:
        return RigTavikOp_AutoSeqStep();
    case stCycleEnd:
        if (dispParaRequest) {
            RigTavikOp_AutoSeqEnd();
            next = stDispPara;
        } else {
            next = stCycleStart;
        }
        return true;
    case stDispPara:
        if (stateEntered) {
            if (myWindow.txtDispPara != nullptr)
                myEepMap.RigTavikEep_DispPara(*myWindow.txtDispPara);
            announce(&ModelListener::parameterDisplayShown);
        }
        if (dispParaRequest)
            return false;
        if (myWindow.cmd00[2] != nullptr)
            myWindow.cmd00[2]->setFocus();
        next = stCycleEnd;
        return true;
    default:   // idle, and nothing else is ever left by the task
        return false;
    }
}

void clsIndOp_RigTavik::loadFromImage()
{
    const clsCmcEeprom& eep = myRadio.eepImage();
    adAnsPrefix = HexStrToByteStr(myRadio.radioNameM() + myRadio.radionameS());

    if (myEepMap.RigTavikEep_GetMid()) {
        myConsole.setEeAdr(idxBal, kBalMidAdr);
        myConsole.setE8Command(idxBal, 0x12);
        myConsole.setEeAdr(idxModW, 0x050);
        myConsole.setE8Command(idxModW, 0x0E);
    }

    for (int16_t i = 0; i < myConsole.ListCount(); ++i) {
        myConsole.ReadFromEe(i);
        if (i == idxModRatio) {
            auto narrow = static_cast<int16_t>(eep.ReadByte(kModNarrowAdr));
            auto wide = static_cast<int16_t>(eep.ReadByte(myConsole.EeAdr(idxModW)));
            myConsole.setValue(i, RigTavikOp_RatioToByte(narrow, wide));
        } else if (i == idxLvRx) {
            myConsole.setValue(i, eep.ReadByte(kLvRxAdr));
        } else if (i == idxLvTx) {
            myConsole.setValue(i, eep.ReadByte(kLvTxAdr));
        }
        // Everything goes to the transceiver in the first push.
        myConsole.setflgChanged(i, true);
    }

    reloadRequest = true;   // the first edit cycle reads every A/D channel
    chTxAdr = 0x164;
    chRxAdr = 0x160;

    int16_t k = 0;
    for (int16_t n = 0; n < kChannels; ++n)
        if (myEepMap.RigTavikEep_GetChAppear(chRxAdr, n))
            chList[k++] = n;
    if (k == 0) {
        // No programmed channel: still one entry, channel 0.
        chList[0] = 0;
        k = 1;
    }
    myConsole.setMax(idxChNo, static_cast<int16_t>(k - 1));
    myConsole.setValue(idxChNo, myConsole.Min(idxChNo));
    myConsole.setflgChanged(idxChNo, true);
    journalCloneRead();
}

bool clsIndOp_RigTavik::pushChangedItems()
{
    clsCmcEeprom& eep = myRadio.eepImage();
    for (int16_t i = 0; i < myConsole.ListCount(); ++i) {
        if (!myConsole.flgChanged(i))
            continue;
        myConsole.setflgChanged(i, false);
        myConsole.SendE8(i);
        journalItemSent(i);

        if (i == idxModW) {
            // The narrow level is a fraction of the wide one: send it again.
            myConsole.setflgChanged(idxModRatio, true);
        } else if (i == idxModRatio) {
            const int16_t v = RigTavikOp_ScaleByte(myConsole.Value(idxModW), myConsole.Value(idxModRatio));
            sendE8(0x0D, v, idxModRatio);
            eep.WriteByte(kModNarrowAdr, static_cast<uint8_t>(v));
        }

        if (i == idxBal) {
            // BAL lives in up to three bytes; one is brought in line per pass,
            // and the item stays flagged until all of them hold its value.
            const int16_t c = myConsole.Value(idxBal);
            if (eep.ReadByte(kBalMidAdr) != c) {
                myConsole.setflgChanged(idxBal, true);
                sendE8(0x12, c, idxBal, "coupled", eep.ReadByte(kBalMidAdr));
                eep.WriteByte(kBalMidAdr, static_cast<uint8_t>(c));
            } else if (eep.ReadByte(kBalAltAdr) != c) {
                myConsole.setflgChanged(idxBal, true);
                sendE8(0x11, c, idxBal, "coupled", eep.ReadByte(kBalAltAdr));
                eep.WriteByte(kBalAltAdr, static_cast<uint8_t>(c));
            }
        }

        // One frame per pass; the state runs again from item 0 later.
        if (myOrb5Seq.Busy())
            return false;
    }
    return true;
}

void clsIndOp_RigTavik::execPendingEnter()
{
    for (int16_t i = 0; i < myConsole.ListCount(); ++i) {
        if (myConsole.flgEnterOn(i) && myConsole.Event_Enter(i) >= 0) {
            myConsole.setflgEnterOn(i, false);
            myConsole.EnterExec(i);
            return;
        }
    }
}

void clsIndOp_RigTavik::announce(void (ModelListener::*moment)())
{
    for (ModelListener* l : myListeners)
        (l->*moment)();
}

bool clsIndOp_RigTavik::RigTavikProp_AtRest()
{
    if (seqStep != 0 || (taskState != stCycleEnd && taskState != stDispPara))
        return false;
    // The parameter display sends nothing: a changed item (the last value of
    // a sweep that "Disp para" ended) waits for the return to the console.
    if (taskState == stDispPara)
        return !myOrb5Seq.Busy() && !RigTavikProp_Waiting();
    for (int16_t i = 0; i < myConsole.ListCount(); ++i)
        if (myConsole.flgChanged(i) || (myConsole.flgEnterOn(i) && myConsole.Event_Enter(i) >= 0))
            return false;
    return restoreFrames.empty() && !myOrb5Seq.Busy() && !RigTavikProp_Waiting();
}

void clsIndOp_RigTavik::RigOpFunc_LinkFailed()
{
    const bool connecting = taskState >= stStart && taskState < stCycleStart;
    RigOpFunc_ResetAll();
    if (connecting)
        announce(&ModelListener::connectFailed);
}

void clsIndOp_RigTavik::RigOpFunc_ClickCmd00(int16_t Index)
{
    RigTavikOp_AutoSeqEnd();
    switch (Index) {
    case 0:   // "Connect"
        announce(&ModelListener::jobEnding);
        RigOpFunc_ResetAll();
        myJournal.begin(myPortNo);
        taskState = stStart;
        stateEntered = true;
        announce(&ModelListener::connectStarted);
        break;
    case 1:   // "Reload(F5)"
        if (RigTavikProp_EditEnabled())
            reloadRequest = true;
        break;
    case 2:   // "Disp para": on while editing, off again while shown
        if (RigTavikProp_EditEnabled())
            dispParaRequest = true;
        else if (RigTavikProp_DispPara())
            dispParaRequest = false;
        break;
    default:
        break;
    }
}
