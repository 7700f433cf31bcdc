#include "app/BackupStore.h"

#include <cerrno>
#include <cstring>

#include "app/AtomicFile.h"
#include "app/TimeText.h"
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
    const std::string stem = folder_ + "/" + ModelText(record.mainCode, record.subCode) + "_" + NameTime(now());
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
