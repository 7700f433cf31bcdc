// Image files, their records and the backups folder, on real files; the
// restore of an image on the whole program with a scripted radio and a
// manual clock, where the read-back, not the radio's word, proves the write.
#include <signal.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/AtomicFile.h"
#include "records/BackupStore.h"
#include "records/ImageFile.h"
#include "records/ImageRestore.h"
#include "tests/integration/Processes.h"
#include "tests/model/ModelBench.h"

namespace {

ImageRecord sampleRecord()
{
    return {"5314", "0100", "2026-12-05T14:03:22+01:00", "COM 1 (/dev/ttyUSB0)", "                POW HI Level:  180\n",
            "ftdi_sio, latency timer 1 ms, low latency set"};
}

// 2026-12-05 14:03:22 in the local time zone.
std::time_t sampleTime()
{
    std::tm tm{22, 3, 14, 5, 11, 126, 0, 0, -1, 0, nullptr};
    return std::mktime(&tm);
}

}  // namespace

TEST(ImageFiles, RecordsReadBackAndBadOnesAreRefused)
{
    ImageRecord back;
    std::string reason;
    ASSERT_TRUE(ParseRecord(RecordText(sampleRecord()), back, reason)) << reason;
    EXPECT_EQ(RecordText(back), RecordText(sampleRecord())) << "every field kept, the bench's adapter too";

    for (const char* bad : {"", "Main model code: 5314\n", "Main model code: 5314\nSub model code: 01\n",
                            "Main model code: 53x4\nSub model code: 0100\n"}) {
        EXPECT_FALSE(ParseRecord(bad, back, reason)) << bad;
        EXPECT_FALSE(reason.empty());
    }

    const std::pair<const char*, const char*> paths[] = {
        {"/b/5314-0100_2026-12-05T14-03-22.bin", "/b/5314-0100_2026-12-05T14-03-22.txt"}, {"radio", "radio.txt"},
        {"old.v2/radio", "old.v2/radio.txt"}, {"notes.txt", "notes.txt.txt"}, {".hidden", ".hidden.txt"}};
    for (const auto& [image, record] : paths)
        EXPECT_EQ(RecordPathFor(image), record) << image;
}

// A lone record (the operator's notes under a backup's name) and a lone
// image (left by a crash of an older version) keep their names untouched.
TEST(ImageFiles, BackupsAreNamedByModelAndTimeAndNeverReplaced)
{
    TempDir dir;
    const std::string folder = dir.file("data/dorvel-adj/backups");
    const std::string name = folder + "/5314-0100_2026-12-05T14-03-22";
    ASSERT_EQ(MakeFolders(folder), 0);
    std::ofstream(name + ".txt") << "notes";
    std::ofstream(name + "_3.bin") << "a lone image";
    FileBackupStore store(folder, sampleTime);
    const ByteStr first(8160, 0x11);
    const ByteStr second(8160, 0x22);
    std::string a, b;
    ASSERT_TRUE(store.save(first, sampleRecord(), a)) << a;
    ASSERT_TRUE(store.save(second, sampleRecord(), b)) << b;
    EXPECT_EQ(FilesIn(folder), (std::vector<std::string>{name + ".txt", name + "_2.bin", name + "_2.txt",
                                                         name + "_3.bin", name + "_4.bin", name + "_4.txt"}));
    EXPECT_EQ(ReadFile(name + ".txt"), "notes");
    EXPECT_EQ(ReadFile(name + "_3.bin"), "a lone image");
    ByteStr image;
    std::optional<ImageRecord> record;
    std::string reason;
    for (const auto& [path, saved] : {std::pair{a, first}, {b, second}}) {
        ASSERT_TRUE(LoadImageAndRecord(path, image, record, reason)) << reason;
        EXPECT_EQ(image, saved) << path << ": each backup holds its own image, the first one untouched";
        EXPECT_EQ(record ? record->subCode : std::string(), "0100") << path;
    }
}

// Each start of the store removes the temporary files that its own killed
// writes left (a minute old and more), and nothing else.
TEST(ImageFiles, AStartOfTheStoreRemovesOnlyItsOwnStaleTemporaryFiles)
{
    TempDir dir;
    const std::string folder = dir.file("backups");
    ASSERT_EQ(MakeFolders(folder + "/.5314-0100_2026-12-05T14-03-22.bin.Zz9Zz9"), 0);
    const std::string stem = ".5314-0100_2026-12-05T14-03-22";
    struct Case { std::string name; int age; bool removed; };
    const Case cases[] = {
        {stem + ".bin.Ab12Cd", 61, true},
        {stem + "_2.txt.x1Y2z3", 3600, true},
        {stem + ".bin.Ab12Ce", 50, false},          // another copy may be writing it
        {".notes.txt.Ab12Cd", 3600, false},          // not a backup's
        {stem + ".bin.Ab12C", 3600, false},          // not the temporary files' pattern
        {stem + ".bin.Ab1-Cd", 3600, false},
        {stem.substr(1) + ".bin", 3600, false},      // a backup
        {stem + ".bin.Zz9Zz9", 3600, false},         // a folder
    };
    for (const Case& c : cases) {
        const std::string path = folder + "/" + c.name;
        std::ofstream(path, std::ios::app) << "x";
        const timeval old[2] = {{std::time(nullptr) - c.age, 0}, {std::time(nullptr) - c.age, 0}};
        ASSERT_EQ(::utimes(path.c_str(), old), 0) << c.name;
    }
    FileBackupStore store(folder, sampleTime);
    for (const Case& c : cases)
        EXPECT_EQ(FileExists(folder + "/" + c.name), !c.removed) << c.name;
}

// Whatever stops a backup, an image in the folder has its record: the record
// is placed first and taken back when the image fails. The temporary files
// of a killed writer go at the next start of the store.
TEST(ImageFiles, AFailedOrKilledWriteLeavesNoImageWithoutItsRecord)
{
    // killed: SIGXFSZ ends the writer, else the write fails like a full disk; limit: the file size limit;
    // listing: the record's size.
    struct Case { const char* name; bool killed; rlim_t limit; size_t listing; };
    const Case cases[] = {
        {"image beyond a full disk", false, 4096, 100},   {"writer killed in the image", true, 4096, 100},
        {"record beyond a full disk", false, 8192, 9000}, {"writer killed in the record", true, 8192, 9000},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string folder = dir.file("backups");
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            rlimit limit{c.limit, c.limit};
            setrlimit(RLIMIT_FSIZE, &limit);
            signal(SIGXFSZ, c.killed ? SIG_DFL : SIG_IGN);
            FileBackupStore store(folder, sampleTime);
            ImageRecord record = sampleRecord();
            record.listing = std::string(c.listing, 'L');
            std::string result;
            _exit(store.save(ByteStr(8160, 0x33), record, result) ? 0 : 3);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        if (c.killed)
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << c.name;
        else
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3) << c.name << ": save reports the failure";
        for (const std::string& image : FilesIn(folder, ".bin"))
            EXPECT_TRUE(FileExists(RecordPathFor(image))) << c.name << ": " << image << " has no record";
        EXPECT_TRUE(c.killed || FilesIn(folder).empty()) << c.name;
        // A minute later the program starts again.
        for (const auto& e : std::filesystem::directory_iterator(folder)) {
            const timeval old[2] = {{std::time(nullptr) - 120, 0}, {std::time(nullptr) - 120, 0}};
            ::utimes(e.path().c_str(), old);
        }
        FileBackupStore again(folder, sampleTime);
        for (const auto& e : std::filesystem::directory_iterator(folder))
            EXPECT_NE(e.path().filename().string()[0], '.') << c.name << ": " << e.path();
    }
}

// The radio answers a clone write "written" whether it keeps it or not: only
// the read-back proves the write. A radio that falls silent in any phase is
// told with what it holds.
TEST(Restore, OnlyTheReadBackProvesTheWriteAndABreakSaysWhatTheRadioHolds)
{
    using Phase = ImageRestore::Phase;
    using Outcome = ImageRestore::Outcome;
    // pulledIn: the phase in which the radio falls silent (Idle: never); says: part of the message, or how the
    // interruption's text begins.
    struct Case { const char* name; bool keepsWrites; Phase pulledIn; Outcome outcome; const char* says; };
    const Case cases[] = {
        {"the radio keeps the write", true, Phase::Idle, Outcome::Verified, "verified"},
        {"the radio says written but keeps nothing", false, Phase::Idle, Outcome::Mismatch,
         "differs from the image at 2 bytes, the first at address 0x0082"},
        {"the first read", true, Phase::Reading, Outcome::Failed,
         "The link broke before anything was written: the radio is unchanged."},
        {"the write", true, Phase::Writing, Outcome::Failed,
         "The link broke during the write: the radio's memory is partly written, "},
        {"the read-back", true, Phase::Verifying, Outcome::Failed,
         "The link broke during the read-back: the image was written whole but not verified."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModelBench b;
        for (size_t a = 0; a < b.trx.image.size(); ++a)
            b.trx.image[a] = static_cast<uint8_t>(a * 7);
        b.trx.keepsWrites = c.keepsWrites;
        ASSERT_TRUE(b.connect());
        b.bytesPerTick = 48;   // the radio's stream arrives as over the line
        ByteStr file = b.trx.image;
        file[0x082] = 0x11;    // " Power(Hi)"
        file[0x1000] = 0x22;   // beyond the listing and the channels
        const ByteStr radioBefore = b.trx.image;

        ImageRestore& r = b.app.restore();
        // The bench keeps no backups, and its patterned memory is no real radio's.
        RestoreOptions anyway;
        anyway.withoutBackup = anyway.anyImage = true;
        ASSERT_TRUE(r.start(file, ImageRecord{"5314", "0101", "", "", ""}, anyway));
        if (c.pulledIn != Phase::Reading) {
            ASSERT_TRUE(b.runUntil([&] { return r.phase() == Phase::Confirming; }));
            ASSERT_EQ(r.changes().size(), 2u);
            EXPECT_EQ(DifferenceLine(r.changes()[0]), "                POW HI Level:  142 ->   17");
            EXPECT_EQ(DifferenceLine(r.changes()[1]), "                   Byte 1000: 00 -> 22");
            r.answer(true);
        }
        if (c.pulledIn == Phase::Idle)
            b.app.mainWindow().cmd00_Click(0);   // "Connect" waits while the restore holds the radio
        // The write's progress only grows, up to full when the last frame is out.
        int writing = 0;
        bool fell = false;
        ASSERT_TRUE(b.runUntil([&] {
            if (r.phase() == Phase::Writing) {
                fell = fell || r.progressCells() < writing;
                writing = r.progressCells();
            }
            if (c.pulledIn != Phase::Idle && r.phase() == c.pulledIn && b.app.seq().driver().lastEeAdr() > 2000) {
                b.trx.pulled = true;   // what was still on its way is lost with the rest
                b.held.clear();
            }
            return !r.busy();
        }));
        EXPECT_EQ(r.outcome(), c.outcome);
        if (c.outcome == Outcome::Failed) {
            EXPECT_EQ(r.interruption().rfind(c.says, 0), 0u) << r.interruption();
            EXPECT_TRUE(Has(b.win.msgBox.shown.back().detail, c.says));
            continue;
        }
        EXPECT_FALSE(fell);
        EXPECT_EQ(writing, 32);
        EXPECT_TRUE(Has(r.message(), c.says)) << r.message();
        EXPECT_TRUE(b.trx.image == (c.keepsWrites ? file : radioBefore));
        EXPECT_TRUE(b.connect()) << "the console works again after a restore";
    }
}
