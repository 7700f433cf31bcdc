// The radio's side of the cloning protocol: echo, model answer, clone read,
// clone write and adjustment commands.
#include <gtest/gtest.h>

#include "sim/SimImage.h"
#include "tests/sim/SimTestUtil.h"

using dsim::Radio;
using namespace simtest;

namespace {

Radio defaultRadio() { return Radio(dsim::builtInImage(false), dsim::Identity{}); }

const Bytes kModelQuery = hex("FE FE EE EF E0 53 14 00 00 FD");
const Bytes kCloneRead = hex("FE FE EE EF E2 53 14 01 00 FD");
const Bytes kWriteStart = hex("FE FE EE EF E3 53 14 01 00 FD");
const Bytes kWriteEnd = hex("FE FE EE EF E5 48 61 6C 76 6F 20 43 6F 2E FD");  // "Halvo Co."

// A clone write frame built by hand; checksumDelta spoils the checksum.
Bytes writeFrame(int address, const Bytes& data, int checksumDelta = 0)
{
    Bytes raw{static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address), static_cast<uint8_t>(data.size())};
    raw.insert(raw.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (uint8_t b : raw) sum += b;
    raw.push_back(static_cast<uint8_t>(0x100 - (sum & 0xFF) + checksumDelta));
    Bytes f = hex("FE FE EE EF E4");
    for (uint8_t b : raw)
        for (uint8_t c : asciiHex(b)) f.push_back(c);
    f.push_back(0xFD);
    return f;
}

}  // namespace

TEST(SimEcho, EveryByteComesBackInOrderIncludingGarbageAndBeforeTheAnswer)
{
    Radio radio = defaultRadio();
    Bytes all;
    for (int i = 0; i < 256; ++i) all.push_back(static_cast<uint8_t>(i));  // stray FE and FD too
    all.insert(all.end(), kModelQuery.begin(), kModelQuery.end());
    Bytes back;
    Events last;
    for (size_t at = 0; at < all.size(); at += 7) {  // in uneven pieces, as a port delivers them
        last = radio.receive(all.data() + at, std::min<size_t>(7, all.size() - at));
        const Bytes e = echoOf(last);
        back.insert(back.end(), e.begin(), e.end());
    }
    EXPECT_EQ(back, all);
    ASSERT_EQ(last.size(), 3u);  // the end of the query: echo, the frame for the log, the answer
    EXPECT_EQ(last[1].kind, dsim::WireEvent::Kind::PcFrame);
    EXPECT_EQ(last[1].bytes, kModelQuery);
    EXPECT_EQ(last[2].kind, dsim::WireEvent::Kind::RadioFrame);
}

TEST(SimModelAnswer, LayoutCountModelByteAndNoDelimitersInside)
{
    Radio radio = defaultRadio();
    const auto frames = radioFramesOf(radio.receive(kModelQuery));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(Bytes(frames[0].begin(), frames[0].begin() + 4), hex("FE FE EF EE"));
    const Bytes b = bodyOf(frames[0]);
    ASSERT_GE(b.size(), 51u);
    EXPECT_EQ(b.size() + 3, frames[0].size());
    EXPECT_EQ(Bytes(b.begin() + 2, b.begin() + 7), hex("E1 53 14 01 00"));  // body bytes 3..7
    EXPECT_EQ(b[7], b.size() - 7);                                           // byte 8: count
    EXPECT_EQ(b[42], 0x01);                                                  // byte 43: model byte
    for (size_t i = 3; i < b.size(); ++i) EXPECT_TRUE(b[i] != 0xFE && b[i] != 0xFD) << "body byte " << i + 1;
}

TEST(SimModelAnswer, AnyAskedCodeIsAnsweredButOnlyAWellFormedQuery)
{
    Radio radio = defaultRadio();
    EXPECT_EQ(radioFramesOf(radio.receive(hex("FE FE EE EF E0 12 34 00 00 FD"))).size(), 1u);
    for (const char* f : {"FE FE EE EF E0 53 14 00 FD", "FE FE EE EF E0 53 14 00 01 FD",
                          "FE FE EF EE E0 53 14 00 00 FD"})  // short, non-zero tail, addressed the other way
        EXPECT_TRUE(radioFramesOf(radio.receive(hex(f))).empty()) << f;
}

TEST(SimModelAnswer, IdentityOptionsShowAndRequestsMustCarryThem)
{
    dsim::Identity id;
    id.mainCode[0] = 0x12;
    id.mainCode[1] = 0x34;
    id.subCode[0] = 0x00;
    id.subCode[1] = 0x99;
    id.modelByte = 0x02;
    Radio radio(dsim::builtInImage(false), id);
    const Bytes b = bodyOf(radioFramesOf(radio.receive(kModelQuery)).at(0));
    EXPECT_EQ(Bytes(b.begin() + 3, b.begin() + 7), hex("12 34 00 99"));
    EXPECT_EQ(b[42], 0x02);
    EXPECT_TRUE(radioFramesOf(radio.receive(kCloneRead)).empty());
    EXPECT_EQ(readAd(radio, 0x00), -1);
    EXPECT_EQ(radioFramesOf(radio.receive(hex("FE FE EE EF E2 12 34 00 99 FD"))).size(), 256u);
    EXPECT_EQ(radioFramesOf(radio.receive(pcAdjust(0x03, 0x00, "12340099"))).size(), 1u);
}

TEST(SimCloneRead, StreamDecodesToTheImageWithGoodChecksumsAndCount)
{
    Radio radio = defaultRadio();
    radio.receive(pcAdjust(0x09, 0x5B));  // a live setting shows in the image
    const auto frames = radioFramesOf(radio.receive(kCloneRead));
    const CloneRead r = decodeCloneRead(frames);
    ASSERT_EQ(r.addresses.size(), 255u);
    int next = 0;
    for (size_t i = 0; i < r.addresses.size(); ++i) {
        EXPECT_EQ(r.addresses[i], next) << "frame " << i;
        EXPECT_TRUE(r.checksumOk[i]) << "frame " << i;
        EXPECT_LE(r.bodyLengths[i], 256u);
        next += r.lengths[i];
    }
    EXPECT_EQ(next, 8160);
    Bytes expected = dsim::builtInImage(false);
    expected[0x082] = 0x5B;
    EXPECT_EQ(r.image, expected);
    EXPECT_EQ(r.endName, "Halvo Co.");
    EXPECT_EQ(r.endCount, 255);
    EXPECT_EQ(bodyOf(frames.back())[2], 0xE5);  // the end frame comes last
}

TEST(SimCloneWrite, FramesAreStoredAndConfirmed)
{
    Radio radio = defaultRadio();
    const Bytes data = hex("11 22 33 44 55 66 77 88 99 AA BB CC DD EE FE FD");
    for (const Bytes& f : {kWriteStart, writeFrame(0x1000, data), writeFrame(0x1FD0, data)})
        EXPECT_TRUE(radioFramesOf(radio.receive(f)).empty());
    const auto frames = radioFramesOf(radio.receive(kWriteEnd));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(bodyOf(frames[0]), hex("EF EE E6 00"));
    EXPECT_FALSE(radio.cloneWriting());
    EXPECT_EQ(Bytes(radio.image().begin() + 0x1000, radio.image().begin() + 0x1010), data);
    EXPECT_EQ(Bytes(radio.image().begin() + 0x1FD0, radio.image().end()), data);  // the last 16 bytes
}

TEST(SimCloneWrite, ABadFrameIsReportedAtTheEndAndGoodOnesAreKept)
{
    const Bytes data(16, 0x5A);
    Bytes notHex = writeFrame(0x0200, data);
    notHex[8] = 'Z';
    Bytes shortData = writeFrame(0x0200, data);
    shortData.erase(shortData.end() - 5, shortData.end() - 3);  // one data byte fewer than the length says
    for (const Bytes& bad : {writeFrame(0x0200, data, 1), writeFrame(0x1FD8, data), notHex, shortData}) {
        Radio radio = defaultRadio();
        for (const Bytes& f : {kWriteStart, bad, writeFrame(0x0300, data)}) radio.receive(f);
        const auto frames = radioFramesOf(radio.receive(kWriteEnd));
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(bodyOf(frames[0]), hex("EF EE E6 01"));
        EXPECT_EQ(radio.image()[0x0300], 0x5A);
    }
}

TEST(SimCloneWrite, NothingIsWrittenOutsideAWriteOrAfterTheLineDropped)
{
    Radio radio = defaultRadio();
    const Bytes before = radio.image();
    EXPECT_TRUE(radioFramesOf(radio.receive(writeFrame(0x0200, Bytes(16, 0x00)))).empty());
    EXPECT_TRUE(radioFramesOf(radio.receive(kWriteEnd)).empty());
    radio.receive(kWriteStart);
    radio.lineDropped();
    EXPECT_FALSE(radio.cloneWriting());
    EXPECT_TRUE(radioFramesOf(radio.receive(kWriteEnd)).empty());
    EXPECT_EQ(radio.image(), before);
}

TEST(SimAdjust, SettingCommandsStoreTheirEepromByteWithoutAnswer)
{
    const std::pair<uint8_t, int> rows[] = {
        {0x05, 0x087}, {0x06, 0x03C}, {0x07, 0x03D}, {0x08, 0x113}, {0x09, 0x082}, {0x0A, 0x081},
        {0x0B, 0x080}, {0x0C, 0x042}, {0x0D, 0x049}, {0x0E, 0x050}, {0x0F, 0x033}, {0x10, 0x043},
        {0x11, 0x04A}, {0x12, 0x051}, {0x13, 0x034}, {0x14, 0x035}, {0x15, 0x083}, {0x16, 0x084},
    };
    for (const auto& [sub, address] : rows) {
        Radio radio = defaultRadio();
        Bytes expected = radio.image();
        expected[address] ^= 0xA5;
        EXPECT_TRUE(radioFramesOf(radio.receive(pcAdjust(sub, expected[address]))).empty());
        EXPECT_EQ(radio.image(), expected) << "sub-command " << std::hex << int(sub);
    }
    Radio radio = defaultRadio();
    radio.receive(hex("FE FE EE EF E8 53 14 01 00 05 61 62 FD"));  // lower-case "ab"
    EXPECT_EQ(radio.image()[0x087], 0xAB);
    // Channel select and adjust mode are live state only.
    const Bytes before = radio.image();
    radio.receive(pcAdjust(0x00, 6));
    radio.receive(pcAdjust(0x02, 1));
    EXPECT_EQ(radio.channel(), 6);
    EXPECT_EQ(radio.adjustMode(), 1);
    EXPECT_EQ(radio.image(), before);
}

TEST(SimAdjust, MalformedOrForeignCommandsAreEchoedAndChangeNothing)
{
    for (const char* f : {
             "FE FE EE EF E8 53 14 01 00 09 38 FD",        // value of one character
             "FE FE EE EF E8 53 14 01 00 09 38 30 30 FD",  // three characters
             "FE FE EE EF E8 53 14 01 00 09 38 47 FD",     // G is no digit
             "FE FE EE EF E8 53 14 01 01 09 38 30 FD",     // another sub model
             "FE FE EE EF E8 99 99 01 00 09 38 30 FD",     // another model
             "FE FE EE EF E8 53 14 01 00 7F 38 30 FD",     // unknown sub-command
         }) {
        Radio radio = defaultRadio();
        const Bytes before = radio.image();
        const auto events = radio.receive(hex(f));
        EXPECT_TRUE(radioFramesOf(events).empty()) << f;
        EXPECT_EQ(echoOf(events), hex(f));
        EXPECT_EQ(radio.image(), before) << f;
    }
}

TEST(SimAdjust, AdAnswerCarriesCodesSubCommandAndTwoHexCharacters)
{
    Radio radio = defaultRadio();
    const auto frames = radioFramesOf(radio.receive(pcAdjust(0x03, 0x00)));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], hex("FE FE EF EE E8 53 14 01 00 03 42 44 FD"));  // VIN 189 = "BD"
}
