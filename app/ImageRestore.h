#pragma once
// Puts an image file back into the radio, and proves it: reads the radio,
// backs up what it holds, checks that it is the radio the image belongs to,
// shows what will change and waits for the operator's word, writes the image
// with a clone write, reads the radio back and compares it byte for byte.
// Runs on the main window's tick over the same sequencer as "Connect";
// nothing waits. A failure of the link is told by the clone error report as
// any other; the backup taken before stays on disk.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/ImageCompare.h"
#include "app/ImageFile.h"
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

class ImageRestore {
public:
    enum class Phase { Idle, Reading, Confirming, Writing, Verifying };
    enum class Outcome { None, Verified, Mismatch, Refused, Failed, Cancelled };

    // progress: the window's progress label (may be null).
    ImageRestore(clsCmcOrb5Sequence& seq, clsCmcRadio& radio, clsIndOp_RigTavik& model, ImageKeeper& keeper,
                 platform::Label* progress);

    void setView(RestoreView* view) { view_ = view; }
    // Starts with the image and, when it has one, its record. Ends any
    // console work first. False while a restore runs.
    bool start(const ByteStr& image, const std::optional<ImageRecord>& record);
    // The operator's word on the changes: write, or leave the radio as it is.
    void answer(bool write);
    // One step, on every tick of the main window.
    void task();
    // The main window has reported a failure of the link.
    void cloneFailed() { failed_ = busy(); }

    bool busy() const { return phase_ != Phase::Idle; }
    Phase phase() const { return phase_; }
    Outcome outcome() const { return outcome_; }
    // What the write changes: the radio's values (a) against the image's (b).
    const std::vector<ImageDifference>& changes() const { return changes_; }
    // The outcome in words; "" for a failure of the link (its report told).
    std::string message() const { return message_; }
    // The backup of the radio taken before the write ("" when none).
    const std::string& backupPath() const { return backupPath_; }
    // Cells 0 to 32 of the progress bar of the running transfer.
    int progressCells() const;

private:
    void afterRead();
    void finish(Outcome outcome, const std::string& message);

    clsCmcOrb5Sequence& seq_;
    clsCmcRadio& radio_;
    clsIndOp_RigTavik& model_;
    ImageKeeper& keeper_;
    platform::Label* progress_;
    RestoreView* view_ = nullptr;
    Phase phase_ = Phase::Idle;
    Outcome outcome_ = Outcome::None;
    ByteStr image_;
    std::optional<ImageRecord> record_;
    std::vector<ImageDifference> changes_;
    std::string message_;
    std::string backupPath_;
    bool failed_ = false;
};
