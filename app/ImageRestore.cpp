#include "app/ImageRestore.h"

#include <algorithm>
#include <cstdio>

#include "app/CloneErrorText.h"
#include "app/ImageKeeper.h"
#include "link/clsCmcOrb5Sequence.h"
#include "link/clsCmcRadio.h"
#include "link/frmCom.h"
#include "model/clsIndOp_RigTavik.h"
#include "platform/Controls.h"

namespace {

constexpr int kProgressCells = 32;
// Body byte 43 of the model answer: 0x01 allows a clone write.
constexpr size_t kModelBytePos = 43;

}  // namespace

ImageRestore::ImageRestore(clsCmcOrb5Sequence& seq, clsCmcRadio& radio, clsIndOp_RigTavik& model,
                           ImageKeeper& keeper, platform::Label* progress)
    : seq_(seq), radio_(radio), model_(model), keeper_(keeper), progress_(progress)
{
}

int ImageRestore::progressCells() const
{
    const clsCmcOrb5Drv& drv = seq_.driver();
    return std::clamp(static_cast<int>(static_cast<int64_t>(drv.lastEeAdr()) * (kProgressCells + 1) / drv.EndAddress()),
                      0, kProgressCells);
}

bool ImageRestore::start(const ByteStr& image, const std::optional<ImageRecord>& record)
{
    if (busy())
        return false;
    image_ = image;
    record_ = record;
    changes_.clear();
    message_.clear();
    backupPath_.clear();
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
    const ByteStr before = radio_.eepImage().bytes();
    backupPath_ = keeper_.backupNow();
    const std::string radioModel = ModelText(seq_.ansNameM(), seq_.ansNameS());
    if (record_) {
        const std::string imageModel = ModelText(record_->mainCode, record_->subCode);
        if (imageModel != radioModel) {
            finish(Outcome::Refused, "This image belongs to a " + imageModel + " radio, and the radio connected is " +
                                         radioModel + ". Nothing was written.");
            return;
        }
    } else {
        const ByteStr& info = seq_.ansInfo();
        if (info.size() < kModelBytePos || info[kModelBytePos - 1] != 0x01) {
            CloneFailure refused;
            refused.sequencerError = 3;
            finish(Outcome::Refused, CloneErrorMessage(refused));
            return;
        }
    }
    changes_ = CompareImages(before, image_);
    phase_ = Phase::Confirming;
    if (view_ != nullptr)
        view_->confirmChanges(*this);
}

void ImageRestore::finish(Outcome outcome, const std::string& message)
{
    phase_ = Phase::Idle;
    outcome_ = outcome;
    message_ = message;
    failed_ = false;
    if (progress_ != nullptr)
        progress_->setCaption(std::string(kProgressCells, ' '));
    if (view_ != nullptr)
        view_->restoreFinished(*this);
}
