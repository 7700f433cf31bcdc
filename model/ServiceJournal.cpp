#include "model/ServiceJournal.h"

namespace {

constexpr int kMainChannels = 6;
constexpr int kReadoutSlots = 16;

bool isSequence(JournalEvent::Kind k)
{
    return k == JournalEvent::Kind::Rssi || k == JournalEvent::Kind::Bpf || k == JournalEvent::Kind::Lva;
}

}  // namespace

ServiceJournal::ServiceJournal(const platform::TickClock& clock) : clock_(clock)
{
    clearReadouts();
}

void ServiceJournal::clearReadouts()
{
    for (int i = 0; i < kReadoutSlots; ++i) {
        readouts_[i] = JournalReadout();
        readouts_[i].group = i < kMainChannels ? 0 : 1;
        readouts_[i].channel = i < kMainChannels ? i : i - kMainChannels;
    }
}

void ServiceJournal::begin(int16_t port)
{
    startTick_ = clock_.GetTickCount();
    events_.clear();
    items_.clear();
    clearReadouts();
    JournalEvent e;
    e.kind = JournalEvent::Kind::Connect;
    e.port = port;
    e.date = wall_ != nullptr ? wall_->UnixSeconds() : 0;
    events_.push_back(e);
    ++revision_;
}

void ServiceJournal::cloneRead(const std::string& mainCode, const std::string& subCode, bool mid, int16_t port,
                               const std::string& device, const std::vector<JournalItem>& items,
                               const std::string& adapter, const std::vector<std::string>& channelNames)
{
    JournalEvent e;
    e.kind = JournalEvent::Kind::CloneRead;
    e.ms = now();
    e.mainCode = mainCode;
    e.subCode = subCode;
    e.mid = mid;
    e.port = port;
    e.device = device;
    e.adapter = adapter;
    e.date = wall_ != nullptr ? wall_->UnixSeconds() : 0;
    events_.push_back(e);
    items_ = items;
    for (JournalItem& it : items_) {
        it.finalValue = it.atConnect;
        it.changes = 0;
    }
    channelNames_ = channelNames;
    ++revision_;
}

JournalItem* ServiceJournal::itemAt(int16_t item)
{
    return item >= 0 && static_cast<size_t>(item) < items_.size() ? &items_[static_cast<size_t>(item)] : nullptr;
}

int ServiceJournal::lastValue(int16_t item) const
{
    return item >= 0 && static_cast<size_t>(item) < items_.size() ? items_[static_cast<size_t>(item)].finalValue : -1;
}

void ServiceJournal::adjust(int16_t item, const std::string& title, int newValue, int command, int wireValue,
                            const std::string& cause, int oldValue)
{
    JournalEvent e;
    e.kind = JournalEvent::Kind::Adjust;
    e.ms = now();
    e.item = item;
    e.title = title;
    JournalItem* it = itemAt(item);
    e.oldValue = oldValue >= 0 ? oldValue : it != nullptr ? it->finalValue : newValue;
    e.newValue = newValue;
    e.command = command;
    e.wireValue = wireValue;
    e.cause = cause;
    if (it != nullptr && cause != "coupled") {
        if (cause == "operator" && it->finalValue != newValue)
            ++it->changes;
        it->finalValue = newValue;
    }
    events_.push_back(e);
    ++revision_;
}

void ServiceJournal::itemValue(int16_t item, int value, bool byOperator)
{
    JournalItem* it = itemAt(item);
    if (it == nullptr || it->finalValue == value)
        return;
    if (byOperator)
        ++it->changes;
    it->finalValue = value;
    ++revision_;
}

void ServiceJournal::start(JournalEvent::Kind kind, int16_t item, const std::string& title, int before, bool coarse,
                           int target)
{
    JournalEvent e;
    e.kind = kind;
    e.ms = e.endMs = now();
    e.item = item;
    e.title = title;
    e.before = before;
    e.coarse = coarse;
    e.target = target;
    events_.push_back(e);
    ++revision_;
}

JournalEvent* ServiceJournal::open(int16_t item)
{
    for (auto e = events_.rbegin(); e != events_.rend(); ++e)
        if (isSequence(e->kind) && e->item == item && e->outcome == JournalEvent::Outcome::Running)
            return &*e;
    return nullptr;
}

void ServiceJournal::point(int16_t item, int value, int reading)
{
    if (JournalEvent* e = open(item)) {
        e->points.push_back({value, reading});
        e->endMs = now();
        ++revision_;
    }
}

void ServiceJournal::finishBpf(int16_t item, int highest, int peakStart, int peakEnd, int result)
{
    if (JournalEvent* e = open(item)) {
        e->highest = highest;
        e->peakStart = peakStart;
        e->peakEnd = peakEnd;
        finish(item, JournalEvent::Outcome::Done, result);
    }
}

void ServiceJournal::finish(int16_t item, JournalEvent::Outcome outcome, int result)
{
    JournalEvent* e = open(item);
    if (e == nullptr)
        return;
    e->outcome = outcome;
    e->result = result;
    e->endMs = now();
    // An automatic adjustment that moved the item counts as one change.
    JournalItem* it = itemAt(item);
    if (it != nullptr && outcome == JournalEvent::Outcome::Done && result >= 0 && result != e->before)
        ++it->changes;
    ++revision_;
}

void ServiceJournal::interrupt()
{
    for (JournalEvent& e : events_) {
        if (isSequence(e.kind) && e.outcome == JournalEvent::Outcome::Running) {
            e.outcome = JournalEvent::Outcome::Interrupted;
            e.endMs = now();
            // The radio keeps the last value the sequence sent: that is its
            // result, and a change when it differs from the value before.
            if (JournalItem* it = itemAt(e.item); it != nullptr && e.kind != JournalEvent::Kind::Rssi) {
                e.result = it->finalValue;
                if (e.before >= 0 && e.result != e.before)
                    ++it->changes;
            }
            ++revision_;
        }
    }
}

void ServiceJournal::interruptRestored(int16_t item, int value, const std::vector<JournalPoint>& levels)
{
    JournalEvent* e = open(item);
    if (e == nullptr)
        return;
    e->outcome = JournalEvent::Outcome::Interrupted;
    e->restored = true;
    e->result = value;
    e->restoredLevels = levels;
    e->endMs = now();
    ++revision_;
}

void ServiceJournal::readout(int group, int channel, int value, const std::string& text)
{
    const int slot = group == 0 ? channel : kMainChannels + channel;
    if (slot < 0 || slot >= kReadoutSlots || (group == 0 && channel >= kMainChannels))
        return;
    JournalReadout& r = readouts_[slot];
    if (r.firstValue < 0) {
        r.firstValue = value;
        r.firstText = text;
    }
    r.latestValue = value;
    r.latestText = text;
    r.latestMs = now();
    ++revision_;
}

void ServiceJournal::failure(const std::string& message)
{
    JournalEvent e;
    e.kind = JournalEvent::Kind::Failure;
    e.ms = now();
    e.message = message;
    events_.push_back(e);
    ++revision_;
}

std::vector<JournalReadout> ServiceJournal::readouts() const
{
    std::vector<JournalReadout> out;
    for (const JournalReadout& r : readouts_)
        if (r.firstValue >= 0 && !r.latestText.empty())
            out.push_back(r);
    return out;
}

const JournalEvent* ServiceJournal::identity() const
{
    return last(JournalEvent::Kind::CloneRead);
}

const JournalEvent* ServiceJournal::last(JournalEvent::Kind kind) const
{
    for (auto e = events_.rbegin(); e != events_.rend(); ++e)
        if (e->kind == kind)
            return &*e;
    return nullptr;
}

const JournalEvent* ServiceJournal::lastSequence(int16_t item) const
{
    for (auto e = events_.rbegin(); e != events_.rend(); ++e)
        if (isSequence(e->kind) && e->item == item)
            return &*e;
    return nullptr;
}

std::string ServiceJournal::shownValue(const JournalItem& item, int value) const
{
    if (item.shown == JournalItem::Shown::Channel && value >= 0 && static_cast<size_t>(value) < channelNames_.size())
        return channelNames_[static_cast<size_t>(value)];
    return std::to_string(value);
}

uint32_t ServiceJournal::lastAdjustMs() const
{
    for (auto e = events_.rbegin(); e != events_.rend(); ++e)
        if (e->kind == JournalEvent::Kind::Adjust)
            return e->ms;
    return 0;
}
