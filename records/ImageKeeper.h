#pragma once
// Keeps the radio's image in files: a backup of every complete, checked
// clone read of a "Connect" (taken after the load of the console and before
// the first value goes to the radio), the backups a restore takes, and
// "Save image". A backup that cannot be written is reported as a warning;
// the radio work goes on.
#include <cstdint>
#include <functional>
#include <string>

#include "records/BackupStore.h"
#include "records/ImageFile.h"
#include "model/ModelListener.h"
#include "platform/ByteStr.h"

class clsCmcRadio;
class frmCom;

class ImageKeeper : public ModelListener {
public:
    // Without a store no backups are taken.
    ImageKeeper(clsCmcRadio& radio, frmCom& com, BackupStore* store);

    // Where a failed backup is reported.
    void setWarn(std::function<void(const std::string&)> warn) { warn_ = std::move(warn); }

    // A checked read has been loaded: it is backed up.
    void imageLoaded() override { backupNow(); }
    // Backs up the image the program holds now. The backup's path, or ""
    // when there is no store or it failed (the warning has been given).
    std::string backupNow();
    // The path of the last backup backupNow took ("" when it failed).
    const std::string& lastBackup() const { return lastBackup_; }
    // The same without the warning: true with the backup's path, false
    // with the reason. A radio whose last write broke off (see
    // writeBrokeOff) is backed up as partly written.
    bool backup(std::string& pathOrReason);
    // A clone write broke off after blocksSent of blocks frames: the radio
    // held before, the backup of it is at backupPath, image was being
    // written. Kept beside the backups until a radio of the model holds an
    // image whole again. False with the reason when it could not be kept.
    bool writeBrokeOff(const ByteStr& before, const ByteStr& image, int blocksSent, int blocks,
                       const std::string& backupPath, std::string& reason);
    // The radio read back holds the image whole.
    void writeVerified();
    // The record of the image the program holds now.
    ImageRecord record() const;
    // "Save image": the program's image and its record at path.
    bool saveAs(const std::string& path, std::string& reason) const;

private:
    // What the record of a backup of this image says of a broken write ("" when nothing).
    std::string partialNote(const ByteStr& image, const ImageRecord& r) const;

    clsCmcRadio& radio_;
    frmCom& com_;
    BackupStore* store_;
    std::function<void(const std::string&)> warn_;
    std::string lastBackup_;
};
