// The service journal's share of the model: the clone read, every
// adjustment frame with its item and cause. Only records; nothing here
// sends or shows anything.
#include "link/clsCmcRadio.h"
#include "link/frmCom.h"
#include "model/clsIndOp_RigTavik.h"

namespace {

constexpr int16_t kFirstEditState = 10;

bool inRange(int16_t v, int16_t lo, int16_t hi)
{
    return v >= lo && v <= hi;
}

}  // namespace

void clsIndOp_RigTavik::journalCloneRead()
{
    std::vector<JournalItem> items;
    for (int16_t i = 0; i < myConsole.ListCount(); ++i) {
        JournalItem it;
        it.title = myConsole.Title(i);
        it.atConnect = myConsole.Value(i);
        it.shown = i == idxChNo                     ? JournalItem::Shown::Channel
                   : i == idxBpfRun || i == idxRssi ? JournalItem::Shown::Action
                                                    : JournalItem::Shown::Number;
        it.action = i == idxRssi ? JournalEvent::Kind::Rssi : JournalEvent::Kind::Bpf;
        items.push_back(it);
    }
    // The channel item's values as the window shows them.
    std::vector<std::string> channels;
    for (int16_t n : chList)
        channels.push_back(channelNumberText(n));
    myJournal.cloneRead(myRadio.radioNameM(), myRadio.radionameS(), myEepMap.RigTavikEep_GetMid(), myPortNo,
                        myOrb5Seq.com().devicePath(), items, platform::AdapterText(myOrb5Seq.com().adapter()),
                        channels);
}

std::string clsIndOp_RigTavik::journalCause(int16_t item) const
{
    if (taskState < kFirstEditState)
        return "connect";
    for (int16_t k = 0; k <= 1; ++k) {
        // The swept item's result goes out after its selection has ended.
        if (inRange(seqStep, 12, 16) && item == idxBpfT1 + k && (bpfSweepSel[k] || (k == bpfK && seqStep >= 14)))
            return "bpf";
        if (inRange(seqStep, 17, 26) && lvaSweepSel[k] && item == idxRxLva + k)
            return "lva";
    }
    return "operator";
}

void clsIndOp_RigTavik::journalFrame(int16_t item, const std::string& title, int16_t command, int16_t wireValue,
                                     const char* cause, int oldValue)
{
    const int newValue = item >= 0 ? myConsole.Value(item) : wireValue;
    myJournal.adjust(item, title, newValue, command, wireValue, cause != nullptr ? cause : journalCause(item),
                     oldValue);
}

void clsIndOp_RigTavik::journalItemSent(int16_t i)
{
    if (myConsole.Event_SendE8(i) >= 0)
        return;   // its handler notes its own frame
    if (myConsole.E8Command(i) >= 0) {
        journalFrame(i, myConsole.Title(i), myConsole.E8Command(i), static_cast<int16_t>(myConsole.Value(i) & 0xFF));
        return;
    }
    if (i == idxModRatio)
        return;   // its frame (0x0D) follows
    myJournal.itemValue(i, myConsole.Value(i), journalCause(i) == "operator");
}
