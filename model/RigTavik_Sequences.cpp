// Automatic adjustment sequences: RSSI meter points, BPF peak sweep and LVA
// level search, one step per tick, held in seqStep.
#include <cmath>
#include <cstdlib>
#include <utility>

#include "link/Common.h"
#include "link/clsCmcRadio.h"
#include "model/clsIndOp_RigTavik.h"

void clsIndOp_RigTavik::RigTavikOp_AutoSeqEnd()
{
    seqStep = 0;
    myJournal.interrupt();   // a sequence ended before its own end
    // While a sweep runs these items go out without a wait; normal again now.
    myConsole.setWaitAfterE8(idxBpfT1, 200);
    myConsole.setWaitAfterE8(static_cast<int16_t>(idxBpfT1 + 1), 200);
    myConsole.setWaitAfterE8(idxRxLva, 500);
    myConsole.setWaitAfterE8(static_cast<int16_t>(idxRxLva + 1), 500);
    for (int16_t i = 0; i < myConsole.ListCount(); ++i) {
        myConsole.setflgEnterOn(i, false);
        myConsole.Disp(i);
    }
}

namespace {

constexpr int16_t kSdChannel = 3;     // detector voltage "SD"
constexpr int16_t kLvinChannel = 2;   // level input voltage "LVIN"
constexpr int32_t kRssiS1Adr = 0x83;
constexpr int32_t kRssiS3Adr = 0x84;

}  // namespace

bool clsIndOp_RigTavik::RigOpFunc_InterruptAutoSeq()
{
    if (seqStep == 0)
        return false;
    auto putBack = [this](int16_t item, int16_t value) {
        myConsole.setValue(item, value);   // shown at once; the push sends it below
        restoreFrames.push_back({item, myConsole.E8Command(item), 0, -1, nullptr});
        myJournal.interruptRestored(item, value);
    };
    // A sequence's first step saves the values; a BPF sweep changes its
    // items from step 13 on, an LVA search opens its record at step 17 and
    // changes from 18 on. An item whose own sweep has ended keeps its result.
    for (int16_t k = 0; k <= 1; ++k) {
        if (seqStep >= 14 && seqStep <= 15 && bpfSweepSel[k])
            putBack(static_cast<int16_t>(idxBpfT1 + k), bpfSaved[k]);
        if (seqStep >= 18 && seqStep <= 25 && lvaSweepSel[k])
            putBack(static_cast<int16_t>(idxRxLva + k), lvaSaved[k]);
    }
    // The RSSI capture once its first step has saved the levels (back on
    // step 6 with rssiLevelS1 it takes the S1 point).
    if (seqStep >= 6 && seqStep <= 8 && (seqStep != 6 || rssiLevelS1)) {
        std::vector<JournalPoint> levels;
        const clsCmcEeprom& eep = myRadio.eepImage();
        const struct {
            int level;
            int16_t command;
            int32_t adr;
            const char* title;
        } stores[] = {{3, 0x16, kRssiS3Adr, "RSSI S3 Level"}, {1, 0x15, kRssiS1Adr, "RSSI S1 Level"}};
        for (int n = 0; n < 2; ++n) {
            const int16_t saved = rssiSaved[n];
            if (eep.ReadByte(stores[n].adr) == saved)
                continue;
            restoreFrames.push_back({-1, stores[n].command, saved, stores[n].adr, stores[n].title});
            levels.push_back({stores[n].level, saved});
        }
        myJournal.interruptRestored(idxRssi, -1, levels);
    }
    RigTavikOp_AutoSeqEnd();
    return true;
}

bool clsIndOp_RigTavik::pushRestoreFrames()
{
    if (restoreFrames.empty())
        return true;
    const RestoreFrame f = restoreFrames.front();
    restoreFrames.erase(restoreFrames.begin());
    if (f.item >= 0) {
        myConsole.setflgChanged(f.item, false);
        myConsole.SendE8(f.item);
        journalFrame(f.item, myConsole.Title(f.item), f.command,
                     static_cast<int16_t>(myConsole.Value(f.item) & 0xFF), "restore");
    } else {
        clsCmcEeprom& eep = myRadio.eepImage();
        myOrb5Seq.easySendE8NoAnswer(ByteToHex2(f.command) + ByteToAsciiHexStr(f.value));
        journalFrame(-1, f.title, f.command, f.value, "restore", eep.ReadByte(f.adr));
        eep.WriteByte(f.adr, static_cast<uint8_t>(f.value));
    }
    return false;   // one frame per pass
}

void clsIndOp_RigTavik::beep()
{
    if (myWindow.beeper != nullptr)
        myWindow.beeper->beep();
}

bool clsIndOp_RigTavik::RigTavikOp_AutoSeqStep()
{
    const int16_t s = seqStep;
    bool result = true;
    if (s >= 6 && s <= 8)
        result = RigTavikOp_SeqRssi();
    else if (s >= 12 && s <= 16)
        result = RigTavikOp_SeqBpf();
    else if (s >= 17 && s <= 26)
        result = RigTavikOp_SeqLva();
    if (s != 0 && seqStep == 0)
        RigTavikOp_AutoSeqEnd();
    return result;
}

// RSSI meter points: keep reading "SD"; each Enter stores the reading, first
// as the S3 point, then as the S1 point.
bool clsIndOp_RigTavik::RigTavikOp_SeqRssi()
{
    if (myOrb5Seq.Busy())
        return false;
    int16_t next = static_cast<int16_t>(seqStep + 1);
    switch (seqStep) {
    case 6:
        rssiConfirm = false;
        rssiConfirmTaken = false;
        if (!rssiLevelS1) {
            // What an interruption puts back.
            rssiSaved[0] = myRadio.eepImage().ReadByte(kRssiS3Adr);
            rssiSaved[1] = myRadio.eepImage().ReadByte(kRssiS1Adr);
            myJournal.start(JournalEvent::Kind::Rssi, idxRssi, myConsole.Title(idxRssi), -1);
        }
        break;
    case 7: {
        const bool start = !rssiStarted;
        rssiStarted = true;
        if (!RigTavikOp_ReadAdMain(kSdChannel, start) || adError)
            return false;   // still waiting, or a bad answer the task reports
        if (rssiConfirm) {
            const int16_t v = adLastMain[kSdChannel];
            const int32_t adr = rssiLevelS1 ? kRssiS1Adr : kRssiS3Adr;
            myOrb5Seq.easySendE8NoAnswer((rssiLevelS1 ? "15" : "16") + ByteToAsciiHexStr(v));
            journalFrame(-1, rssiLevelS1 ? "RSSI S1 Level" : "RSSI S3 Level", rssiLevelS1 ? 0x15 : 0x16, v, "rssi",
                         myRadio.eepImage().ReadByte(adr));
            myJournal.point(idxRssi, rssiLevelS1 ? 1 : 3, v);
            myRadio.eepImage().WriteByte(adr, static_cast<uint8_t>(v));
        }
        rssiConfirmTaken = rssiConfirm;
        break;
    }
    case 8:
        if (!rssiConfirmTaken) {
            next = 7;   // keep the "SD" line fresh until the operator confirms
        } else if (rssiLevelS1) {
            next = 0;
            myJournal.finish(idxRssi, JournalEvent::Outcome::Done, -1);
            rssiConfirm = false;
            rssiLevelS1 = false;
            beep();
        } else {
            next = 6;
            rssiLevelS1 = true;
            myConsole.Disp(idxRssi);
        }
        break;
    default:
        break;
    }
    seqStep = next;
    rssiStarted = false;
    return true;
}

// BPF tuning: sweep the selected T items over their range while reading the
// detector, then set each to the middle of its peak. From "BPF ALL" the
// sweep is coarse (every second value up to 128).
bool clsIndOp_RigTavik::RigTavikOp_SeqBpf()
{
    if (myOrb5Seq.Busy())
        return false;
    int16_t next = static_cast<int16_t>(seqStep + 1);
    switch (seqStep) {
    case 12:
        for (int16_t k = 0; k <= 1; ++k)   // what an interruption puts back
            bpfSaved[k] = myConsole.Value(static_cast<int16_t>(idxBpfT1 + k));
        break;
    case 13:
        for (int16_t k = 0; k <= 1; ++k) {
            if (bpfSweepSel[k]) {
                const auto item = static_cast<int16_t>(idxBpfT1 + k);
                myJournal.start(JournalEvent::Kind::Bpf, item, myConsole.Title(item), myJournal.lastValue(item),
                                bpfSweepAll);
                myConsole.setValue(item, bpfSweepAll ? 64 : 0);
                myConsole.Disp(item);
            }
        }
        break;
    case 14: {
        int16_t k = 0;
        while (k <= 1 && !bpfSweepSel[k])
            ++k;
        if (k > 1) {
            next = 16;
            break;
        }
        bpfK = k;
        const auto item = static_cast<int16_t>(idxBpfT1 + k);
        myConsole.setValue(item, myConsole.Min(item));
        bpfHighest = -1;
        bpfPeakStart = bpfPeakEnd = myConsole.Min(item);
        break;
    }
    case 15: {
        const auto item = static_cast<int16_t>(idxBpfT1 + bpfK);
        for (;;) {
            if (bpfSubStep == 0) {
                myConsole.SendE8(item);
                journalItemSent(item);
                bpfSubStep = 1;
                return false;
            }
            if (bpfSubStep == 1) {
                RigTavikOp_ReadAdMain(kSdChannel, true);
                bpfSubStep = 2;
                return false;
            }
            // The reading has arrived (the sequencer is idle again).
            RigTavikOp_ReadAdMain(kSdChannel, false);
            if (adError)
                return false;
            myConsole.setWaitAfterE8(item, 0);   // the sweep paces itself
            const int16_t v = myConsole.Value(item);
            const int16_t r = adLastMain[kSdChannel];
            myJournal.point(item, v, r);
            if (r >= bpfHighest) {
                if (r > bpfHighest)
                    bpfPeakStart = v;
                bpfPeakEnd = v;
                bpfHighest = r;
            }
            if (v < myConsole.Max(item) && (!bpfSweepAll || v < 127)) {
                myConsole.setValue(item, static_cast<int16_t>(bpfSweepAll ? v + 2 : v + 1));
                bpfSubStep = 0;
                continue;
            }
            myConsole.setValue(item, static_cast<int16_t>((bpfPeakStart + bpfPeakEnd) / 2));
            myJournal.finishBpf(item, bpfHighest, bpfPeakStart, bpfPeakEnd, myConsole.Value(item));
            bpfSweepSel[bpfK] = false;
            next = 14;
            break;
        }
        break;
    }
    case 16:
        next = 0;
        beep();
        break;
    default:
        break;
    }
    seqStep = next;
    bpfSubStep = 0;
    return true;
}

// LVA levels: bisection on the item value until the level input voltage
// matches the target the operator set in "LV(RX LVA)" / "LV(TX LVA)". Works
// whether the level rises or falls with the value.
bool clsIndOp_RigTavik::RigTavikOp_SeqLva()
{
    if (myOrb5Seq.Busy())
        return false;
    int16_t next = static_cast<int16_t>(seqStep + 1);

    // Reads "LVIN" over several calls; true once the reading is in.
    auto readLevel = [this](int16_t& reading) {
        const bool start = !lvaStarted;
        lvaStarted = true;
        if (!RigTavikOp_ReadAdMain(kLvinChannel, start) || adError)
            return false;
        reading = adLastMain[kLvinChannel];
        for (int16_t k = 0; k <= 1; ++k) {
            const auto item = static_cast<int16_t>(idxRxLva + k);
            if (lvaSweepSel[k])
                myJournal.point(item, myConsole.Value(item), reading);
        }
        return true;
    };
    auto setSelected = [this](int16_t value) {
        for (int16_t k = 0; k <= 1; ++k) {
            if (lvaSweepSel[k]) {
                const auto item = static_cast<int16_t>(idxRxLva + k);
                myConsole.setValue(item, value);
                myConsole.Disp(item);
            }
        }
    };

    switch (seqStep) {
    case 17:
        lvaLo = 0;
        lvaHi = 255;
        for (int16_t k = 0; k <= 1; ++k) {
            if (lvaSweepSel[k]) {
                // Saved again at step 18; from here on an interruption puts it back.
                lvaSaved[k] = myConsole.Value(static_cast<int16_t>(idxRxLva + k));
                lvaTarget = myConsole.Value(static_cast<int16_t>(idxLvRx + k));
                lvaFailed[k] = true;   // until the target is reached
                const auto item = static_cast<int16_t>(idxRxLva + k);
                myJournal.start(JournalEvent::Kind::Lva, item, myConsole.Title(item), myJournal.lastValue(item),
                                false, lvaTarget);
            }
        }
        break;
    case 18:
        for (int16_t k = 0; k <= 1; ++k)
            if (lvaSweepSel[k])
                lvaSaved[k] = myConsole.Value(static_cast<int16_t>(idxRxLva + k));
        setSelected(lvaLo);
        break;
    case 19:
        if (!readLevel(lvaReadLo))
            return false;
        break;
    case 20:
        setSelected(lvaHi);
        break;
    case 21:
        if (!readLevel(lvaReadHi))
            return false;
        break;
    case 22:
        if (lvaReadLo > lvaReadHi) {
            std::swap(lvaLo, lvaHi);
            std::swap(lvaReadLo, lvaReadHi);
        }
        if (lvaTarget <= lvaReadLo || lvaTarget >= lvaReadHi) {
            // Out of reach: back to the old values, the item stays failed.
            for (int16_t k = 0; k <= 1; ++k) {
                if (lvaSweepSel[k]) {
                    const auto item = static_cast<int16_t>(idxRxLva + k);
                    myConsole.setValue(item, lvaSaved[k]);
                    myConsole.Disp(item);
                    myJournal.finish(item, JournalEvent::Outcome::Failed, lvaSaved[k]);
                }
            }
            next = 26;
        }
        break;
    case 23:
        lvaMid = static_cast<int16_t>(std::floor((lvaLo + lvaHi) / 2.0 + 0.5));
        for (int16_t k = 0; k <= 1; ++k) {
            if (lvaSweepSel[k]) {
                const auto item = static_cast<int16_t>(idxRxLva + k);
                myConsole.setValue(item, lvaMid);
                myConsole.Disp(item);
                myConsole.setWaitAfterE8(item, 500);   // let the level settle
            }
        }
        break;
    case 24:
        if (!readLevel(lvaReadMid))
            return false;
        for (int16_t k = 0; k <= 1; ++k)
            if (lvaSweepSel[k])
                myConsole.setWaitAfterE8(static_cast<int16_t>(idxRxLva + k), 0);
        break;
    case 25:
        if (std::abs(lvaHi - lvaLo) <= 2 || lvaReadMid == lvaTarget) {
            for (int16_t k = 0; k <= 1; ++k) {
                if (lvaSweepSel[k]) {
                    lvaFailed[k] = false;
                    myJournal.finish(static_cast<int16_t>(idxRxLva + k), JournalEvent::Outcome::Done, lvaMid);
                }
            }
            next = 26;
        } else {
            if (lvaTarget > lvaReadMid) {
                lvaLo = lvaMid;
                lvaReadLo = lvaReadMid;
            } else {
                lvaHi = lvaMid;
                lvaReadHi = lvaReadMid;
            }
            next = 23;
        }
        break;
    case 26:
        next = 0;
        beep();
        break;
    default:
        break;
    }
    seqStep = next;
    lvaStarted = false;
    return true;
}
