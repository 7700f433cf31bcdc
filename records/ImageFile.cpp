#include "records/ImageFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>


#include <cerrno>
#include <cstring>
#include <sstream>

#include "platform/AtomicFile.h"
#include "link/clsCmcEeprom.h"
#include "model/clsIndEep_RigTavik.h"

namespace {

const char kHeading[] = "Dorvel ADJ radio image";
const char kMainKey[] = "Main model code: ";
const char kSubKey[] = "Sub model code: ";
const char kTimeKey[] = "Date: ";
const char kPortKey[] = "Port: ";
const char kAdapterKey[] = "Adapter: ";
const char kPartialKey[] = "Partly written: ";
const char kListingKey[] = "Parameters:";
// A record is a page of text; anything larger is not one.
constexpr off_t kMaxRecordSize = 64 * 1024;

bool isCode(const std::string& s)
{
    if (s.size() != 4)
        return false;
    for (char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return false;
    return true;
}

// A regular file of at most maxSize bytes, read whole. A reason carries the
// system's own words (permission denied ...). What is no regular file is
// never opened: opening a serial device by mistake would move its lines.
bool readRegular(const std::string& path, off_t maxSize, std::string& data, std::string& reason)
{
    struct stat st {};
    std::string problem;
    if (::stat(path.c_str(), &st) != 0)
        problem = std::string("cannot open: ") + std::strerror(errno);
    else if (!S_ISREG(st.st_mode))
        problem = "not a regular file";
    else if (st.st_size > maxSize)
        problem = "too large (" + std::to_string(st.st_size) + " bytes)";
    const int fd = problem.empty() ? ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
    if (problem.empty() && fd < 0)
        problem = std::string("cannot open: ") + std::strerror(errno);
    std::string all;
    char buf[8192];
    while (fd >= 0 && problem.empty()) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            break;
        if (n < 0)
            problem = std::string("cannot read: ") + std::strerror(errno);
        else if (static_cast<off_t>(all.size()) + n > maxSize)
            problem = "too large (grew while read)";
        else
            all.append(buf, static_cast<size_t>(n));
    }
    if (fd >= 0)
        ::close(fd);
    if (!problem.empty()) {
        reason = path + ": " + problem;
        return false;
    }
    data = std::move(all);
    return true;
}

}  // namespace

std::string ModelText(const std::string& mainCode, const std::string& subCode)
{
    return mainCode + "-" + subCode;
}

std::string RecordText(const ImageRecord& r)
{
    std::string t = std::string(kHeading) + "\n";
    t += kMainKey + r.mainCode + "\n";
    t += kSubKey + r.subCode + "\n";
    t += kTimeKey + r.time + "\n";
    t += kPortKey + r.port + "\n";
    if (!r.adapter.empty())
        t += kAdapterKey + r.adapter + "\n";
    if (!r.partial.empty())
        t += kPartialKey + r.partial + "\n";
    t += "\n";
    t += std::string(kListingKey) + "\n";
    t += r.listing;
    return t;
}

bool ParseRecord(const std::string& text, ImageRecord& r, std::string& reason)
{
    std::istringstream in(text);
    ImageRecord out;
    bool inListing = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (inListing) {
            out.listing += line + "\n";
        } else if (line.rfind(kMainKey, 0) == 0) {
            out.mainCode = line.substr(sizeof kMainKey - 1);
        } else if (line.rfind(kSubKey, 0) == 0) {
            out.subCode = line.substr(sizeof kSubKey - 1);
        } else if (line.rfind(kTimeKey, 0) == 0) {
            out.time = line.substr(sizeof kTimeKey - 1);
        } else if (line.rfind(kPortKey, 0) == 0) {
            out.port = line.substr(sizeof kPortKey - 1);
        } else if (line.rfind(kAdapterKey, 0) == 0) {
            out.adapter = line.substr(sizeof kAdapterKey - 1);
        } else if (line.rfind(kPartialKey, 0) == 0) {
            out.partial = line.substr(sizeof kPartialKey - 1);
        } else if (line == kListingKey) {
            inListing = true;
        }
    }
    if (!isCode(out.mainCode) || !isCode(out.subCode)) {
        reason = "no main and sub model code of four digits";
        return false;
    }
    r = out;
    return true;
}

std::string RecordPathFor(const std::string& imagePath)
{
    const size_t slash = imagePath.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = imagePath.rfind('.');
    // A name that only starts with a dot has no extension.
    const bool hasExtension = dot != std::string::npos && dot > nameStart;
    std::string stem = hasExtension ? imagePath.substr(0, dot) : imagePath;
    std::string record = stem + ".txt";
    // An image that is itself named .txt keeps its record apart.
    return record == imagePath ? imagePath + ".txt" : record;
}

bool LoadImageFile(const std::string& path, ByteStr& image, std::string& reason)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size != clsCmcEeprom::kDefaultSize) {
        reason = path + ": an image must be exactly 8160 bytes long, this file has " + std::to_string(st.st_size);
        return false;
    }
    std::string data;
    if (!readRegular(path, clsCmcEeprom::kDefaultSize, data, reason)) {
        reason = "image file " + reason;
        return false;
    }
    if (data.size() != static_cast<size_t>(clsCmcEeprom::kDefaultSize)) {
        reason = path + ": an image must be exactly 8160 bytes long, this file has " + std::to_string(data.size());
        return false;
    }
    image.assign(data.begin(), data.end());
    return true;
}

bool LoadImageAndRecord(const std::string& path, ByteStr& image, std::optional<ImageRecord>& record,
                        std::string& reason)
{
    if (!LoadImageFile(path, image, reason))
        return false;
    record.reset();
    const std::string recordPath = RecordPathFor(path);
    struct stat st {};
    if (::lstat(recordPath.c_str(), &st) != 0)
        return true;   // a bare image
    std::string text;
    ImageRecord r;
    std::string why;
    if (!readRegular(recordPath, kMaxRecordSize, text, why) || !ParseRecord(text, r, why)) {
        reason = "record " + (why.rfind(recordPath, 0) == 0 ? why : recordPath + ": " + why);
        return false;
    }
    record = r;
    return true;
}

bool SaveImageAndRecord(const std::string& path, const ByteStr& image, const ImageRecord& record,
                        std::string& reason)
{
    return WriteFilesTogether({{path, std::string(image.begin(), image.end())}, {RecordPathFor(path), RecordText(record)}},
                              reason) == 0;
}

std::string ImageListing(const ByteStr& image)
{
    clsCmcEeprom eep;
    eep.WriteBlock(0, image);
    clsIndEep_RigTavik map(eep);
    return map.RigTavikEep_DispParaText();
}

bool ImageIsMid(const ByteStr& image)
{
    clsCmcEeprom eep;
    eep.WriteBlock(0, image);
    return clsIndEep_RigTavik(eep).RigTavikEep_GetMid();
}
