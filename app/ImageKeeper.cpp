#include "app/ImageKeeper.h"

#include "app/TimeText.h"
#include "link/clsCmcRadio.h"
#include "link/frmCom.h"
#include "model/clsIndEep_RigTavik.h"

namespace {

// The model task's clone read state, and the first state after the load.
constexpr int16_t kStateCloneRead = 2;
constexpr int16_t kStateFirstReadout = 3;

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

void ImageKeeper::modelTaskRan(int16_t before, int16_t after)
{
    if (before == kStateCloneRead && after >= kStateFirstReadout)
        backupNow();
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
    if (store_ == nullptr)
        return {};
    std::string result;
    if (store_->save(radio_.eepImage().bytes(), record(), result))
        return result;
    if (warn_)
        warn_("The backup of the radio's image could not be written: " + result +
              ". The work goes on without it.");
    return {};
}

bool ImageKeeper::saveAs(const std::string& path, std::string& reason) const
{
    return SaveImageAndRecord(path, radio_.eepImage().bytes(), record(), reason);
}
