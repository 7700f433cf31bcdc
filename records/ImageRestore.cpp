#include "records/ImageRestore.h"

#include <algorithm>
#include <cstdio>

#include "records/ImageKeeper.h"
#include "link/clsCmcOrb5Drv.h"
#include "link/clsCmcOrb5Sequence.h"
#include "link/clsCmcRadio.h"
#include "link/frmCom.h"
#include "model/clsIndOp_RigTavik.h"
#include "platform/Controls.h"

namespace {

constexpr int kProgressCells = 32;
constexpr int kWriteBlock = clsCmcOrb5Sequence::kWritePacketSize;

const char* variantName(bool mid)
{
    return mid ? "the Mid variant" : "the standard variant";
}

}  // namespace

ImageRestore::ImageRestore(clsCmcOrb5Sequence& seq, clsCmcRadio& radio, clsIndOp_RigTavik& model,
                           ImageKeeper& keeper, platform::Label* progress)
    : seq_(seq), radio_(radio), model_(model), keeper_(keeper), progress_(progress)
{
}

int ImageRestore::progressCells() const
{
    const clsCmcOrb5Drv& drv = seq_.driver();
    // Every frame of the write is out once its end is under way (the
    // driver's address starts afresh there).
    if (phase_ == Phase::Writing && drv.workMode() == clsCmcOrb5Drv::wmCloneWriteEnd)
        return kProgressCells;
    return std::clamp(static_cast<int>(static_cast<int64_t>(drv.lastEeAdr()) * (kProgressCells + 1) / drv.EndAddress()),
                      0, kProgressCells);
}

bool ImageRestore::start(const ByteStr& image, const std::optional<ImageRecord>& record,
                         const RestoreOptions& options)
{
    if (busy())
        return false;
    image_ = image;
    record_ = record;
    options_ = options;
    changes_.clear();
    message_.clear();
    backupPath_.clear();
    warning_.clear();
    interruption_.clear();
    outcome_ = Outcome::None;
    failed_ = false;
    // The console lets go of the radio: the restore has the link to itself.
    model_.RigOpFunc_ResetAll();
    phase_ = Phase::Reading;
    seq_.easyCloneRead();
    return true;
}

void ImageRestore::answer(bool write)
{
    if (phase_ != Phase::Confirming)
        return;
    if (!write) {
        finish(Outcome::Cancelled, "Nothing was written.");
        return;
    }
    radio_.eepImage().WriteBlock(0, image_);
    // A failure reported while the operator was reading belongs to no transfer.
    failed_ = false;
    phase_ = Phase::Writing;
    seq_.easyCloneWrite();
}

void ImageRestore::task()
{
    if (phase_ == Phase::Idle || phase_ == Phase::Confirming)
        return;
    if (failed_) {
        finish(Outcome::Failed, "");
        return;
    }
    if (progress_ != nullptr)
        progress_->setCaption(std::string(static_cast<size_t>(progressCells()), 'o') +
                              std::string(static_cast<size_t>(kProgressCells - progressCells()), '.'));
    if (seq_.Busy())
        return;
    switch (phase_) {
    case Phase::Reading:
        afterRead();
        break;
    case Phase::Writing: {
        // Every byte read back must come from the radio: what the read
        // leaves untouched stays different from the image.
        ByteStr inverse = image_;
        for (uint8_t& b : inverse)
            b = static_cast<uint8_t>(~b);
        radio_.eepImage().WriteBlock(0, inverse);
        phase_ = Phase::Verifying;
        seq_.easyCloneRead();
        break;
    }
    case Phase::Verifying: {
        const std::vector<int32_t> diff = DifferingAddresses(radio_.eepImage().bytes(), image_);
        if (diff.empty()) {
            keeper_.writeVerified();
            finish(Outcome::Verified, "verified: the radio holds the image byte for byte");
        } else {
            char text[160];
            std::snprintf(text, sizeof text,
                          "not verified: the radio read back differs from the image at %zu bytes, the first at "
                          "address 0x%04X",
                          diff.size(), static_cast<unsigned>(diff.front()));
            finish(Outcome::Mismatch, text);
        }
        break;
    }
    default:
        break;
    }
}

void ImageRestore::afterRead()
{
    before_ = radio_.eepImage().bytes();
    std::string pathOrReason;
    const bool backedUp = keeper_.backup(pathOrReason);
    if (backedUp)
        backupPath_ = pathOrReason;
    if (const std::string why = refusal(before_); !why.empty()) {
        finish(Outcome::Refused, why);
        return;
    }
    // Without a backup the radio's own alignment would exist nowhere once
    // the write began.
    if (!backedUp && !options_.withoutBackup) {
        finish(Outcome::Refused, "The backup of the radio could not be saved: " + pathOrReason +
                                     ". Nothing was written.");
        return;
    }
    changes_ = CompareImages(before_, image_);
    const int unitBytes = UnitBytesDiffering(before_, image_);
    if (unitBytes > kOtherUnitBytes)
        warning_ = "Warning: this image is from another radio: " + std::to_string(unitBytes) +
                   " bytes of its channels and alignment differ from the radio's.";
    phase_ = Phase::Confirming;
    if (view_ != nullptr)
        view_->confirmChanges(*this);
}

std::string ImageRestore::refusal(const ByteStr& radio) const
{
    const std::string radioModel = ModelText(seq_.ansNameM(), seq_.ansNameS());
    if (record_) {
        const std::string imageModel = ModelText(record_->mainCode, record_->subCode);
        if (imageModel != radioModel)
            return "This image belongs to a " + imageModel + " radio, and the radio connected is " + radioModel +
                   ". Nothing was written.";
    } else if (!seq_.cloneWriteAllowed()) {
        // A bare image: the radio's own word on a clone write decides.
        return sequencerMessage_ ? sequencerMessage_(seqErrModelByte)
                                 : "The radio does not allow a clone write. Nothing was written.";
    }
    if (options_.anyImage)
        return "";
    if (const std::string why = ImplausibleImage(image_); !why.empty())
        return "This image cannot be a radio's memory: " + why + ". Nothing was written.";
    if (ImageIsMid(image_) != ImageIsMid(radio))
        return std::string("This image is of ") + variantName(ImageIsMid(image_)) + ", and the radio connected is of " +
               variantName(ImageIsMid(radio)) + ". Nothing was written.";
    return "";
}

int ImageRestore::blocksTotal() const
{
    if (phase_ != Phase::Writing)
        return 0;
    return (seq_.driver().EndAddress() + kWriteBlock - 1) / kWriteBlock;
}

int ImageRestore::blocksSent() const
{
    // Frames of data that went out: none during the model query and the
    // write request; all once the end of the write is under way.
    const clsCmcOrb5Drv& drv = seq_.driver();
    if (phase_ != Phase::Writing)
        return 0;
    if (drv.workMode() == clsCmcOrb5Drv::wmCloneWriteEnd)
        return blocksTotal();
    if (drv.workMode() == clsCmcOrb5Drv::wmCloneWrite && drv.lastEeAdr() > 0)
        return std::clamp((drv.lastEeAdr() + kWriteBlock) / kWriteBlock, 0, blocksTotal());
    return 0;
}

std::string ImageRestore::cloneFailed()
{
    if (!busy())
        return "";
    failed_ = true;
    return heldAfter(Stop::LinkBroke);
}

std::string ImageRestore::interrupt()
{
    if (!busy())
        return "";
    const std::string held = phase_ == Phase::Confirming
                                 ? "Interrupted before anything was written: the radio is unchanged."
                                 : heldAfter(Stop::Interrupted);
    interruption_ = held;
    // The link goes as after any operation: the frame under way leaves the
    // line whole before the port closes.
    model_.RigOpFunc_ResetAll();
    finish(Outcome::Interrupted, held);
    return held;
}

std::string ImageRestore::heldAfter(Stop why)
{
    const bool broke = why == Stop::LinkBroke;
    const int sent = blocksSent();
    const int blocks = blocksTotal();
    std::string what;
    switch (phase_) {
    case Phase::Confirming:
        // Belongs to no transfer; the operator's answer starts afresh.
        return "";
    case Phase::Reading:
        interruption_ = broke ? "The link broke before anything was written: the radio is unchanged."
                              : "Interrupted before anything was written: the radio is unchanged.";
        return interruption_;
    case Phase::Writing: {
        if (sent == 0) {
            interruption_ = broke ? "The link broke before any data was written: the radio is unchanged."
                                  : "Interrupted before any data was written: the radio is unchanged.";
            return interruption_;
        }
        // The frame in flight when the link broke may or may not have
        // reached the radio; an interruption lets it leave whole.
        if (sent < blocks)
            what = (broke ? "The link broke during the write" : "The write was interrupted") +
                   std::string(": the radio's memory is partly written, ") + std::to_string(sent) + " of " +
                   std::to_string(blocks) + " blocks went out" +
                   (broke ? " (the last ones perhaps not whole)." : ".");
        else
            what = std::string(broke ? "The write broke off at its end" : "The write was interrupted at its end") +
                   ": all " + std::to_string(blocks) +
                   " blocks went out, but the radio did not confirm them; its memory may be partly written.";
        std::string reason;
        if (!keeper_.writeBrokeOff(before_, image_, sent, blocks, backupPath_, reason))
            what += "\nThe note of the broken write could not be kept: " + reason + ".";
        break;
    }
    case Phase::Verifying:
        what = broke ? "The link broke during the read-back: the image was written whole but not verified."
                     : "Interrupted during the read-back: the image was written whole but not verified.";
        break;
    default:
        return "";
    }
    if (backupPath_.empty()) {
        what += "\nNo backup of the radio was taken before the write.";
    } else {
        const std::string device = options_.device.empty() ? seq_.com().devicePath() : options_.device;
        what += "\nBackup of the radio taken before the write: " + backupPath_;
        what += "\nTo put it back: dorvel-adj-cli write --device " + device + " --in " + backupPath_ + " --yes";
    }
    interruption_ = what;
    return interruption_;
}

void ImageRestore::finish(Outcome outcome, const std::string& message)
{
    if (outcome != Outcome::Failed && outcome != Outcome::Interrupted)
        interruption_.clear();
    phase_ = Phase::Idle;
    outcome_ = outcome;
    message_ = message;
    failed_ = false;
    if (progress_ != nullptr)
        progress_->setCaption(std::string(kProgressCells, ' '));
    if (view_ != nullptr)
        view_->restoreFinished(*this);
}
