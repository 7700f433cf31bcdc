// The restore of an image file on the whole program with a scripted radio
// and a manual clock: the read-back, not the radio's word, proves the write.
#include <gtest/gtest.h>

#include "app/ImageRestore.h"
#include "tests/model/ModelBench.h"

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
