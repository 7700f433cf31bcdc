#include "app/ImageFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "app/AtomicFile.h"
#include "link/clsCmcEeprom.h"
#include "model/clsIndEep_RigTavik.h"

namespace {

const char kHeading[] = "Dorvel ADJ radio image";
const char kMainKey[] = "Main model code: ";
const char kSubKey[] = "Sub model code: ";
const char kTimeKey[] = "Date: ";
const char kPortKey[] = "Port: ";
const char kAdapterKey[] = "Adapter: ";
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

// A regular file of at most maxSize bytes, read whole.
bool readRegular(const std::string& path, off_t maxSize, std::string& data, std::string& reason)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        reason = path + ": cannot open: " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        reason = path + ": not a regular file";
        return false;
    }
    if (st.st_size > maxSize) {
        reason = path + ": too large (" + std::to_string(st.st_size) + " bytes)";
        return false;
    }
    std::ifstream f(path, std::ios::binary);
    std::ostringstream all;
    if (!f || !(all << f.rdbuf())) {
        reason = path + ": cannot read";
        return false;
    }
    data = all.str();
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
    return WriteFileAtomically(path, std::string(image.begin(), image.end()), true, reason) == 0 &&
           WriteFileAtomically(RecordPathFor(path), RecordText(record), true, reason) == 0;
}

std::string ImageListing(const ByteStr& image)
{
    clsCmcEeprom eep;
    eep.WriteBlock(0, image);
    clsIndEep_RigTavik map(eep);
    return map.RigTavikEep_DispParaText();
}
