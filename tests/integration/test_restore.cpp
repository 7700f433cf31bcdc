// Backups, restore with verify, and the comparison of images, over the real
// serial port code path against the simulated radio, on real files.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <thread>

#include "tests/integration/SessionRun.h"

namespace {

// dorvel-adj-cli with its own data folder, so that backups land there.
RunResult Cli(const std::string& dataHome, std::vector<std::string> args)
{
    args.insert(args.begin(), "XDG_DATA_HOME=" + dataHome);
    return RunCli(args, {}, 240000);
}

// The backup images in a data folder, oldest first.
std::vector<std::string> Backups(const std::string& home) { return FilesIn(home + "/dorvel-adj/backups", ".bin"); }

// An image file, with a record of the given sub model code beside it ("" for none).
std::string PutImage(const TempDir& dir, const std::string& name, const std::string& image, const std::string& sub)
{
    std::ofstream(dir.file(name + ".bin"), std::ios::binary) << image;
    if (!sub.empty())
        std::ofstream(dir.file(name + ".txt")) << "Main model code: 5314\nSub model code: " << sub << "\n";
    return dir.file(name + ".bin");
}

std::string With(std::string image, size_t adr, const std::string& b) { return image.replace(adr, b.size(), b); }

// The image of another unit: all 38 frequency slopes differ.
std::string OtherUnit(std::string image)
{
    for (size_t a = 0x055; a < 0x07B; ++a)
        image[a] = static_cast<char>(image[a] ^ 0x05);
    return image;
}

}  // namespace

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

// A cable pulled in the middle of the write: the operator's message, then
// what the radio holds and the command that puts the backup back. The next
// attempt backs up the half-written radio as partial, and the listing of
// backups points at the last good one.
TEST(Restore, APulledWriteSaysWhatTheRadioHoldsAndTheRetryDoesNotBuryTheGoodBackup)
{
    TempDir dir;
    const std::string data = dir.file("data");
    const std::string start = ReferenceImage({}).image;
    std::string target = OtherUnit(start);
    target[0x1800] = static_cast<char>(target[0x1800] ^ 0x01);   // beyond the frames that arrive
    const std::string file = PutImage(dir, "other", target, "0100");

    std::string radio;
    {
        SimProcess sim({"--fast", "--fault", "pull-write"});
        const RunResult r = Cli(data, {"write", "--device", sim.device(), "--in", file, "--yes"});
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_TRUE(r.out.rfind("Warning: this image is from another radio: 38 bytes", 0) == 0) << r.out;
        const std::vector<std::string> backups = Backups(data);
        ASSERT_EQ(backups.size(), 1u);
        EXPECT_TRUE(Has(r.err, "Cannot access COM port\n/dev/")) << r.err;
        EXPECT_TRUE(Has(r.err, "The link broke during the write: the radio's memory is partly written, 25")) << r.err;
        EXPECT_TRUE(Has(r.err, " of 510 blocks went out (the last ones perhaps not whole).\n"
                                    "Backup of the radio taken before the write: " + backups[0] +
                                        "\nTo put it back: dorvel-adj-cli write --device " + sim.device() + " --in " +
                                        backups[0] + " --yes\n")) << r.err;
        // The simulated radio took 256 frames before the cable was pulled.
        radio = target.substr(0, 256 * 16) + start.substr(256 * 16);
    }
    std::ofstream(dir.file("half.bin"), std::ios::binary) << radio;
    SimProcess sim({"--fast", "--image", dir.file("half.bin")});
    const RunResult again = Cli(data, {"write", "--device", sim.device(), "--in", file});
    EXPECT_EQ(again.status, 0) << again.err;
    const std::vector<std::string> backups = Backups(data);
    ASSERT_EQ(backups.size(), 2u);
    EXPECT_TRUE(Has(backups[1], "_partial.bin")) << backups[1];
    EXPECT_TRUE(Has(ReadFile(backups[1].substr(0, backups[1].size() - 4) + ".txt"),
                         "Partly written: the last write to this radio broke off on ")) << "the record says so too";

    const RunResult listed = Cli(data, {"backups"});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_TRUE(Has(listed.out, "  5314-0100  standard  partial  " + backups[1] + "\n")) << listed.out;
    EXPECT_TRUE(Has(listed.out, "\nLast good backup: " + backups[0] + "\n")) << listed.out;

    // Written whole and verified: the radio is good again, and so are its next backups.
    EXPECT_EQ(Cli(data, {"write", "--device", sim.device(), "--in", backups[0], "--yes"}).status, 0);
    EXPECT_EQ(Cli(data, {"write", "--device", sim.device(), "--in", backups[0]}).status, 0);
    const std::vector<std::string> after = Backups(data);
    ASSERT_EQ(after.size(), 4u);
    EXPECT_EQ(std::count_if(after.begin(), after.end(), [](const std::string& b) { return Has(b, "_partial"); }), 2)
        << "the dry run and the write after it found the radio partly written; the last write did not";
    // The listing is oldest first, and the newest backup is the last good one,
    // although it may bear the same second as the partial one.
    const std::string listing = Cli(data, {"backups"}).out;
    const size_t good = listing.rfind("Last good backup: ");
    ASSERT_NE(good, std::string::npos) << listing;
    const size_t path = listing.rfind("  ", good - 1) + 2;
    const std::string newest = listing.substr(path, good - 1 - path);
    EXPECT_EQ(listing.substr(good), "Last good backup: " + newest + "\n") << listing;
}

// Before a write: the radio's own alignment must exist somewhere (a backup
// that cannot be saved stops the write before its first frame, unless
// --no-backup); an image of the other variant or one that cannot be a
// radio's memory is refused unless --force; an image of another unit is
// written, but the change list says so first. A write that fails, or is not
// to be made, says why and leaves the backup of the radio as it was read; the
// radio changes only once a clone write began.
TEST(Restore, AWriteIsMadeOnlyWhenItSuitsTheRadioAndOtherwiseSaysWhyAndKeepsTheBackup)
{
    const std::string start = ReferenceImage({}).image;
    const std::string level = With(start, 0x082, "\xC8");
    const std::string mid = With(start, 0x140, std::string(1, static_cast<char>(start[0x140] | 0x80)));
    // recordSub "" for a bare image; cloneWrite: a clone write begins. Without a data folder no
    // backup is saved.
    struct Case { const char* name; std::string image; std::vector<std::string> simArgs, options;
                  const char* recordSub; bool dataFolderIsAFile; int status; const char* says;
                  bool cloneWrite; };
    const Case cases[] = {
        {"refuse-write", level, {"--fault", "refuse-write"}, {"--yes"}, "0100", false, 1,
         "\nConnected transceiver is not compatible model.\n", false},
        {"write-fails", level, {"--fault", "write-fails"}, {"--yes"}, "0100", false, 1,
         "\nCannot write cloning data.\n", true},
        {"a record of another sub model", level, {"--sub-code", "0101"}, {"--yes"}, "0100", false, 1,
         "This image belongs to a 5314-0100 radio, and the radio connected is 5314-0101. "
         "Nothing was written.", false},
        {"a bare image, a radio that allows no write", level, {"--model-byte", "00"}, {"--yes"}, "", false, 1,
         "Connected transceiver is not compatible model.", false},
        {"without --yes", level, {}, {}, "0100", false, 0, "                POW HI Level:  180 ->  200\n",
         false},
        {"the data folder is a file", level, {}, {"--yes"}, "0100", true, 1,
         "The backup of the radio could not be saved: cannot create the folder", false},
        {"--no-backup", level, {}, {"--yes", "--no-backup"}, "0100", true, 0, "verified", true},
        {"the Mid variant", mid, {}, {"--yes"}, "0100", false, 1,
         "This image is of the Mid variant, and the radio connected is of the standard variant. "
         "Nothing was written.", false},
        {"the Mid variant, forced", mid, {}, {"--yes", "--force"}, "0100", false, 0, "verified", true},
        {"erased", std::string(8160, '\xFF'), {}, {"--yes"}, "0100", false, 1,
         "This image cannot be a radio's memory: every byte is 0xFF. Nothing was written.", false},
        {"zeros", std::string(8160, '\0'), {}, {"--yes"}, "0100", false, 1, "every byte is 0x00", false},
        {"a base frequency beyond 800 MHz", With(start, 0x030, "\x20\x00"), {}, {"--yes"}, "0100", false, 1,
         "its base frequency (bytes 0x030 and 0x031) does not decode", false},
        {"a channel beyond 800 MHz", With(start, 0x160, "\x40\x00\x00\x00"), {}, {"--yes"}, "0100", false, 1,
         "channel 1 holds a frequency beyond 800 MHz", false},
        {"another unit", OtherUnit(start), {}, {"--yes"}, "0100", false, 0,
         "Warning: this image is from another radio: 38 bytes of its channels and alignment differ "
         "from the radio's.", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string file = PutImage(dir, "radio", c.image, c.recordSub);
        std::ofstream(dir.file("afile")) << "not a folder";
        std::vector<std::string> simArgs{"--fast", "--log", dir.file("wire.log")};
        simArgs.insert(simArgs.end(), c.simArgs.begin(), c.simArgs.end());
        SimProcess sim(simArgs);
        std::vector<std::string> args{"write", "--device", sim.device(), "--in", file};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const RunResult r = Cli(dir.file(c.dataFolderIsAFile ? "afile" : "data"), args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_TRUE(Has(r.out + r.err, c.says)) << r.out << r.err;
        EXPECT_EQ(Has(ReadFile(dir.file("wire.log")), " pc FEFEEEEFE3"), c.cloneWrite);
        // A write that failed leaves the radio partly written.
        EXPECT_TRUE((c.cloneWrite && c.status != 0) || sim.image() == (c.cloneWrite ? c.image : start))
            << "the radio as it was, or as the image";
        const std::vector<std::string> backups = Backups(dir.file("data"));
        EXPECT_EQ(backups.size(), c.dataFolderIsAFile ? 0u : 1u) << "the read was backed up all the same";
        EXPECT_TRUE(backups.empty() || ReadFile(backups[0]) == start);
    }
}

namespace {

// The progress bars drawn on the terminal: per phase, its percentages in
// the order they were drawn.
std::map<std::string, std::vector<int>> Bars(const std::string& terminal)
{
    // Each bar is drawn over the last from the line's start: "\rWriting   [ooo.....]  9%".
    static const std::regex bar(R"(\r([A-Za-z]+) +\[[^\]\r\n]*\] *(\d+)%(?=[\r\n]|$))");
    std::map<std::string, std::vector<int>> bars;
    for (std::sregex_iterator m(terminal.begin(), terminal.end(), bar), end; m != end; ++m)
        bars[(*m)[1].str()].push_back(std::stoi((*m)[2].str()));
    return bars;
}

}  // namespace

// Ctrl-C during a write to the paced radio, with the bars on a terminal.
// During the first read or the read-back it stops at once; during the write
// the first one lets the write run to its end and then leaves the read-back
// out, a second one stops at once, after the frame under way. Each case
// says what the radio holds and how to put the backup back, and ends with
// status 130. No bar falls back within its phase, and a phase that went to
// its end shows 100 % last.
TEST(Restore, CtrlCDuringAWriteSaysWhatTheRadioHoldsAndTheWayBack)
{
    enum Radio { Unchanged, Written, PartlyWritten };
    // reads: clone reads requested; atOnce: ends at once after the last Ctrl-C.
    struct Case { const char* name; const char* at; int ctrlCs; const char* says; Radio radio; int reads;
                  bool atOnce; std::vector<std::string> fullBars; };
    const Case cases[] = {
        {"the first read", "Reading   [oo", 1, "Interrupted before anything was written: the radio is unchanged.\n",
         Unchanged, 1, true, {}},
        {"the write, once", "Writing   [oooo", 1,
         "The write goes on to its end so that the radio holds the image whole; Ctrl-C again stops at once.\n",
         Written, 1, false, {"Reading", "Writing"}},
        {"the write, twice", "Writing   [oooo", 2, "The write was interrupted: the radio's memory is partly written, ",
         PartlyWritten, 1, true, {"Reading"}},
        {"the read-back", "Verifying [oo", 1,
         "Interrupted during the read-back: the image was written whole but not verified.\n", Written, 2, true,
         {"Reading", "Writing"}},
    };
    const std::string start = ReferenceImage({}).image;
    // Every frame of the write changes the radio, so that the frames that
    // arrived show in its memory.
    std::string target = start;
    for (size_t a = 15; a < target.size(); a += 16)
        target[a] = static_cast<char>(target[a] ^ 0x01);
    struct Seen { TempDir dir; std::string device; RunResult r; double endAfterCtrlC = 0; std::string radio;
                  std::string wire; };
    std::vector<Seen> seen(std::size(cases));
    // The cases run side by side: each takes most of a minute on the line.
    std::vector<std::thread> runs;
    for (size_t i = 0; i < seen.size(); ++i)
        runs.emplace_back([&, i] {
            const Case& c = cases[i];
            Seen& s = seen[i];
            const std::string file = PutImage(s.dir, "target", target, "0100");
            SimProcess sim({"--log", s.dir.file("wire.log")});
            s.device = sim.device();
            TerminalRun cli({"/usr/bin/env", "XDG_DATA_HOME=" + s.dir.file("data"), BinPath("dorvel-adj-cli"), "write",
                             "--device", sim.device(), "--in", file, "--yes", "--force"});
            auto ctrlCAt = std::chrono::steady_clock::now();
            for (int n = 0; n < c.ctrlCs; ++n) {
                if (!cli.waitForErr(n == 0 ? c.at : "Ctrl-C again stops at once.\n", 120000))
                    break;
                ctrlCAt = std::chrono::steady_clock::now();
                cli.signal(SIGINT);
            }
            s.r = cli.finish(120000);
            s.endAfterCtrlC = std::chrono::duration<double>(std::chrono::steady_clock::now() - ctrlCAt).count();
            s.radio = sim.image();
            s.wire = ReadFile(s.dir.file("wire.log"));
        });
    for (std::thread& t : runs)
        t.join();

    for (size_t i = 0; i < seen.size(); ++i) {
        const Case& c = cases[i];
        const Seen& s = seen[i];
        SCOPED_TRACE(c.name);
        EXPECT_EQ(s.r.status, 130) << s.r.err;
        EXPECT_TRUE(Has(s.r.err, c.says)) << s.r.err;
        // Stopped at once: well before what remained of the transfer (a
        // read takes 21 s on the line).
        EXPECT_TRUE(!c.atOnce || s.endAfterCtrlC < 8.0) << s.endAfterCtrlC << " s\n" << s.r.err;
        EXPECT_EQ(Has(s.wire, " pc FEFEEEEFE3"), c.radio != Unchanged) << "a clone write began";
        const std::vector<std::string> backups = Backups(s.dir.file("data"));
        if (c.radio == Unchanged) {
            EXPECT_TRUE(backups.empty());
        } else {
            ASSERT_EQ(backups.size(), 1u);
            EXPECT_TRUE(Has(s.r.err, "\nBackup of the radio taken before the write: " + backups[0] +
                                         "\nTo put it back: dorvel-adj-cli write --device " + s.device + " --in " +
                                         backups[0] + " --yes\n")) << s.r.err;
        }
        EXPECT_TRUE(c.radio == PartlyWritten || s.radio == (c.radio == Written ? target : start));
        if (c.radio == PartlyWritten) {
            // The frames said to have gone out arrived whole, and no other.
            const size_t n = s.r.err.find(c.says);
            const int sent = n == std::string::npos ? -1 : std::atoi(s.r.err.c_str() + n + std::strlen(c.says));
            ASSERT_TRUE(sent > 0 && sent < 510) << s.r.err;
            EXPECT_TRUE(Has(s.r.err, " of 510 blocks went out.\n")) << s.r.err;
            EXPECT_TRUE(s.radio == target.substr(0, 16 * static_cast<size_t>(sent)) +
                                       start.substr(16 * static_cast<size_t>(sent)))
                << sent << " frames";
        }
        const std::regex cloneRead(" pc FEFEEEEFE2");
        const auto reads = std::distance(std::sregex_iterator(s.wire.begin(), s.wire.end(), cloneRead), {});
        EXPECT_EQ(reads, c.reads) << "clone reads";
        const std::map<std::string, std::vector<int>> bars = Bars(s.r.err);
        for (const auto& [phase, percents] : bars) {
            EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end())) << phase << " fell back";
            const bool full = std::count(c.fullBars.begin(), c.fullBars.end(), phase) > 0;
            EXPECT_EQ(percents.back() == 100, full) << phase << " ends at " << percents.back();
        }
        for (const std::string& phase : c.fullBars)
            EXPECT_EQ(bars.count(phase), 1u) << phase << " drawn";
    }
}
