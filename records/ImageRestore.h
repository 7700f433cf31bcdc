#pragma once
// Puts an image file back into the radio, and proves it: reads the radio,
// backs up what it holds, checks that it is the radio the image belongs to,
// shows what will change and waits for the operator's word, writes the image
// with a clone write, reads the radio back and compares it byte for byte.
// Runs on the main window's tick over the same sequencer as "Connect";
// nothing waits. Nothing is written unless the backup of the radio was saved
// whole, and an image of the other variant or one that cannot be a radio's
// memory is refused unless the operator overrides it. A failure of the link
// is told by the clone error report as any other, with what the radio holds
// after it and the way back; the backup taken before stays on disk.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "records/ImageCompare.h"
#include "records/ImageFile.h"
#include "platform/ByteStr.h"

class clsCmcOrb5Sequence;
class clsCmcRadio;
class clsIndOp_RigTavik;
class ImageKeeper;
class ImageRestore;
namespace platform {
class Label;
}

// The front end's part: the question to the operator, and the end.
class RestoreView {
public:
    virtual ~RestoreView() = default;
    // Answer through ImageRestore::answer, now or on a later tick.
    virtual void confirmChanges(ImageRestore& restore) = 0;
    virtual void restoreFinished(ImageRestore& restore) = 0;
};

// What the operator allowed beyond the safe default.
struct RestoreOptions {
    // Write even when the backup of the radio could not be saved.
    bool withoutBackup = false;
    // Write an image of the other variant, or one that cannot be a radio's
    // memory.
    bool anyImage = false;
    // The device as the operator names it, for the command that puts the
    // backup back ("" for the device the port opened).
    std::string device;
};

class ImageRestore {
public:
    enum class Phase { Idle, Reading, Confirming, Writing, Verifying };
    enum class Outcome { None, Verified, Mismatch, Refused, Failed, Cancelled, Interrupted };

    // progress: the window's progress label (may be null).
    ImageRestore(clsCmcOrb5Sequence& seq, clsCmcRadio& radio, clsIndOp_RigTavik& model, ImageKeeper& keeper,
                 platform::Label* progress);

    void setView(RestoreView* view) { view_ = view; }
    RestoreView* view() const { return view_; }
    // The operator's message for a sequencer error, as the clone error
    // report words it: a bare image is refused as the radio's own model
    // check would refuse it.
    void setSequencerMessage(std::function<std::string(int16_t)> message) { sequencerMessage_ = std::move(message); }
    // Starts with the image and, when it has one, its record. Ends any
    // console work first. False while a restore runs.
    bool start(const ByteStr& image, const std::optional<ImageRecord>& record, const RestoreOptions& options = {});
    // The operator's word on the changes: write, or leave the radio as it is.
    void answer(bool write);
    // One step, on every tick of the main window.
    void task();
    // The main window reports a failure of the link: what the radio holds
    // after it, in lines for the message's detail ("" when no restore runs).
    std::string cloneFailed();
    // The operator stops the restore at once: the link is let go once the
    // frame under way has left the line, and the restore ends Interrupted.
    // What the radio holds then and the way back, in lines as cloneFailed
    // words them ("" when no restore runs).
    std::string interrupt();
    // Frames of data of the clone write that went out so far, and all of
    // them; both 0 outside the write.
    int blocksSent() const;
    int blocksTotal() const;

    bool busy() const { return phase_ != Phase::Idle; }
    Phase phase() const { return phase_; }
    Outcome outcome() const { return outcome_; }
    // What the write changes: the radio's values (a) against the image's (b).
    const std::vector<ImageDifference>& changes() const { return changes_; }
    // The outcome in words; "" for a failure of the link (its report told).
    std::string message() const { return message_; }
    // The backup of the radio taken before the write ("" when none).
    const std::string& backupPath() const { return backupPath_; }
    // A warning for the first line of the change list ("" for none): the
    // image comes from another radio.
    const std::string& warning() const { return warning_; }
    // What the link's failure or the interruption left in the radio (see
    // cloneFailed and interrupt).
    const std::string& interruption() const { return interruption_; }
    // Cells 0 to 32 of the progress bar of the running transfer.
    int progressCells() const;

private:
    void afterRead();
    // Why the image must not be written to this radio ("" when it may).
    std::string refusal(const ByteStr& radio) const;
    void finish(Outcome outcome, const std::string& message);
    enum class Stop { LinkBroke, Interrupted };
    // What the radio holds after the transfer stopped, and the way back;
    // kept as the interruption.
    std::string heldAfter(Stop why);

    clsCmcOrb5Sequence& seq_;
    clsCmcRadio& radio_;
    clsIndOp_RigTavik& model_;
    ImageKeeper& keeper_;
    platform::Label* progress_;
    RestoreView* view_ = nullptr;
    std::function<std::string(int16_t)> sequencerMessage_;
    Phase phase_ = Phase::Idle;
    Outcome outcome_ = Outcome::None;
    ByteStr image_;
    std::optional<ImageRecord> record_;
    RestoreOptions options_;
    ByteStr before_;
    std::vector<ImageDifference> changes_;
    std::string message_;
    std::string backupPath_;
    std::string warning_;
    std::string interruption_;
    bool failed_ = false;
};
