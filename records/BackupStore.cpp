#include "records/BackupStore.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "link/Common.h"
#include "platform/AtomicFile.h"
#include "platform/SettingsLocation.h"
#include "records/TimeText.h"

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

bool FileBackupStore::makeFolder(std::string& reason) const
{
    const int e = MakeFolders(folder_);
    if (e != 0)
        reason = "cannot create the folder " + folder_ + ": " + std::strerror(e);
    return e == 0;
}

std::time_t FileBackupStore::now() const
{
    return clock_ ? clock_() : std::time(nullptr);
}

bool FileBackupStore::save(const ByteStr& image, const ImageRecord& record, std::string& pathOrReason)
{
    if (!makeFolder(pathOrReason))
        return false;
    // A partly written radio's backup says so in its name too, so that the
    // last good backup is easy to find among the files.
    const std::string stem = folder_ + "/" + ModelText(record.mainCode, record.subCode) + "_" + NameTime(now()) +
                             (record.partial.empty() ? "" : "_partial");
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

namespace {

const char kNoteHeading[] = "Dorvel ADJ broken write";

}  // namespace

bool FileBackupStore::noteBrokenWrite(const BrokenWrite& w, std::string& reason)
{
    if (!makeFolder(reason))
        return false;
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
