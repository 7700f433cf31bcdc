// Backups, restore with verify, and the comparison of images, over the real
// serial port code path against the simulated radio, on real files.
#include <gtest/gtest.h>

#include <fstream>

#include "tests/integration/SessionRun.h"

namespace {

// dorvel-adj-cli with its own data folder, so that backups land there.
RunResult Cli(const std::string& dataHome, std::vector<std::string> args, const std::string& input = {})
{
    std::vector<std::string> argv{"/usr/bin/env", "XDG_DATA_HOME=" + dataHome, BinPath("dorvel-adj-cli")};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv, input, 240000);
}

// The backup images in a data folder, oldest first.
std::vector<std::string> Backups(const std::string& dataHome)
{
    return FilesIn(dataHome + "/dorvel-adj/backups", ".bin");
}

// An image file, with a record of the given sub model code beside it ("" for none).
std::string PutImage(const TempDir& dir, const std::string& name, const std::string& image, const std::string& sub)
{
    std::ofstream(dir.file(name + ".bin"), std::ios::binary) << image;
    if (!sub.empty())
        std::ofstream(dir.file(name + ".txt")) << "Main model code: 5314\nSub model code: " << sub << "\n";
    return dir.file(name + ".bin");
}

std::string With(std::string image, size_t adr, const std::string& bytes)
{
    image.replace(adr, bytes.size(), bytes);
    return image;
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(Restore, PacedRoundTripBackUpAtConnectEditWriteBackVerify)
{
    TempDir dir;
    const std::string data = dir.file("data");
    const std::string start = ReferenceImage({}).image;
    SimProcess sim({});
    const RunResult session = Cli(data, {"session", "--device", sim.device()}, "connect\nselect 1\nstep 5\nidle\nquit\n");
    ASSERT_EQ(session.out, "ok\nok\n") << session.err;
    std::vector<std::string> backups = Backups(data);
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_TRUE(ReadFile(backups[0]) == start) << "the backup holds the radio as it was read";
    EXPECT_TRUE(Contains(ReadFile(backups[0].substr(0, backups[0].size() - 4) + ".txt"),
                         "Sub model code: 0100\nDate: "));
    const std::string edited = sim.image();
    ASSERT_NE(edited, start);

    const RunResult w = Cli(data, {"write", "--device", sim.device(), "--in", backups[0], "--yes"});
    EXPECT_EQ(w.status, 0) << w.err;
    EXPECT_TRUE(Contains(w.out, "                POW HI Level:  185 ->  180\n")) << w.out;
    EXPECT_TRUE(Contains(w.out, "verified")) << w.out;
    backups = Backups(data);
    ASSERT_EQ(backups.size(), 2u);
    EXPECT_TRUE(ReadFile(backups[1]) == edited) << "the radio was backed up before the write";
    EXPECT_TRUE(sim.image() == start) << "the radio holds the backup again";
}

// A write that fails, or is not to be made, says why and leaves the backup
// of the radio as it was read; the radio changes only once a clone write
// began.
TEST(Restore, AWriteThatFailsOrIsRefusedSaysWhyAndLeavesTheBackup)
{
    struct Case {
        const char* name;
        std::vector<std::string> simArgs;
        const char* recordSub;   // "" for a bare image
        bool yes;
        int status;
        const char* says;
        bool cloneWrite;   // a clone write begins
    };
    const Case cases[] = {
        {"refuse-write", {"--fault", "refuse-write"}, "0100", true, 1,
         "\nConnected transceiver is not compatible model.\n", false},
        {"write-fails", {"--fault", "write-fails"}, "0100", true, 1, "\nCannot write cloning data.\n", true},
        {"pull-write", {"--fault", "pull-write"}, "0100", true, 1, "\nCannot access COM port\n", true},
        {"a record of another sub model", {"--sub-code", "0101"}, "0100", true, 1,
         "This image belongs to a 5314-0100 radio, and the radio connected is 5314-0101. Nothing was written.", false},
        {"a bare image, a radio that allows no write", {"--model-byte", "00"}, "", true, 1,
         "Connected transceiver is not compatible model.", false},
        {"without --yes", {}, "0100", false, 0, "                POW HI Level:  180 ->  200\n", false},
    };
    const std::string start = ReferenceImage({}).image;
    for (const Case& c : cases) {
        TempDir dir;
        const std::string file = PutImage(dir, "radio", With(start, 0x082, "\xC8"), c.recordSub);
        std::vector<std::string> simArgs{"--fast", "--log", dir.file("wire.log")};
        simArgs.insert(simArgs.end(), c.simArgs.begin(), c.simArgs.end());
        SimProcess sim(simArgs);
        std::vector<std::string> args{"write", "--device", sim.device(), "--in", file};
        if (c.yes)
            args.push_back("--yes");
        const RunResult r = Cli(dir.file("data"), args);
        EXPECT_EQ(r.status, c.status) << c.name << "\n" << r.err;
        EXPECT_TRUE(Contains(r.out + r.err, c.says)) << c.name << "\n" << r.out << r.err;
        EXPECT_EQ(Contains(ReadFile(dir.file("wire.log")), " pc FEFEEEEFE3"), c.cloneWrite) << c.name;
        EXPECT_TRUE(c.cloneWrite || sim.image() == start) << c.name << ": the radio as it was";
        const std::vector<std::string> backups = Backups(dir.file("data"));
        ASSERT_EQ(backups.size(), 1u) << c.name << ": the read was backed up all the same";
        EXPECT_TRUE(ReadFile(backups[0]) == start) << c.name;
    }
}

TEST(Restore, DiffShowsWhatDiffersInListingTermsOrAsAddresses)
{
    TempDir dir;
    const std::string start = ReferenceImage({}).image;
    const std::string a = PutImage(dir, "a", start, "");
    const std::string level = PutImage(dir, "level", With(start, 0x082, "\xC8"), "");
    // Channel 2's receive frequency from 145.650 to 145.660 MHz.
    const std::string channel = PutImage(dir, "channel", With(start, 0x172, std::string("\x08\xAE\x98\x60", 4)), "");
    struct Case { std::vector<std::string> args; int status; const char* out; };
    const Case cases[] = {
        {{a, a}, 0, ""},
        {{a, level}, 1, "                POW HI Level:  180 ->  200\n"},
        {{a, channel}, 1, "                   Channel 2: RX 145.6500 TX 145.0500 MHz -> RX 145.6600 TX 145.0500 MHz\n"},
        {{"--bytes", a, level}, 1, "0x0082 B4 -> C8\n"},
        {{"--bytes", a, a}, 0, ""},
        {{a, dir.file("missing.bin")}, 2, ""},
        {{a}, 2, ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"diff"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunResult r = Cli(dir.file("data"), args);
        EXPECT_EQ(r.status, c.status) << c.args.back() << "\n" << r.err;
        EXPECT_EQ(r.out, c.out) << c.args.back();
    }
}
