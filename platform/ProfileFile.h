#pragma once
// Private profile files: a text file of "[section]" lines, each followed by
// its "key=value" lines. Sections and keys are found without regard to case;
// the first of equal sections or keys counts. Lines the program does not know
// (comments, other sections, other keys) are kept as they are on every write.
#include <cstddef>
#include <map>
#include <string>

namespace platform {

class ProfileFile {
public:
    virtual ~ProfileFile() = default;
    // The value of key in section, without the blanks around it and without
    // one pair of enclosing quotes; def (without its trailing blanks) when the
    // file, the section or the key is missing. At most size - 1 characters.
    virtual std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                                const std::string& def, size_t size,
                                                const std::string& fileName) = 0;
    // Sets the key's value, adding the key at the end of its section or the
    // section at the end of the file when missing. False when the file could
    // not be written; the file is then unchanged.
    virtual bool WritePrivateProfileString(const std::string& section, const std::string& key,
                                           const std::string& value, const std::string& fileName) = 0;
};

// Profile files in the file system. A write replaces the file in one step (a
// new file renamed over the old one), so a failed or interrupted write never
// leaves half a file behind. Only regular files are read or written: a FIFO,
// a folder or a device in the file's place reads as a file that cannot be
// used, at once, and is never replaced.
class TextProfileFile : public ProfileFile {
public:
    // Larger files are not settings files: they read as missing and are
    // never rewritten.
    static constexpr size_t kMaxFileSize = 1 << 20;

    // Writes of fileName go to writeTo instead (a shared file that cannot be
    // written in its own place). The first of them starts writeTo from
    // fileName's lines, so that its other sections and comments carry over;
    // from then on reads of fileName read writeTo.
    void setWriteTo(const std::string& fileName, const std::string& writeTo) { writeTo_[fileName] = writeTo; }

    std::string GetPrivateProfileString(const std::string& section, const std::string& key, const std::string& def,
                                        size_t size, const std::string& fileName) override;
    bool WritePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                                   const std::string& fileName) override;
    // Why the last write that failed did so, in words.
    const std::string& lastFailure() const { return lastFailure_; }

private:
    std::map<std::string, std::string> writeTo_;
    std::string lastFailure_;
};

}  // namespace platform
