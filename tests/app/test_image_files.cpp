// Image files, their records and the backups folder, on real files; the
// restore of an image on the whole program with a scripted radio and a
// manual clock, where the read-back, not the radio's word, proves the write.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "app/BackupStore.h"
#include "app/ImageFile.h"
#include "app/ImageRestore.h"
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
    EXPECT_EQ(RecordText(back), RecordText(sampleRecord()));
    EXPECT_EQ(back.adapter, "ftdi_sio, latency timer 1 ms, low latency set") << "the bench's adapter is kept";

    for (const char* bad : {"", "Main model code: 5314\n", "Main model code: 5314\nSub model code: 01\n",
                            "Main model code: 53x4\nSub model code: 0100\n"}) {
        EXPECT_FALSE(ParseRecord(bad, back, reason)) << bad;
        EXPECT_FALSE(reason.empty());
    }

    const std::pair<const char*, const char*> paths[] = {
        {"/b/5314-0100_2026-12-05T14-03-22.bin", "/b/5314-0100_2026-12-05T14-03-22.txt"},
        {"radio", "radio.txt"},
        {"old.v2/radio", "old.v2/radio.txt"},
        {"notes.txt", "notes.txt.txt"},
        {".hidden", ".hidden.txt"},
    };
    for (const auto& [image, record] : paths)
        EXPECT_EQ(RecordPathFor(image), record) << image;
}

TEST(ImageFiles, BackupsAreNamedByModelAndTimeAndNeverReplaced)
{
    TempDir dir;
    const std::string folder = dir.file("data/dorvel-adj/backups");
    FileBackupStore store(folder, sampleTime);
    const ByteStr first(8160, 0x11);
    const ByteStr second(8160, 0x22);
    std::string a, b;
    ASSERT_TRUE(store.save(first, sampleRecord(), a)) << a;
    ASSERT_TRUE(store.save(second, sampleRecord(), b)) << b;
    const std::string name = folder + "/5314-0100_2026-12-05T14-03-22";
    EXPECT_EQ(FilesIn(folder), (std::vector<std::string>{name + ".bin", name + ".txt", name + "_2.bin", name + "_2.txt"}));
    ByteStr image;
    std::optional<ImageRecord> record;
    std::string reason;
    ASSERT_TRUE(LoadImageAndRecord(b, image, record, reason)) << reason;
    EXPECT_EQ(image, second);
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->subCode, "0100");
    ASSERT_TRUE(LoadImageAndRecord(a, image, record, reason)) << reason;
    EXPECT_EQ(image, first) << "the first backup is untouched";
}

TEST(ImageFiles, AFailedOrKilledWriteLeavesNoBackup)
{
    struct Case {
        const char* name;
        bool killed;   // SIGXFSZ ends the writer, or the write fails like a full disk
    };
    for (const Case& c : {Case{"disk full", false}, Case{"writer killed", true}}) {
        TempDir dir;
        const std::string folder = dir.file("backups");
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            // The image does not fit below this file size limit.
            rlimit limit{4096, 4096};
            setrlimit(RLIMIT_FSIZE, &limit);
            signal(SIGXFSZ, c.killed ? SIG_DFL : SIG_IGN);
            FileBackupStore store(folder, sampleTime);
            std::string result;
            _exit(store.save(ByteStr(8160, 0x33), sampleRecord(), result) ? 0 : 3);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        if (c.killed)
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << c.name;
        else
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3) << c.name << ": save reports the failure";
        EXPECT_TRUE(FilesIn(folder).empty()) << c.name;
    }
}

TEST(Restore, OnlyTheReadBackProvesTheWrite)
{
    using Outcome = ImageRestore::Outcome;
    struct Case { const char* name; bool keepsWrites; Outcome outcome; const char* message; };
    const Case cases[] = {
        {"the radio keeps the write", true, Outcome::Verified, "verified"},
        {"the radio says written but keeps nothing", false, Outcome::Mismatch,
         "differs from the image at 2 bytes, the first at address 0x0082"},
    };
    for (const Case& c : cases) {
        ModelBench b;
        for (size_t a = 0; a < b.trx.image.size(); ++a)
            b.trx.image[a] = static_cast<uint8_t>(a * 7);
        b.trx.keepsWrites = c.keepsWrites;
        ASSERT_TRUE(b.connect()) << c.name;
        ByteStr file = b.trx.image;
        file[0x082] = 0x11;    // " Power(Hi)"
        file[0x1000] = 0x22;   // beyond the listing and the channels
        const ByteStr radioBefore = b.trx.image;

        ImageRestore& r = b.app.restore();
        ASSERT_TRUE(r.start(file, ImageRecord{"5314", "0101", "", "", ""})) << c.name;
        ASSERT_TRUE(b.runUntil([&] { return r.phase() == ImageRestore::Phase::Confirming; })) << c.name;
        ASSERT_EQ(r.changes().size(), 2u) << c.name;
        EXPECT_EQ(DifferenceLine(r.changes()[0]), "                POW HI Level:  142 ->   17") << c.name;
        EXPECT_EQ(DifferenceLine(r.changes()[1]), "                   Byte 1000: 00 -> 22") << c.name;
        r.answer(true);
        // "Connect" waits while the restore holds the radio.
        b.app.mainWindow().cmd00_Click(0);
        ASSERT_TRUE(b.runUntil([&] { return !r.busy(); })) << c.name;
        EXPECT_EQ(r.outcome(), c.outcome) << c.name;
        EXPECT_NE(r.message().find(c.message), std::string::npos) << c.name << ": " << r.message();
        EXPECT_TRUE(b.trx.image == (c.keepsWrites ? file : radioBefore)) << c.name;
        EXPECT_TRUE(b.connect()) << c.name << ": the console works again after a restore";
    }
}
