#pragma once
// The service record of one job: from each "Connect" on, the radio's
// identity, every adjustment frame that went to the radio, each automatic
// adjustment with its raw readings, and the readouts at Connect and the
// latest ones. The model fills it from the same events that drive the
// console; it only records and never changes what goes on the wire.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/TickClock.h"
#include "platform/WallClock.h"

// One reading of an automatic adjustment: the setting tried and the A/D
// byte read with it (BPF: the tuning value and SD; LVA: the level setting
// and LVIN; RSSI: the S level, 3 or 1, and the SD stored for it).
struct JournalPoint {
    int value;
    int reading;
};

struct JournalEvent {
    enum class Kind { Connect, CloneRead, Adjust, Rssi, Bpf, Lva, Failure };
    // How an automatic adjustment ended.
    enum class Outcome { Running, Done, Failed, Interrupted };

    Kind kind = Kind::Connect;
    uint32_t ms = 0;       // since "Connect"
    uint32_t endMs = 0;    // sequences: when they ended
    int16_t item = -1;     // console item, -1 for none
    std::string title;     // the item's title, or what was set

    // Connect and CloneRead.
    int16_t port = 0;
    std::string device;
    std::string adapter;   // the USB adapter: driver, latency timer ("" when unknown)
    int64_t date = 0;      // calendar seconds, 0 when unknown
    std::string mainCode, subCode;
    bool mid = false;

    // Adjust: the value before and after (the item's own units), the frame's
    // command and value byte, and what sent it ("connect", "operator",
    // "coupled", "bpf", "lva", "rssi").
    int oldValue = 0;
    int newValue = 0;
    int command = 0;
    int wireValue = 0;
    std::string cause;

    // Rssi, Bpf, Lva.
    std::vector<JournalPoint> points;
    Outcome outcome = Outcome::Running;
    int before = -1;       // the item's value before the sequence
    int result = -1;       // the value written (LVA failed: the one restored)
    bool coarse = false;   // BPF from "BPF ALL": every second value up to 128
    int highest = -1;      // BPF: the highest SD reading
    int peakStart = -1;    // BPF: first and last value with it
    int peakEnd = -1;
    int target = -1;       // LVA: the LVIN reading sought
    // Interrupted and put back (Escape, the session's end): BPF and LVA
    // hold their value put back in result; the RSSI capture lists each
    // level put back as {3 or 1, the level the radio holds again}.
    bool restored = false;
    std::vector<JournalPoint> restoredLevels;

    // Failure: the operator's message.
    std::string message;
};

// One console item in the record.
struct JournalItem {
    // How the console shows the item's value: a number; a channel number
    // (the value is an index into the programmed channels); or no value at
    // all, only an action that Enter starts (BPF ALL, the RSSI line).
    enum class Shown { Number, Channel, Action };

    std::string title;
    int atConnect = 0;
    int finalValue = 0;   // the value the radio holds now
    // Operator changes that changed the value, and automatic adjustments
    // that left the item on another value, ended or not.
    int changes = 0;
    Shown shown = Shown::Number;
    // An Action item: what its Enter runs (Bpf: the coarse sweeps, Rssi).
    JournalEvent::Kind action = JournalEvent::Kind::Adjust;
};

// One readout channel: the first line shown after "Connect" and the latest.
struct JournalReadout {
    int group = 0;         // 0 main (A/D), 1 adjustment (D/A)
    int channel = 0;
    int firstValue = -1;   // -1: not read since "Connect"
    int latestValue = -1;
    uint32_t latestMs = 0;   // when the latest was read, since "Connect"
    std::string firstText, latestText;
};

class ServiceJournal {
public:
    explicit ServiceJournal(const platform::TickClock& clock);

    void setWallClock(const platform::WallClock* wall) { wall_ = wall; }

    // "Connect": a new record on the given port.
    void begin(int16_t port);
    // The clone read has ended well: identity, device and the items as
    // loaded (title, value and how it is shown of each; atConnect is the
    // value), and the names of the programmed channels a Channel item's
    // value points at.
    void cloneRead(const std::string& mainCode, const std::string& subCode, bool mid, int16_t port,
                   const std::string& device, const std::vector<JournalItem>& items,
                   const std::string& adapter = {}, const std::vector<std::string>& channelNames = {});
    // An adjustment frame has gone to the radio. oldValue < 0: the item's
    // last value in the record.
    void adjust(int16_t item, const std::string& title, int newValue, int command, int wireValue,
                const std::string& cause, int oldValue = -1);
    // An item without a frame of its own has a new value (a target level).
    void itemValue(int16_t item, int value, bool byOperator);
    // The item's last value in the record (-1: unknown).
    int lastValue(int16_t item) const;

    // Automatic adjustments, by item (RSSI: idxRssi). start opens a record;
    // point and finish go to the item's open record; interrupt closes every
    // open one (the sequence was ended before its end).
    void start(JournalEvent::Kind kind, int16_t item, const std::string& title, int before, bool coarse = false,
               int target = -1);
    void point(int16_t item, int value, int reading);
    void finishBpf(int16_t item, int highest, int peakStart, int peakEnd, int result);
    void finish(int16_t item, JournalEvent::Outcome outcome, int result);
    void interrupt();
    // The item's open record ends interrupted, put back: value is what the
    // item holds again (the RSSI capture: -1, with the levels put back).
    void interruptRestored(int16_t item, int value, const std::vector<JournalPoint>& levels = {});

    // A readout line as shown.
    void readout(int group, int channel, int value, const std::string& text);
    // A failure the operator was told of.
    void failure(const std::string& message);

    const std::vector<JournalEvent>& events() const { return events_; }
    const std::vector<JournalItem>& items() const { return items_; }
    std::vector<JournalReadout> readouts() const;
    // The clone read, or null when none ended well since "Connect".
    const JournalEvent* identity() const;
    // The last record of a kind, or null.
    const JournalEvent* last(JournalEvent::Kind kind) const;
    // The last automatic adjustment of an item (by its event's item), or null.
    const JournalEvent* lastSequence(int16_t item) const;
    // A value of an item as the console shows it: the number, or for a
    // channel item the channel's number as the window shows it.
    std::string shownValue(const JournalItem& item, int value) const;
    // When the last adjustment frame went out (ms since "Connect"; 0: none).
    uint32_t lastAdjustMs() const;
    // Goes up with every change, so that a view can tell when to redraw.
    uint64_t revision() const { return revision_; }

private:
    uint32_t now() const { return clock_.GetTickCount() - startTick_; }
    JournalEvent* open(int16_t item);
    JournalItem* itemAt(int16_t item);
    void clearReadouts();

    const platform::TickClock& clock_;
    const platform::WallClock* wall_ = nullptr;
    uint32_t startTick_ = 0;
    std::vector<JournalEvent> events_;
    std::vector<JournalItem> items_;
    std::vector<std::string> channelNames_;
    // Main channels 0..5, then adjustment channels 0..9.
    JournalReadout readouts_[16];
    uint64_t revision_ = 0;
};
