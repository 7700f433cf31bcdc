// The console event handlers: the console hands an item's line, its E8 frame
// or its Enter key here when the item carries an event number for it. The
// numbers are those of the item table.
#include <cstdlib>
#include <string>

#include "link/Common.h"
#include "model/NumberFormat.h"
#include "model/clsIndOp_RigTavik.h"

namespace {

// Channel record start as the power and mode queries take it, and the byte
// of the record that holds the inhibit marks.
constexpr int32_t kChRecordStart = 0x160;
constexpr int32_t kChFlagsAdr = 0x16C;

// Entry k of a two-item selection; anything else is not selected.
bool selected(const bool (&sel)[3], int k)
{
    return k >= 0 && k <= 1 && sel[k];
}

std::string megahertz(uint32_t hz)
{
    return FormatNumber(hz / 1000000.0, "###0.#####0");
}

std::string trimLeft(const std::string& s)
{
    const size_t p = s.find_first_not_of(' ');
    return p == std::string::npos ? std::string() : s.substr(p);
}

}  // namespace

std::string clsIndOp_RigTavik::channelNumberText(int16_t n)
{
    // The programmed channel's name, two digits at least.
    const std::string name = trimLeft(myEepMap.RigTavikEep_GetChName(n));
    return (std::atoi(name.c_str()) < 10 ? "0" : "") + name;
}

std::string clsIndOp_RigTavik::ConsEv_Disp(clsConsole& objConsole, int16_t& Index, int16_t evNo, int16_t val)
{
    const bool bpfRunning = seqStep >= 12 && seqStep <= 16;
    const bool lvaRunning = seqStep >= 17 && seqStep <= 26;
    switch (evNo) {
    case 0: {   // "CH No.": the programmed channel the value points at
        const int16_t n = chList[val >= 0 && val <= 40 ? val : 0];
        const int32_t r = kChFlagsAdr + clsIndEep_RigTavik::kRecordSize * n;
        std::string line = objConsole.Title(Index) + ": " + channelNumberText(n);

        const uint32_t rx = myEepMap.RigTavikEep_GetChFreqRxReal(chRxAdr, n);
        const uint32_t tx = myEepMap.RigTavikEep_GetChFreqTxReal(chTxAdr, n);
        const bool rxInhibit = myEepMap.Check_Inh(r, 7) != 0;
        line += " RX = ";
        line += rxInhibit ? "Inhibit   " : megahertz(rx);
        line += ", TX = ";
        if (myEepMap.Check_Inh(r, 6) != 0)
            line += "Inhibit   ";
        else if (rxInhibit)
            line += megahertz(tx);
        else if (tx == rx)
            line += "  <-      ";
        else
            line += megahertz(tx);

        line += "  RF Power: ";
        switch (myEepMap.RigTavikEep_GetChRFPower(kChRecordStart, n)) {
        case 0:
            line += "High";
            break;
        case 1:
            line += "Low2";
            break;
        default:
            line += "Low1";
            break;
        }
        line += "  Mode:";
        line += myEepMap.RigTavikEep_GetChMode(kChRecordStart, n) ? " Narrow" : " Wide";
        return line;
    }
    case 2:   // "BPF ALL"
        return objConsole.Title(Index) +
               (bpfRunning && Index == idxBpfRun ? ": Sweeping" : ": [Enter] to Sweep");
    case 3:   // "BPF T1", "BPF T2"
        if (bpfRunning)
            return objConsole.DefaultString(Index) + (selected(bpfSweepSel, Index - idxBpfT1) ? " Sweeping" : "");
        return objConsole.DefaultString(Index) + " [Enter] to Sweep";
    case 4:   // "RSSI"
        if (seqStep >= 6 && seqStep <= 8)
            return objConsole.Title(Index) + (rssiLevelS1 ? ": RSSI S1 Level " : ": RSSI S3 Level ");
        return objConsole.Title(Index) + ": [Enter] to Start";
    case 6: {   // "RX LVA", "TX LVA"
        const int k = Index - idxRxLva;
        if (lvaRunning)
            return objConsole.DefaultString(Index) + (selected(lvaSweepSel, k) ? " Sweeping" : "");
        return objConsole.DefaultString(Index) + " [Enter] to Sweep" +
               (selected(lvaFailed, k) ? " (Auto Adjust Failed)" : "");
    }
    case 7:   // "LV(RX LVA)", "LV(TX LVA)": the target level in volts; the
              // field of 7 cuts the colon off ": [2.51V" but never the volts
        return objConsole.DefaultString(Index) + FitField(": ", "[" + FormatNumber(val * 5 / 255.0, "##0.#0V"), 7) +
               "]";
    default:
        return "???";
    }
}

void clsIndOp_RigTavik::ConsEv_SendE8(clsConsole& objConsole, int16_t& Index, int16_t evNo, int16_t val)
{
    if (evNo != 0)
        return;
    // "CH No.": select the channel by its 1-based number; no wait needed.
    const int16_t n = chList[val >= 0 && val <= 40 ? val : 0];
    myOrb5Seq.easySendE8NoAnswer(ByteToHex2(objConsole.E8Command(Index)) +
                                 ByteToAsciiHexStr(static_cast<int16_t>(n + 1)));
    journalFrame(Index, objConsole.Title(Index), objConsole.E8Command(Index), static_cast<int16_t>(n + 1));
}

void clsIndOp_RigTavik::ConsEv_Enter(clsConsole& objConsole, int16_t& Index, int16_t evNo, int16_t /*val*/)
{
    // Starting a sequence always ends the one that runs; a second Enter
    // during a sweep is ignored, during the RSSI capture it confirms.
    const int16_t before = seqStep;
    switch (evNo) {
    case 1:   // "RSSI"
        if (seqStep >= 6 && seqStep <= 8) {
            rssiConfirm = true;
        } else {
            RigTavikOp_AutoSeqEnd();
            rssiLevelS1 = false;
            seqStep = 6;
        }
        break;
    case 3:   // "BPF T1"
    case 4:   // "BPF T2"
    case 7:   // "BPF ALL"
        if (seqStep >= 12 && seqStep <= 16)
            break;
        bpfSweepSel[0] = bpfSweepSel[1] = bpfSweepSel[2] = false;
        bpfSweepAll = false;
        if (evNo == 7) {
            bpfSweepAll = true;
            bpfSweepSel[0] = bpfSweepSel[1] = true;
        } else {
            bpfSweepSel[evNo - 3] = true;
        }
        idxBpfRun = Index;
        RigTavikOp_AutoSeqEnd();
        seqStep = 12;
        break;
    case 8:   // "RX LVA"
    case 9:   // "TX LVA"
        if (seqStep >= 17 && seqStep <= 26)
            break;
        lvaSweepSel[0] = lvaSweepSel[1] = lvaSweepSel[2] = false;
        lvaSweepSel[evNo - 8] = true;
        RigTavikOp_AutoSeqEnd();
        seqStep = 17;
        break;
    default:
        break;
    }
    // The end of the old sequence drew every line as idle; the lines of the
    // new one's items (and of the others in its group) show it from now on.
    if (seqStep != before)
        for (int16_t i = 0; i < objConsole.ListCount(); ++i)
            objConsole.Disp(i);
}
