// The settings file: profile file access, typed values, the port mapping and
// where the file lives.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

#include "app/ComPortMap.h"
#include "app/clsCmcProfileIO.h"
#include "platform/ProfileFile.h"
#include "platform/SettingsLocation.h"
#include "tests/integration/Processes.h"

namespace {

void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

class ProfileFileTest : public ::testing::Test {
protected:
    std::string get(const std::string& section, const std::string& key, const std::string& def = "-",
                    size_t size = 255)
    {
        return pf.GetPrivateProfileString(section, key, def, size, file);
    }

    TempDir dir;
    std::string file = dir.file("Velmara.rs");
    platform::TextProfileFile pf;
};

TEST_F(ProfileFileTest, ReadsValuesAndFallsBackToTheDefault)
{
    EXPECT_EQ(get("OPTION", "ComPort", "1  "), "1") << "no file: the default, without trailing blanks";
    WriteFile(file,
              "; settings\n"
              "[Other]\n"
              "ComPort=9\n"
              "[option]\n"
              "  comport =  3  \n"
              "Quoted=\"  spaced  \"\n"
              "NoValue\n"
              "Empty=\n"
              "[OPTION]\n"
              "ComAutoRelease=4\n");
    EXPECT_EQ(get("OPTION", "ComPort"), "3") << "names without regard to case, blanks around the value dropped";
    EXPECT_EQ(get("OPTION", "Quoted"), "  spaced  ");
    EXPECT_EQ(get("OPTION", "NoValue"), "-") << "a line without = is no key";
    EXPECT_EQ(get("OPTION", "Empty"), "");
    EXPECT_EQ(get("OPTION", "ComAutoRelease"), "-") << "only the first section of a name counts";
    EXPECT_EQ(get("Missing", "ComPort"), "-");
    EXPECT_EQ(get("Other", "ComPort"), "9");
    EXPECT_EQ(get("OPTION", "Quoted", "-", 5), "  sp") << "at most size - 1 characters";
}

TEST_F(ProfileFileTest, WritingKeepsEverythingElse)
{
    WriteFile(file,
              "; kept comment\r\n"
              "[PORTS]\r\n"
              "COM1=/dev/ttyACM0\r\n"
              "[OPTION]\r\n"
              "ComPort=1\r\n"
              "Extra=x\r\n"
              "\r\n"
              "[Later]\r\n"
              "k=v\r\n");
    ASSERT_TRUE(pf.WritePrivateProfileString("OPTION", "ComPort", "2", file));
    ASSERT_TRUE(pf.WritePrivateProfileString("option", "ComAutoRelease", "5", file));
    ASSERT_TRUE(pf.WritePrivateProfileString("New", "a", "b", file));
    EXPECT_EQ(ReadFile(file),
              "; kept comment\r\n"
              "[PORTS]\r\n"
              "COM1=/dev/ttyACM0\r\n"
              "[OPTION]\r\n"
              "ComPort=2\r\n"
              "Extra=x\r\n"
              "ComAutoRelease=5\r\n"
              "\r\n"
              "[Later]\r\n"
              "k=v\r\n"
              "[New]\r\n"
              "a=b\r\n");
}

TEST_F(ProfileFileTest, CreatesTheFileAndItsFolder)
{
    const std::string nested = dir.file("config/dorvel-adj/Velmara.rs");
    ASSERT_TRUE(pf.WritePrivateProfileString("OPTION", "ComPort", "4", nested));
    EXPECT_EQ(ReadFile(nested), "[OPTION]\nComPort=4\n");
    EXPECT_EQ(pf.GetPrivateProfileString("OPTION", "ComPort", "", 255, nested), "4");
}

TEST_F(ProfileFileTest, RefusedWritesLeaveTheFileAsItWas)
{
    WriteFile(file, "[OPTION]\nComPort=1\n");
    EXPECT_FALSE(pf.WritePrivateProfileString("OPTION", "ComPort", "2\n[Evil]", file)) << "a line break in a value";
    EXPECT_FALSE(pf.WritePrivateProfileString("OPT]ION", "ComPort", "2", file));
    EXPECT_FALSE(pf.WritePrivateProfileString("OPTION", "Com=Port", "2", file));
    WriteFile(dir.file("a-file"), "x");
    EXPECT_FALSE(pf.WritePrivateProfileString("OPTION", "ComPort", "2", dir.file("a-file/Velmara.rs")))
        << "no folder can be made where a file is";
    EXPECT_FALSE(pf.WritePrivateProfileString("OPTION", "ComPort", "2", dir.file("a-file/sub/Velmara.rs")));
    EXPECT_EQ(ReadFile(dir.file("a-file")), "x");
    EXPECT_EQ(ReadFile(file), "[OPTION]\nComPort=1\n");

    // Something far too large to be a settings file is neither read nor
    // replaced.
    const std::string big = "[OPTION]\nComPort=3\n" + std::string(platform::TextProfileFile::kMaxFileSize, ';');
    WriteFile(file, big);
    EXPECT_EQ(get("OPTION", "ComPort"), "-");
    EXPECT_FALSE(pf.WritePrivateProfileString("OPTION", "ComPort", "2", file));
    EXPECT_EQ(ReadFile(file).size(), big.size());
}

TEST_F(ProfileFileTest, BinaryGarbageReadsAsMissingKeys)
{
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += static_cast<char>((i * 37 + 11) & 0xFF);
    WriteFile(file, garbage);
    EXPECT_EQ(get("OPTION", "ComPort"), "-");
    ASSERT_TRUE(pf.WritePrivateProfileString("OPTION", "ComPort", "2", file));
    EXPECT_EQ(get("OPTION", "ComPort"), "2");
}

// ---- typed values -----------------------------------------------------------

class ProfileIOTest : public ProfileFileTest {
protected:
    ProfileIOTest() : io(pf, dir.path())
    {
        io.SetCurrentPath();
        io.setName("Velmara.rs");
        io.setSection("OPTION");
    }
    clsCmcProfileIO io;
};

TEST_F(ProfileIOTest, FileNamesAndFolders)
{
    EXPECT_EQ(io.GetMyProfile(), dir.path() + "/Velmara.rs");
    EXPECT_EQ(clsCmcProfileIO::GetFileName("C:\\tools\\Velmara.rs"), "Velmara.rs");
    EXPECT_EQ(clsCmcProfileIO::GetFileName("/opt/dorvel/Velmara.rs"), "Velmara.rs");
    EXPECT_EQ(clsCmcProfileIO::GetFileName("Velmara.rs"), "Velmara.rs");
    EXPECT_EQ(io.GetPathName("/opt/dorvel/Velmara.rs"), "/opt/dorvel");
    EXPECT_EQ(io.GetPathName("Velmara.rs"), dir.path()) << "a bare name lies in the program's folder";
    EXPECT_EQ(io.GetPathName("/Velmara.rs"), "");

    clsCmcProfileIO atRoot(pf, "/");
    atRoot.SetCurrentPath();
    EXPECT_EQ(atRoot.Path(), "/") << "a program at the root gets one separator";
    atRoot.setFullPath("/etc/dorvel/x.ini");
    EXPECT_EQ(atRoot.Path(), "/etc/dorvel/");
    EXPECT_EQ(atRoot.Name(), "x.ini");
    EXPECT_EQ(atRoot.FullPath(), "/etc/dorvel/x.ini");
    EXPECT_EQ(clsCmcProfileIO::StripTerminator(std::string("ab\0cd", 5)), "ab");
}

TEST_F(ProfileIOTest, SavesEachTypeAsText)
{
    struct Case {
        ProfileValue value;
        std::string text;
    };
    const Case cases[] = {
        {ProfileValue(int16_t{-7}), "-7"},
        {ProfileValue(int32_t{70000}), "70000"},
        {ProfileValue(uint8_t{255}), "255"},
        {ProfileValue(2.5), "2.5"},
        {ProfileValue(0.1f), "0.1"},
        {ProfileValue(true), "1"},
        {ProfileValue(false), "0"},
        {ProfileValue(std::string("COM 3")), "COM 3"},
        {ProfileValue(ProfileDate{2024, 3, 9, 7, 5, 0}), "2024.03.09-07:05:00"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(io.saveData("k", c.value)) << c.text;
        EXPECT_EQ(pf.GetPrivateProfileString("OPTION", "k", "", 255, io.GetMyProfile()), c.text);
    }
    EXPECT_FALSE(io.saveData("none", ProfileValue{})) << "a value of no storable type";
    EXPECT_EQ(pf.GetPrivateProfileString("OPTION", "none", "absent", 255, io.GetMyProfile()), "absent");
}

TEST_F(ProfileIOTest, LoadsWithDefaultsAndLeavesBadTextAlone)
{
    ProfileValue port = int32_t{9};
    EXPECT_TRUE(io.loadData("ComPort", port, ProfileValue(int32_t{1}))) << "no file: the default's text is read";
    EXPECT_EQ(std::get<int32_t>(port), 1);

    WriteFile(io.GetMyProfile(),
              "[OPTION]\nEmpty=\nWord=abc\nHuge=70000\nHalf=2.5\nHalfUp=3.5\nNeg=-1\nB0=0\nBWord=yes\n"
              "Date=2023.12.31-23:59:58\nShortDate=2023.12.31\nBadDate=2023.02.30-00:00:00\nPadded=42   \n");
    ProfileValue s = std::string("keep");
    EXPECT_FALSE(io.loadData("Empty", s, ProfileValue(std::string()))) << "no text at all";
    EXPECT_EQ(std::get<std::string>(s), "keep");

    struct Case {
        const char* key;
        ProfileValue start;
        bool result;
        ProfileValue after;
    };
    const Case cases[] = {
        {"Word", ProfileValue(int32_t{5}), true, ProfileValue(int32_t{5})},     // not a number: unchanged
        {"Huge", ProfileValue(int16_t{5}), true, ProfileValue(int16_t{5})},     // beyond 16 bits: unchanged
        {"Huge", ProfileValue(int32_t{5}), true, ProfileValue(int32_t{70000})},
        {"Half", ProfileValue(int16_t{0}), true, ProfileValue(int16_t{2})},     // halves to even
        {"HalfUp", ProfileValue(int16_t{0}), true, ProfileValue(int16_t{4})},
        {"Neg", ProfileValue(uint8_t{9}), true, ProfileValue(uint8_t{9})},      // below a byte: unchanged
        {"Half", ProfileValue(0.0), true, ProfileValue(2.5)},
        {"B0", ProfileValue(true), true, ProfileValue(false)},
        {"BWord", ProfileValue(false), true, ProfileValue(true)},              // any text but 0 is true
        {"Neg", ProfileValue(false), true, ProfileValue(true)},
        {"Date", ProfileValue(ProfileDate{}), true, ProfileValue(ProfileDate{2023, 12, 31, 23, 59, 58})},
        {"ShortDate", ProfileValue(ProfileDate{}), true, ProfileValue(ProfileDate{})},
        {"BadDate", ProfileValue(ProfileDate{}), true, ProfileValue(ProfileDate{})},
        {"Padded", ProfileValue(int32_t{0}), true, ProfileValue(int32_t{42})},
    };
    for (const Case& c : cases) {
        ProfileValue v = c.start;
        EXPECT_EQ(io.loadData(c.key, v), c.result) << c.key;
        EXPECT_EQ(v, c.after) << c.key << " into type " << c.start.index();
    }

    ProfileValue n = int32_t{3};
    EXPECT_FALSE(io.loadData("Huge", n, ProfileValue(int16_t{1}))) << "a default of another type";
    EXPECT_EQ(std::get<int32_t>(n), 3);
    ProfileValue none;
    EXPECT_FALSE(io.loadData("Huge", none));
}

// ---- port mapping and file location --------------------------------------------

TEST_F(ProfileFileTest, PortsMapToDevicesThroughThePortsSection)
{
    ComPortMap map(pf, file);
    EXPECT_EQ(map.DevicePath(1), "/dev/ttyUSB0") << "no file";
    EXPECT_EQ(map.DevicePath(4), "/dev/ttyUSB3");
    WriteFile(file, "[ports]\ncom2=/dev/ttyACM0\nCOM3=\nCOM10=/dev/serial/by-id/cable\n");
    EXPECT_EQ(map.DevicePath(1), "/dev/ttyUSB0");
    EXPECT_EQ(map.DevicePath(2), "/dev/ttyACM0");
    EXPECT_EQ(map.DevicePath(3), "/dev/ttyUSB2") << "an empty entry counts as none";
    EXPECT_EQ(map.DevicePath(10), "/dev/serial/by-id/cable");
    EXPECT_EQ(map.DevicePath(0), "");
    EXPECT_EQ(map.DevicePath(11), "");
}

TEST(SettingsLocation, ProgramFolderWhenWritableElseTheUsersConfiguration)
{
    TempDir dir;
    EXPECT_EQ(platform::SettingsFolder(dir.path(), "Velmara.rs"), dir.path());

    const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
    const std::string keep = oldXdg != nullptr ? oldXdg : "";
    setenv("XDG_CONFIG_HOME", "/xdg/conf", 1);
    EXPECT_EQ(platform::SettingsFolder("/no/such/folder", "Velmara.rs"), "/xdg/conf/dorvel-adj");
    setenv("XDG_CONFIG_HOME", "relative", 1);
    const std::string home = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
    EXPECT_EQ(platform::SettingsFolder("/no/such/folder", "Velmara.rs"), home + "/.config/dorvel-adj")
        << "a relative XDG_CONFIG_HOME is ignored";
    if (oldXdg != nullptr)
        setenv("XDG_CONFIG_HOME", keep.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
