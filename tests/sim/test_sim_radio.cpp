// The radio as a byte machine: echo, model answer, clone read and write,
// adjustment commands and the A/D readings the adjustment sequences rely on.
// The PC's side is encoded with the program's codec and decoded here,
// independently of the simulator's own codec.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <tuple>

#include "sim/SimImage.h"
#include "sim/SimRadio.h"
#include "link/Common.h"
#include "tests/support/ScriptedRadio.h"

using dsim::Bytes;
using dsim::Radio;
using Kind = dsim::WireEvent::Kind;

namespace {

constexpr uint8_t kSd = 0x04, kLvin = 0x05;   // A/D codes of the detector and level voltages

// The value of two upper-case hex characters, -1 when they are not that.
int pairValue(uint8_t hi, uint8_t lo)
{
    const std::string digits = "0123456789ABCDEF";
    const size_t h = digits.find(static_cast<char>(hi)), l = digits.find(static_cast<char>(lo));
    return h == std::string::npos || l == std::string::npos ? -1 : static_cast<int>(h * 16 + l);
}

Bytes adjustFrame(uint8_t sub, int value)
{
    return pcFrame(cat(bytes("E8 53 14 01 00"), cat({sub}, StrToByteStr(ByteToHex2(static_cast<int16_t>(value))))));
}

// A clone write's data frame: the radio's clone data frame under the PC's head.
Bytes writeFrame(int address, const Bytes& data, bool badChecksum = false)
{
    const Bytes f = CloneDataFrame(address, data, badChecksum ? 1 : 0);
    return pcFrame(Bytes(f.begin() + 4, f.end() - 1));
}

Radio builtIn(bool mid = false) { return Radio(dsim::builtInImage(mid), dsim::Identity{}); }

std::vector<Bytes> answers(Radio& radio, const Bytes& bytes)
{
    std::vector<Bytes> frames;
    for (const auto& e : radio.receive(bytes))
        if (e.kind == Kind::RadioFrame) frames.push_back(e.bytes);
    return frames;
}

// An A/D request; the reading from a well-formed answer, else -1.
int readAd(Radio& radio, uint8_t code)
{
    const auto frames = answers(radio, adjustFrame(0x03, code));
    if (frames.size() != 1 || frames[0].size() != 13 || frames[0][12] != 0xFD ||
        Bytes(frames[0].begin(), frames[0].begin() + 10) != bytes("FE FE EF EE E8 53 14 01 00 03"))
        return -1;
    return pairValue(frames[0][10], frames[0][11]);
}

int readAfter(Radio& radio, uint8_t sub, int value, uint8_t code)
{
    radio.receive(adjustFrame(sub, value));
    return readAd(radio, code);
}

}  // namespace

TEST(SimRadio, EchoesEveryByteInOrderAndAnswersAfterTheEcho)
{
    Radio radio = builtIn();
    Bytes all;
    for (int i = 0; i < 256; ++i) all.push_back(static_cast<uint8_t>(i));  // stray FE and FD too
    all = cat(all, bytes("FE FE EE EF E0 53 14 00 00 FD"));  // the model query
    Bytes echo;
    std::vector<dsim::WireEvent> last;
    for (size_t at = 0; at < all.size(); at += 7) {  // in uneven pieces, as a port delivers them
        last = radio.receive(all.data() + at, std::min<size_t>(7, all.size() - at));
        for (const auto& e : last)
            if (e.kind == Kind::PcBytes && e.echoed) echo.insert(echo.end(), e.bytes.begin(), e.bytes.end());
    }
    EXPECT_EQ(echo, all);
    ASSERT_EQ(last.size(), 3u);  // the query's end: echo, the frame for the log, the answer
    EXPECT_EQ(last[1].kind, Kind::PcFrame);
    EXPECT_EQ(last[2].kind, Kind::RadioFrame);
}

TEST(SimRadio, CloneReadStreamCarriesTheLiveImageFrameByFrame)
{
    Radio radio = builtIn();
    radio.receive(adjustFrame(0x09, 0x5B));  // a live setting shows in the stream
    const auto frames = answers(radio, bytes("FE FE EE EF E2 53 14 01 00 FD"));
    ASSERT_EQ(frames.size(), 256u);
    Bytes expected = dsim::builtInImage(false);
    expected[0x082] = 0x5B;
    // Address, length, 32 data bytes and the checksum, as ASCII hexadecimal.
    for (size_t i = 0; i + 1 < frames.size(); ++i)
        ASSERT_EQ(frames[i], CloneDataFrame(static_cast<int>(32 * i), Bytes(&expected[32 * i], &expected[32 * i] + 32)))
            << "frame " << i;
    EXPECT_EQ(frames.back(), RadioFrame(0xE5, StrToByteStr("Halvo Co.FF")));  // 255 frames
}

TEST(SimRadio, CloneWriteStoresGoodFramesAndReportsBadOnesAtTheEnd)
{
    const Bytes data = bytes("11 22 33 44 55 66 77 88 99 AA BB CC DD EE FE FD");
    struct Case { const char* what; Bytes frame; int storedAt; uint8_t result; };  // storedAt -1: refused
    const Case cases[] = {
        {"the last block", writeFrame(0x1FD0, data), 0x1FD0, 0x00},
        {"bad checksum", writeFrame(0x0200, data, true), -1, 0x01},
        {"block beyond the image", writeFrame(0x1FD8, data), -1, 0x01},
    };
    for (const Case& c : cases) {
        Radio radio = builtIn();
        Bytes expected = radio.image();
        std::copy(data.begin(), data.end(), expected.begin() + 0x1000);  // a good frame is kept in any case
        if (c.storedAt >= 0) std::copy(data.begin(), data.end(), expected.begin() + c.storedAt);
        for (const Bytes& f : {bytes("FE FE EE EF E3 53 14 01 00 FD"), writeFrame(0x1000, data), c.frame})
            EXPECT_TRUE(answers(radio, f).empty()) << c.what;
        EXPECT_EQ(answers(radio, pcFrame(cat({0xE5}, StrToByteStr("Halvo Co.")))),
                  std::vector<Bytes>{RadioFrame(0xE6, {c.result})}) << c.what;
        EXPECT_EQ(radio.image(), expected) << c.what;
    }
}

TEST(SimRadio, AdjustmentCommandsSetTheLiveStateAndItsEepromByte)
{
    struct Row { uint8_t sub; int address; int adCode; bool mid; };  // adCode: the A/D channel reading it, or -1
    const Row rows[] = {
        {0x05, 0x087, 0x0C, false}, {0x06, 0x03C, 0x13, false}, {0x07, 0x03D, 0x12, false}, {0x08, 0x113, 0x0F, false},
        {0x09, 0x082, -1, false},   {0x0A, 0x081, -1, false},   {0x0B, 0x080, -1, false},   {0x0C, 0x042, 0x0E, false},
        {0x0D, 0x049, -1, false},   {0x0E, 0x050, 0x0E, true},  {0x0F, 0x033, 0x0B, false}, {0x10, 0x043, 0x0D, false},
        {0x11, 0x04A, -1, false},   {0x12, 0x051, 0x0D, true},  {0x13, 0x034, 0x10, false}, {0x14, 0x035, 0x11, false},
        {0x15, 0x083, -1, false},   {0x16, 0x084, -1, false},
    };
    for (const Row& row : rows) {
        Radio radio = builtIn(row.mid);
        Bytes expected = radio.image();
        expected[row.address] ^= 0xA5;
        EXPECT_TRUE(answers(radio, adjustFrame(row.sub, expected[row.address])).empty());
        EXPECT_EQ(radio.image(), expected) << "sub-command " << ByteToHex2(row.sub);
        if (row.adCode >= 0) {
            EXPECT_EQ(readAd(radio, static_cast<uint8_t>(row.adCode)), expected[row.address]) << ByteToHex2(row.sub);
        }
    }
    Radio radio = builtIn();
    const Bytes before = radio.image();
    radio.receive(adjustFrame(0x00, 6));  // channel select and adjust mode are live state only
    radio.receive(adjustFrame(0x02, 1));
    EXPECT_EQ(radio.channel(), 6);
    EXPECT_EQ(radio.adjustMode(), 1);
    for (const char* bad : {"E8 53 14 01 00 09 38 FD", "E8 53 14 01 00 09 38 47 FD", "E8 53 14 01 01 09 38 30 FD"})
        radio.receive(bytes(std::string("FE FE EE EF ") + bad));  // one character, not hex, another sub model
    EXPECT_EQ(radio.image(), before);
}

TEST(SimRadio, ReadingsAtKnownPointsOfTheModel)
{
    struct Point { int t1, t2, rx, tx, signal; uint8_t code; int reading; };
    const Point points[] = {
        // The built-in settings: battery, thermistor, detector, level, a channel without a source.
        {120, 112, 112, 128, 100, 0x00, 189}, {120, 112, 112, 128, 100, 0x03, 173},
        {120, 112, 112, 128, 100, kSd, 61},   {120, 112, 112, 128, 100, kLvin, 74},
        {120, 112, 112, 128, 100, 0x01, 0},
        // Detector: both peaks, one step off the top, 39 and 40 steps away, the signal scaling and saturating.
        {37, 86, 0, 0, 100, kSd, 240},  {41, 86, 0, 0, 100, kSd, 237},  {76, 86, 0, 0, 100, kSd, 132},
        {77, 86, 0, 0, 100, kSd, 130},  {37, 86, 0, 0, 50, kSd, 120},   {37, 86, 0, 0, 106, kSd, 254},
        {37, 86, 0, 0, 107, kSd, 255},  {37, 86, 0, 0, 0, kSd, 0},
        // Level: both ends of RX LVA with TX at 128, the extremes, the stored targets' settling points.
        {0, 0, 0, 128, 100, kLvin, 32},   {0, 0, 255, 128, 100, kLvin, 127}, {0, 0, 255, 0, 100, kLvin, 159},
        {0, 0, 0, 255, 100, kLvin, 1},    {0, 0, 160, 128, 100, kLvin, 92},  {0, 0, 112, 136, 100, kLvin, 72},
    };
    for (const Point& p : points) {
        Radio radio = builtIn();
        for (const auto& [sub, value] : {std::pair{0x13, p.t1}, {0x14, p.t2}, {0x06, p.rx}, {0x07, p.tx}})
            radio.receive(adjustFrame(static_cast<uint8_t>(sub), value));
        radio.setSignal(p.signal);
        EXPECT_EQ(readAd(radio, p.code), p.reading)
            << "T1 " << p.t1 << " T2 " << p.t2 << " RX " << p.rx << " TX " << p.tx << " s " << p.signal;
    }
}

TEST(SimRadio, DetectorHasAFlatTopOfSevenAtEachFilterCentre)
{
    for (const auto& [sub, otherSub, other, first] : {std::tuple{0x13, 0x14, 86, 34}, {0x14, 0x13, 37, 83}}) {
        Radio radio = builtIn();
        radio.receive(adjustFrame(static_cast<uint8_t>(otherSub), other));
        std::vector<int> r;
        for (int v = 0; v <= 255; ++v) r.push_back(readAfter(radio, static_cast<uint8_t>(sub), v, kSd));
        const int top = *std::max_element(r.begin(), r.end());
        for (int v = 0; v <= 255; ++v) EXPECT_EQ(r[v] == top, v >= first && v < first + 7) << ByteToHex2(sub) << " " << v;
    }
}

TEST(SimRadio, LevelRisesWithRxLvaAndFallsWithTxLva)
{
    for (const auto& [sub, sign] : {std::pair{0x06, 1}, {0x07, -1}}) {
        Radio radio = builtIn();
        for (int v = 1, prev = readAfter(radio, static_cast<uint8_t>(sub), 0, kLvin); v <= 255; ++v) {
            const int r = readAfter(radio, static_cast<uint8_t>(sub), v, kLvin);
            EXPECT_GE(sign * (r - prev), 0) << ByteToHex2(sub) << " at " << v;
            prev = r;
        }
    }
}

TEST(SimRadio, NoiseAddsAtMostOneCountAndOffReadsExactly)
{
    Radio radio = builtIn();
    for (const auto& [noise, readings] : {std::pair{true, std::set<int>{188, 189, 190}}, {false, std::set<int>{189}}}) {
        radio.setNoise(noise);
        std::set<int> seen;
        for (int i = 0; i < 100; ++i) seen.insert(readAd(radio, 0x00));
        EXPECT_EQ(seen, readings) << "noise " << noise;
    }
}
