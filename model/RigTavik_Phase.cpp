// The model's phase for a status line, from the task state, the running
// sequence and the journal's open record.
#include <algorithm>

#include "model/ModelPhase.h"
#include "model/clsIndOp_RigTavik.h"

namespace {

constexpr int16_t kCloneReadLast = 2;   // states up to the clone read
constexpr int16_t kPushLast = 9;        // first readouts, adjust mode, first push
constexpr int16_t kDispPara = 29;

std::string trimmed(const std::string& s)
{
    const size_t a = s.find_first_not_of(' ');
    return a == std::string::npos ? std::string() : s.substr(a, s.find_last_not_of(' ') - a + 1);
}

}  // namespace

ModelPhase clsIndOp_RigTavik::RigTavikProp_Phase() const
{
    ModelPhase p;
    if (taskState == 0)
        return p;
    if (taskState <= kCloneReadLast) {
        p.kind = ModelPhase::Kind::Reading;
        return p;
    }
    if (taskState <= kPushLast) {
        p.kind = ModelPhase::Kind::Pushing;
        p.total = myConsole.ListCount();
        for (int16_t i = 0; i < myConsole.ListCount(); ++i)
            p.done += myConsole.flgChanged(i) ? 0 : 1;
        // Until the push begins every item waits for it.
        if (taskState < kPushLast)
            p.done = 0;
        return p;
    }
    if (taskState == kDispPara) {
        p.kind = ModelPhase::Kind::ParameterDisplay;
        return p;
    }
    p.kind = ModelPhase::Kind::Editing;
    if (seqStep >= 6 && seqStep <= 8) {
        p.kind = ModelPhase::Kind::RssiCapture;
        p.done = rssiLevelS1 ? 1 : 3;
        p.title = trimmed(myConsole.Title(idxRssi));
    } else if (seqStep >= 12 && seqStep <= 16) {
        p.kind = ModelPhase::Kind::BpfSweep;
        // The item under way: the first one still selected.
        int16_t k = 0;
        while (k < 1 && !bpfSweepSel[k])
            ++k;
        const auto item = static_cast<int16_t>(idxBpfT1 + k);
        p.title = trimmed(myConsole.Title(item));
        // From "BPF ALL" every second value up to 128.
        const int last = bpfSweepAll ? std::min<int>(myConsole.Max(item), 128) : myConsole.Max(item);
        p.total = (last - myConsole.Min(item)) / (bpfSweepAll ? 2 : 1) + 1;
        const JournalEvent* e = myJournal.last(JournalEvent::Kind::Bpf);
        if (e != nullptr && e->item == item && e->outcome == JournalEvent::Outcome::Running)
            p.done = std::min(static_cast<int>(e->points.size()), p.total);
    } else if (seqStep >= 17 && seqStep <= 26) {
        p.kind = ModelPhase::Kind::LvaSearch;
        const JournalEvent* e = myJournal.last(JournalEvent::Kind::Lva);
        const bool open = e != nullptr && e->outcome == JournalEvent::Outcome::Running;
        p.title = open ? trimmed(e->title) : std::string("LVA");
        p.done = open ? static_cast<int>(e->points.size()) + 1 : 1;
    }
    return p;
}
