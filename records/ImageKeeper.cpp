#include "records/ImageKeeper.h"

#include "records/TimeText.h"
#include "link/clsCmcRadio.h"
#include "link/frmCom.h"
#include "model/clsIndEep_RigTavik.h"

namespace {

const char kNoStore[] = "no folder for backups is set";

std::string withoutCr(const std::string& text)
{
    std::string out;
    for (char c : text)
        if (c != '\r')
            out += c;
    return out;
}

}  // namespace

ImageKeeper::ImageKeeper(clsCmcRadio& radio, frmCom& com, BackupStore* store)
    : radio_(radio), com_(com), store_(store)
{
}

ImageRecord ImageKeeper::record() const
{
    ImageRecord r;
    r.mainCode = radio_.radioNameM();
    r.subCode = radio_.radionameS();
    r.time = LocalDateText(store_ != nullptr ? store_->now() : std::time(nullptr));
    const std::string device = com_.devicePath();
    r.port = "COM " + std::to_string(com_.comPortNum()) + (device.empty() ? "" : " (" + device + ")");
    r.adapter = platform::AdapterText(com_.adapter());
    clsIndEep_RigTavik map(radio_.eepImage());
    r.listing = withoutCr(map.RigTavikEep_DispParaText());
    return r;
}

std::string ImageKeeper::backupNow()
{
    lastBackup_.clear();
    if (store_ == nullptr)
        return {};
    std::string result;
    if (backup(result))
        return lastBackup_ = result;
    if (warn_)
        warn_("The backup of the radio's image could not be written: " + result +
              ". The work goes on without it.");
    return {};
}

bool ImageKeeper::backup(std::string& pathOrReason)
{
    if (store_ == nullptr) {
        pathOrReason = kNoStore;
        return false;
    }
    const ByteStr& image = radio_.eepImage().bytes();
    ImageRecord r = record();
    r.partial = partialNote(image, r);
    return store_->save(image, r, pathOrReason);
}

std::string ImageKeeper::partialNote(const ByteStr& image, const ImageRecord& r) const
{
    const std::optional<BrokenWrite> w = store_->brokenWrite();
    if (!w || w->mainCode != r.mainCode || w->subCode != r.subCode || image.size() != w->image.size())
        return {};
    // The radio the write broke off on holds the new image up to the last
    // frame that went out and the old one after it; a few bytes may have
    // been adjusted since. Any other radio of the model differs in far more.
    if (image == w->before || image == w->image)
        return {};
    // The last frames sent may still have been in the adapter's and the
    // kernel's queues when the link broke.
    const size_t block = (w->image.size() + static_cast<size_t>(w->blocks) - 1) / static_cast<size_t>(w->blocks);
    const size_t inFlight = 4 * block;
    constexpr int kAdjustedSince = 16;
    const size_t cut = static_cast<size_t>(w->blocksSent) * block;
    int differing = 0;
    for (size_t a = 0; a < image.size(); ++a) {
        const bool sentLast = a + inFlight >= cut && a < cut;
        if (!sentLast && image[a] != (a < cut ? w->image[a] : w->before[a]))
            ++differing;
    }
    if (differing > kAdjustedSince)
        return {};
    return "the last write to this radio broke off on " + w->time + " after " + std::to_string(w->blocksSent) +
           " of " + std::to_string(w->blocks) + " blocks; the backup taken before it is " + w->backup;
}

bool ImageKeeper::writeBrokeOff(const ByteStr& before, const ByteStr& image, int blocksSent, int blocks,
                                const std::string& backupPath, std::string& reason)
{
    if (store_ == nullptr) {
        reason = kNoStore;
        return false;
    }
    BrokenWrite w;
    w.time = LocalDateText(store_->now());
    w.mainCode = radio_.radioNameM();
    w.subCode = radio_.radionameS();
    w.blocksSent = blocksSent;
    w.blocks = blocks;
    w.backup = backupPath;
    w.before = before;
    w.image = image;
    return store_->noteBrokenWrite(w, reason);
}

void ImageKeeper::writeVerified()
{
    if (store_ != nullptr)
        store_->clearBrokenWrite();
}

bool ImageKeeper::saveAs(const std::string& path, std::string& reason) const
{
    return SaveImageAndRecord(path, radio_.eepImage().bytes(), record(), reason);
}
