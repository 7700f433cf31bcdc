#pragma once
// Where the program keeps the backups of radio images: a folder of image
// files, each with its record beside it, named so that they sort by time and
// show the radio's model (5314-0100_2026-12-05T14-03-22.bin). Backups are
// only ever added, never replaced or deleted.
#include <ctime>
#include <functional>
#include <optional>
#include <string>

#include "records/ImageFile.h"
#include "platform/ByteStr.h"

// A clone write that broke off: which radio, how far it came, the radio's
// memory before it and the image it was writing. Kept until a radio of the
// model is written whole, so that the backups of a partly written radio
// are marked as such.
struct BrokenWrite {
    std::string time;      // ISO 8601 with the offset from UTC
    std::string mainCode;
    std::string subCode;
    int blocksSent = 0;    // frames that went out, the last one perhaps not whole
    int blocks = 0;        // frames of the whole write
    std::string backup;    // the backup taken before the write
    ByteStr before;        // the radio's memory before the write
    ByteStr image;         // what was being written
};

class BackupStore {
public:
    virtual ~BackupStore() = default;
    virtual std::string folder() const = 0;
    // Saves the image and its record under a new name. True with the image
    // file's path; false with the reason, in words.
    virtual bool save(const ByteStr& image, const ImageRecord& record, std::string& pathOrReason) = 0;
    // The time a backup is taken at.
    virtual std::time_t now() const = 0;
    // The last write that broke off, kept beside the backups across runs.
    virtual bool noteBrokenWrite(const BrokenWrite& w, std::string& reason) = 0;
    virtual std::optional<BrokenWrite> brokenWrite() const = 0;
    virtual void clearBrokenWrite() = 0;
};

// Backups in a folder of the file system, created when the first backup is
// written. Each start of the store removes the hidden temporary files of its
// own writes that a killed program left (a minute old and more); nothing
// else in the folder is ever removed.
class FileBackupStore : public BackupStore {
public:
    explicit FileBackupStore(std::string folder, std::function<std::time_t()> clock = {});
    std::string folder() const override { return folder_; }
    bool save(const ByteStr& image, const ImageRecord& record, std::string& pathOrReason) override;
    std::time_t now() const override;
    bool noteBrokenWrite(const BrokenWrite& w, std::string& reason) override;
    std::optional<BrokenWrite> brokenWrite() const override;
    void clearBrokenWrite() override;

private:
    std::string notePath() const { return folder_ + "/.broken-write"; }
    // The folder exists, or the reason it cannot be made.
    bool makeFolder(std::string& reason) const;
    void removeStaleTemporaryFiles();

    std::string folder_;
    std::function<std::time_t()> clock_;
};

// $XDG_DATA_HOME/dorvel-adj/backups, with ~/.local/share for a variable that
// is unset or not an absolute path.
std::string DefaultBackupFolder();
