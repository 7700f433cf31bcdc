#pragma once
// Named values in a private profile file ([section] lines and key=value
// lines), converted between typed values and their text form. The program
// keeps its operator settings in one such file.
//
// Folder names use "/" (a "\" is read as one too); there are no drive
// letters on this platform, so a colon is an ordinary character of a name.
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "platform/ProfileFile.h"

// A calendar date and time of day, stored as "yyyy.mm.dd-hh:mm:ss".
struct ProfileDate {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool operator==(const ProfileDate& o) const
    {
        return year == o.year && month == o.month && day == o.day && hour == o.hour && minute == o.minute &&
               second == o.second;
    }
};

// A value as the profile reads and writes it; the alternative held is the
// value's type. std::monostate stands for a value of no storable type.
using ProfileValue =
    std::variant<std::monostate, int16_t, int32_t, float, double, uint8_t, bool, std::string, ProfileDate>;

class clsCmcProfileIO {
public:
    static constexpr size_t kBufferSize = 255;

    // programFolder: the folder SetCurrentPath and GetPathName fall back on.
    clsCmcProfileIO(platform::ProfileFile& file, std::string programFolder);

    std::string FullPath() const { return GetMyProfile(); }
    void setFullPath(const std::string& fullName);
    const std::string& Name() const { return name_; }
    void setName(const std::string& v) { name_ = v; }
    const std::string& Path() const { return path_; }
    void setPath(const std::string& v) { path_ = v; }
    const std::string& Section() const { return section_; }
    void setSection(const std::string& v) { section_ = v; }

    // Path := the program's folder, ending with "/".
    void SetCurrentPath();
    std::string GetMyProfile() const { return path_ + name_; }

    // Writes the value's text under key in Section. False for a value of no
    // storable type and when the file could not be written.
    bool saveData(const std::string& key, const ProfileValue& value);
    // Reads key from Section into var, converted to var's type; def, when
    // given, must be of the same type. False when nothing was read (types
    // refused, or no text at all); a text that does not convert leaves var
    // unchanged and still gives true.
    bool loadData(const std::string& key, ProfileValue& var, const std::optional<ProfileValue>& def = std::nullopt);

    static std::string StripTerminator(const std::string& s);
    // The part after the last folder separator.
    static std::string GetFileName(const std::string& path);
    // The folder of a file name, without a trailing separator; the program's
    // folder for a bare name.
    std::string GetPathName(const std::string& fileName) const;
    // Kept for its callers: no case conversion takes place.
    static std::string UCase16(const std::string& s) { return s; }

    // The text form of a value ("" for no storable type), and the conversion
    // back; false when the text does not fit the type.
    static std::string ValueText(const ProfileValue& v);
    static bool FromText(const std::string& text, ProfileValue& var);

private:
    platform::ProfileFile& file_;
    std::string programFolder_;
    std::string name_ = "Profile.INI";
    std::string path_;
    std::string section_;
};
