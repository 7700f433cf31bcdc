#include "records/BackupStore.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/AtomicFile.h"
#include "records/TimeText.h"
#include "link/Common.h"
#include "platform/SettingsLocation.h"

namespace {

// Several backups within one second get the suffixes _2, _3 ... after the
// time, which sort after the first one's name.
constexpr int kMaxSameSecond = 99;

}  // namespace

std::string DefaultBackupFolder()
{
    return platform::UserFolder("XDG_DATA_HOME", ".local/share") + "/backups";
}

FileBackupStore::FileBackupStore(std::string folder, std::function<std::time_t()> clock)
    : folder_(std::move(folder)), clock_(std::move(clock))
{
}

std::time_t FileBackupStore::now() const
{
    return clock_ ? clock_() : std::time(nullptr);
}

bool FileBackupStore::save(const ByteStr& image, const ImageRecord& record, std::string& pathOrReason)
{
    const int e = MakeFolders(folder_);
    if (e != 0) {
        pathOrReason = "cannot create the folder " + folder_ + ": " + std::strerror(e);
        return false;
    }
    // A partly written radio's backup says so in its name too, so that the
    // last good backup is easy to find among the files.
    const std::string stem = folder_ + "/" + ModelText(record.mainCode, record.subCode) + "_" + NameTime(now()) +
                             (record.partial.empty() ? "" : "_partial");
    const std::string data(image.begin(), image.end());
    for (int k = 1; k <= kMaxSameSecond; ++k) {
        const std::string path = stem + (k == 1 ? "" : "_" + std::to_string(k)) + ".bin";
        std::string reason;
        // The image claims the name; it never replaces an earlier backup.
        const int r = WriteFileAtomically(path, data, false, reason);
        if (r == EEXIST)
            continue;
        if (r != 0) {
            pathOrReason = reason;
            return false;
        }
        if (WriteFileAtomically(RecordPathFor(path), RecordText(record), true, reason) != 0) {
            pathOrReason = reason + " (the image itself is saved as " + path + ")";
            return false;
        }
        pathOrReason = path;
        return true;
    }
    pathOrReason = "too many backups within one second in " + folder_;
    return false;
}

namespace {

const char kNoteHeading[] = "Dorvel ADJ broken write";

}  // namespace

bool FileBackupStore::noteBrokenWrite(const BrokenWrite& w, std::string& reason)
{
    if (const int e = MakeFolders(folder_); e != 0) {
        reason = "cannot create the folder " + folder_ + ": " + std::strerror(e);
        return false;
    }
    std::string t = std::string(kNoteHeading) + "\n";
    t += "Date: " + w.time + "\n";
    t += "Main model code: " + w.mainCode + "\n";
    t += "Sub model code: " + w.subCode + "\n";
    t += "Blocks: " + std::to_string(w.blocksSent) + " " + std::to_string(w.blocks) + "\n";
    t += "Backup: " + w.backup + "\n";
    t += "Before: " + ByteStrToHexStr(w.before) + "\n";
    t += "Image: " + ByteStrToHexStr(w.image) + "\n";
    return WriteFileAtomically(notePath(), t, true, reason) == 0;
}

std::optional<BrokenWrite> FileBackupStore::brokenWrite() const
{
    std::ifstream in(notePath());
    std::string line;
    if (!in || !std::getline(in, line) || line != kNoteHeading)
        return std::nullopt;
    BrokenWrite w;
    auto value = [&](const char* key, std::string& into) {
        const size_t n = std::strlen(key);
        if (line.compare(0, n, key) == 0)
            into = line.substr(n);
    };
    std::string blocks, before, image;
    while (std::getline(in, line)) {
        value("Date: ", w.time);
        value("Main model code: ", w.mainCode);
        value("Sub model code: ", w.subCode);
        value("Blocks: ", blocks);
        value("Backup: ", w.backup);
        value("Before: ", before);
        value("Image: ", image);
    }
    std::istringstream(blocks) >> w.blocksSent >> w.blocks;
    w.before = HexStrToByteStr(before);
    w.image = HexStrToByteStr(image);
    // A note that does not hold both images whole is no evidence of anything.
    if (w.before.empty() || w.before.size() != w.image.size() || w.blocks <= 0)
        return std::nullopt;
    return w;
}

void FileBackupStore::clearBrokenWrite()
{
    ::unlink(notePath().c_str());
}
