// The restore of an image file on the whole program with a scripted radio
// and a manual clock: the identity check and the operator's word come before
// any clone write, and only the read-back proves the write.
#include <gtest/gtest.h>

#include "app/ImageRestore.h"
#include "tests/model/ModelBench.h"

namespace {

using Outcome = ImageRestore::Outcome;

size_t framesWith(const FakeSerialPort& port, uint8_t cmd)
{
    size_t n = 0;
    for (const ByteStr& f : port.written)
        n += f.size() > 4 && f[4] == cmd ? 1 : 0;
    return n;
}

}  // namespace

TEST(Restore, WritesOnlyWithTheOperatorsWordToItsOwnRadioAndProvesIt)
{
    struct Case {
        const char* name;
        const char* recordSub;   // the image's record; the radio is 5314-0101
        bool keepsWrites;
        bool write;
        Outcome outcome;
        const char* message;
    };
    const Case cases[] = {
        {"the radio keeps the write", "0101", true, true, Outcome::Verified, "verified"},
        {"the radio says written but keeps nothing", "0101", false, true, Outcome::Mismatch,
         "differs from the image at 2 bytes, the first at address 0x0082"},
        {"the operator says no", "0101", true, false, Outcome::Cancelled, "Nothing was written."},
        {"an image of another sub model", "0100", true, true, Outcome::Refused, "5314-0100 radio"},
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
        ImageRecord record;
        record.mainCode = "5314";
        record.subCode = c.recordSub;

        ImageRestore& r = b.app.restore();
        ASSERT_TRUE(r.start(file, record)) << c.name;
        ASSERT_TRUE(b.runUntil([&] { return !r.busy() || r.phase() == ImageRestore::Phase::Confirming; })) << c.name;
        if (r.phase() == ImageRestore::Phase::Confirming) {
            ASSERT_EQ(r.changes().size(), 2u) << c.name;
            EXPECT_EQ(DifferenceLine(r.changes()[0]), "                POW HI Level:  142 ->   17") << c.name;
            EXPECT_EQ(DifferenceLine(r.changes()[1]), "                   Byte 1000: 00 -> 22") << c.name;
            r.answer(c.write);
            // "Connect" waits while the restore holds the radio.
            b.app.mainWindow().cmd00_Click(0);
            ASSERT_TRUE(b.runUntil([&] { return !r.busy(); })) << c.name;
        }
        EXPECT_EQ(r.outcome(), c.outcome) << c.name;
        EXPECT_NE(r.message().find(c.message), std::string::npos) << c.name << ": " << r.message();
        const bool written = c.outcome == Outcome::Verified || c.outcome == Outcome::Mismatch;
        EXPECT_EQ(framesWith(b.port, 0xE3), written ? 1u : 0u) << c.name;
        EXPECT_TRUE(b.trx.image == (c.outcome == Outcome::Verified ? file : radioBefore)) << c.name;
        EXPECT_TRUE(b.win.msgBox.shown.empty()) << c.name;
        EXPECT_TRUE(b.connect()) << c.name << ": the console works again after a restore";
    }
}
