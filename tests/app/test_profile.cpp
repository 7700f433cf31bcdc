// The settings file: profile file access, typed values, the port mapping and
// where the file lives.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "app/ComPortMap.h"
#include "app/clsCmcProfileIO.h"
#include "platform/ProfileFile.h"
#include "platform/SettingsLocation.h"
#include "tests/integration/Processes.h"
#include "tests/support/FakeSerialPort.h"

namespace {

class ProfileFileTest : public ::testing::Test {
protected:
    std::string get(const std::string& section, const std::string& key, size_t size = 255)
    {
        return pf.GetPrivateProfileString(section, key, "-", size, file);
    }
    bool put(const std::string& section, const std::string& key, const std::string& value)
    {
        return pf.WritePrivateProfileString(section, key, value, file);
    }
    void write(const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

    TempDir dir;
    std::string file = dir.file("Velmara.rs");
    platform::TextProfileFile pf;
};

// Reading falls back to the default; writing keeps everything else; a bad
// write or an oversized file loses nothing.
TEST_F(ProfileFileTest, ReadsWritesAndRefuses)
{
    EXPECT_EQ(pf.GetPrivateProfileString("OPTION", "ComPort", "1  ", 255, file), "1") << "no file, blanks dropped";
    write("; c\n[Other]\nComPort=9\n[option]\n  comport =  3  \nQuoted=\"  spaced  \"\nNoValue\nEmpty=\n"
          "[OPTION]\nComAutoRelease=4\n");
    const std::pair<const char*, const char*> cases[] = {
        {"ComPort", "3"},   // names without regard to case, blanks around the value dropped
        {"Quoted", "  spaced  "}, {"NoValue", "-"}, {"Empty", ""},
        {"ComAutoRelease", "-"},   // only the first section of a name counts
    };
    for (const auto& [key, value] : cases)
        EXPECT_EQ(get("OPTION", key), value) << key;
    EXPECT_EQ(get("Other", "ComPort"), "9");
    EXPECT_EQ(get("OPTION", "Quoted", 5), "  sp") << "at most size - 1 characters";

    write("; kept\r\n[PORTS]\r\nCOM1=/dev/ttyACM0\r\n[OPTION]\r\nComPort=1\r\nExtra=x\r\n\r\n[Later]\r\nk=v\r\n");
    ASSERT_TRUE(put("OPTION", "ComPort", "2"));
    ASSERT_TRUE(put("option", "ComAutoRelease", "5"));
    ASSERT_TRUE(put("New", "a", "b"));
    EXPECT_EQ(ReadFile(file), "; kept\r\n[PORTS]\r\nCOM1=/dev/ttyACM0\r\n[OPTION]\r\nComPort=2\r\nExtra=x\r\n"
                              "ComAutoRelease=5\r\n\r\n[Later]\r\nk=v\r\n[New]\r\na=b\r\n");

    write("[OPTION]\nComPort=1\n");
    EXPECT_FALSE(put("OPTION", "ComPort", "2\n[Evil]")) << "a line break in a value";
    EXPECT_FALSE(put("OPT]ION", "ComPort", "2"));
    EXPECT_FALSE(put("OPTION", "Com=Port", "2"));
    EXPECT_EQ(ReadFile(file), "[OPTION]\nComPort=1\n");

    const std::string big = "[OPTION]\nComPort=3\n" + std::string(platform::TextProfileFile::kMaxFileSize, ';');
    write(big);
    EXPECT_EQ(get("OPTION", "ComPort"), "-") << "far too large to be a settings file";
    EXPECT_FALSE(put("OPTION", "ComPort", "2"));
    EXPECT_EQ(ReadFile(file).size(), big.size());
}

// A settings file that is no regular file reads as missing at once (a FIFO
// would block a plain open for ever) and is never written.
TEST_F(ProfileFileTest, WhatIsNoRegularFileIsNeitherWaitedForNorWritten)
{
    const std::pair<const char*, bool> cases[] = {{"FIFO", true}, {"folder", false}};
    for (const auto& [name, fifo] : cases) {
        TempDir d;
        const std::string f = d.file("Velmara.rs");
        ASSERT_EQ(fifo ? ::mkfifo(f.c_str(), 0644) : ::mkdir(f.c_str(), 0755), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::alarm(5);
            const bool ok = pf.GetPrivateProfileString("OPTION", "ComPort", "-", 255, f) == "-" &&
                            !pf.WritePrivateProfileString("OPTION", "ComPort", "2", f);
            ::_exit(ok ? 0 : 3);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << name << ": status " << status;
        if (WIFEXITED(status)) {   // it did not hang there: the reason, here
            EXPECT_FALSE(pf.WritePrivateProfileString("OPTION", "ComPort", "2", f));
            EXPECT_EQ(pf.lastFailure(), "not a regular file") << name;
        }
    }
}

TEST_F(ProfileFileTest, TypedValuesTravelAsText)
{
    clsCmcProfileIO io(pf, dir.path());
    io.SetCurrentPath();
    io.setName("Velmara.rs");
    io.setSection("OPTION");
    struct Case { ProfileValue value; std::string text; };
    for (const Case& c : {Case{int16_t{-7}, "-7"}, Case{int32_t{70000}, "70000"}, Case{uint8_t{255}, "255"},
                          Case{2.5, "2.5"}, Case{0.1f, "0.1"}, Case{true, "1"}, Case{std::string("COM 3"), "COM 3"},
                          Case{ProfileDate{2024, 3, 9, 7, 5, 0}, "2024.03.09-07:05:00"}}) {
        ASSERT_TRUE(io.saveData("k", c.value)) << c.text;
        EXPECT_EQ(get("OPTION", "k"), c.text);
    }
    EXPECT_FALSE(io.saveData("none", ProfileValue{}));

    // Text that does not fit the type leaves the value as it was.
    struct Load { const char* text; ProfileValue start; ProfileValue after; };
    for (const Load& l : {Load{"abc", int32_t{5}, int32_t{5}}, Load{"70000", int16_t{5}, int16_t{5}},
                          Load{"2.5", int16_t{0}, int16_t{2}}, Load{"3.5", int16_t{0}, int16_t{4}},   // halves to even
                          Load{"-1", uint8_t{9}, uint8_t{9}}, Load{"0", true, false}, Load{"yes", false, true},
                          Load{"2023.12.31-23:59:58", ProfileDate{}, ProfileDate{2023, 12, 31, 23, 59, 58}},
                          Load{"2023.02.30-00:00:00", ProfileDate{}, ProfileDate{}}, Load{"42   ", int32_t{0}, 42}}) {
        ASSERT_TRUE(put("OPTION", "k", l.text));
        ProfileValue v = l.start;
        EXPECT_TRUE(io.loadData("k", v)) << l.text;
        EXPECT_EQ(v, l.after) << l.text;
    }
    ProfileValue s = std::string("keep");
    EXPECT_FALSE(io.loadData("missing", s, ProfileValue(std::string()))) << "no text at all";
    EXPECT_EQ(std::get<std::string>(s), "keep");
}

TEST_F(ProfileFileTest, PortsMapToDevicesThroughThePortsSectionOrTheOnlyAdapter)
{
    ComPortMap map(pf, file);
    EXPECT_EQ(map.DevicePath(4), "/dev/ttyUSB3") << "no file";
    write("[ports]\ncom2=/dev/ttyACM0\nCOM3=\nCOM10=/dev/serial/by-id/cable\n");
    const std::pair<int, const char*> cases[] = {
        {1, "/dev/ttyUSB0"}, {2, "/dev/ttyACM0"}, {3, "/dev/ttyUSB2"},   // an empty entry counts as none
        {10, "/dev/serial/by-id/cable"}, {0, ""}, {11, ""}};
    for (const auto& [port, path] : cases)
        EXPECT_EQ(map.DevicePath(port), path) << port;

    // A port number without an entry whose default device is missing takes
    // the only USB adapter present, and says so; with two, or a default
    // device that exists, nothing is guessed.
    FakePortLister lister;
    const platform::SerialPortEntry usb{"/dev/ttyACM3", "/dev/serial/by-id/usb-Maker_Cable_42-if00", "Cable", "Maker",
                                        "42", true, {"cdc_acm", -1, platform::LowLatency::NotTried, 0}};
    const platform::SerialPortEntry builtIn{"/dev/ttyS0", "", "", "", "", false, {}};
    map.setLister(&lister);
    std::vector<std::string> notices;
    map.setNotice([&](const std::string& n) { notices.push_back(n); });
    bool defaultExists = false;
    map.setExists([&](const std::string&) { return defaultExists; });
    const struct { std::vector<platform::SerialPortEntry> present; bool defaultExists; const char* path; } guesses[] = {
        {{builtIn, usb}, false, "/dev/serial/by-id/usb-Maker_Cable_42-if00"},
        {{usb, usb}, false, "/dev/ttyUSB0"},
        {{builtIn}, false, "/dev/ttyUSB0"},
        {{usb}, true, "/dev/ttyUSB0"},
    };
    for (const auto& c : guesses) {
        lister.ports = c.present;
        defaultExists = c.defaultExists;
        EXPECT_EQ(map.DevicePath(1), c.path);
    }
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], "COM 1 has no device of its own; using the only USB serial adapter, "
                          "/dev/serial/by-id/usb-Maker_Cable_42-if00 (Cable)");
    EXPECT_EQ(platform::DescribePort(usb), "/dev/serial/by-id/usb-Maker_Cable_42-if00  /dev/ttyACM3  Cable  Maker  42  cdc_acm, no latency timer");
    EXPECT_EQ(platform::DescribePort(builtIn), "/dev/ttyS0  -  -  -  -");
}

TEST(SettingsLocation, TheUsersFileFirstAndWritesWhereTheNextStartReads)
{
    // Asked of the file system: a program folder that can or cannot be
    // written, without and with the user's own file.
    TempDir prog, conf;
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string keep = old != nullptr ? old : "";
    setenv("XDG_CONFIG_HOME", conf.path().c_str(), 1);
    const std::string user = conf.file("dorvel-adj/Velmara.rs");
    auto where = [](const std::string& folder) {
        const platform::SettingsFiles f = platform::SettingsLocation(folder, "Velmara.rs");
        return f.read + " " + f.write;
    };
    EXPECT_EQ(where(prog.path()), prog.file("Velmara.rs") + " " + prog.file("Velmara.rs"));
    EXPECT_EQ(where("/no/such/folder"), "/no/such/folder/Velmara.rs " + user) << "a folder that cannot be written";
    std::ofstream(prog.file("Velmara.rs")).flush();
    ASSERT_TRUE(platform::TextProfileFile().WritePrivateProfileString("OPTION", "ComPort", "2", user));
    EXPECT_EQ(where(prog.path()), user + " " + user);
    EXPECT_EQ(where("/no/such/folder"), user + " " + user);
    setenv("XDG_CONFIG_HOME", "relative", 1);
    const std::string home = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
    EXPECT_EQ(platform::UserSettingsFolder(), home + "/.config/dorvel-adj") << "a relative XDG_CONFIG_HOME is ignored";
    old != nullptr ? setenv("XDG_CONFIG_HOME", keep.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
