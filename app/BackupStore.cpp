#include "app/BackupStore.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "app/AtomicFile.h"
#include "app/TimeText.h"
#include "platform/SettingsLocation.h"

namespace {

// Several backups within one second get the suffixes _2, _3 ... after the
// time, which sort after the first one's name.
constexpr int kMaxSameSecond = 99;
// A temporary file this old belongs to a write that will never finish.
constexpr std::time_t kStaleSeconds = 60;

bool isCodeChar(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// A backup's image or record: MMMM-SSSS_YYYY-MM-DDTHH-MM-SS..., .bin or .txt.
bool isBackupName(const std::string& name)
{
    const std::string shape = "CCCC-CCCC_DDDD-DD-DDTDD-DD-DD";
    if (name.size() < shape.size() + 4)
        return false;
    for (size_t i = 0; i < shape.size(); ++i) {
        const char c = name[i];
        const bool ok = shape[i] == 'C' ? isCodeChar(c) : shape[i] == 'D' ? (c >= '0' && c <= '9') : c == shape[i];
        if (!ok)
            return false;
    }
    const std::string ext = name.substr(name.size() - 4);
    return ext == ".bin" || ext == ".txt";
}

}  // namespace

std::string DefaultBackupFolder()
{
    return platform::UserFolder("XDG_DATA_HOME", ".local/share") + "/backups";
}

FileBackupStore::FileBackupStore(std::string folder, std::function<std::time_t()> clock)
    : folder_(std::move(folder)), clock_(std::move(clock))
{
    removeStaleTemporaryFiles();
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
        const std::string recordPath = RecordPathFor(path);
        std::string reason;
        // The record claims the name and is in place before the image, so
        // that an image in the folder always has its record. Neither ever
        // replaces a file that is there: a lone record or image keeps its
        // name, and the backup takes the next one.
        int r = WriteFileAtomically(recordPath, RecordText(record), false, reason);
        if (r == EEXIST)
            continue;
        if (r == 0) {
            r = WriteFileAtomically(path, data, false, reason);
            if (r != 0)
                ::unlink(recordPath.c_str());
            if (r == EEXIST)
                continue;
        }
        if (r != 0) {
            pathOrReason = reason;
            return false;
        }
        pathOrReason = path;
        return true;
    }
    pathOrReason = "too many backups within one second in " + folder_;
    return false;
}

void FileBackupStore::removeStaleTemporaryFiles()
{
    DIR* dir = ::opendir(folder_.c_str());
    if (dir == nullptr)
        return;
    const std::time_t now = std::time(nullptr);
    while (const dirent* e = ::readdir(dir)) {
        std::string name;
        if (!IsTemporaryFileName(e->d_name, name) || !isBackupName(name))
            continue;
        struct stat st {};
        const std::string path = folder_ + "/" + e->d_name;
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && now - st.st_mtime >= kStaleSeconds)
            ::unlink(path.c_str());
    }
    ::closedir(dir);
}
