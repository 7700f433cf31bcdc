// The A/D readings: detector peaks over the filter tuning, level voltage
// against the level settings, battery, thermistor and the adjustment group.
#include <gtest/gtest.h>

#include <cmath>

#include "sim/SimImage.h"
#include "tests/sim/SimTestUtil.h"

using dsim::Radio;
using namespace simtest;

namespace {

constexpr uint8_t kSd = 0x04;
constexpr uint8_t kLvin = 0x05;

Radio defaultRadio() { return Radio(dsim::builtInImage(false), dsim::Identity{}); }

int readAfter(Radio& radio, uint8_t sub, int value, uint8_t code)
{
    radio.receive(pcAdjust(sub, static_cast<uint8_t>(value)));
    return readAd(radio, code);
}

struct Sweep {
    int highest = -1, first = 0, last = 0;
    int settled() const { return (first + last) / 2; }
};

// The program's sweep: keep the first and last value of the highest reading.
Sweep sweep(Radio& radio, uint8_t sub, int to, int step)
{
    Sweep s;
    for (int v = 0; v <= to; v += step) {
        const int r = readAfter(radio, sub, v, kSd);
        if (r > s.highest) s.first = v;
        if (r >= s.highest) s.last = v, s.highest = r;
    }
    return s;
}

// The program's level search; the settled value and its reading, or -1 when
// the target is not strictly between the end readings.
std::pair<int, int> bisect(Radio& radio, uint8_t sub, int target)
{
    int lo = 0, hi = 255;
    int rLo = readAfter(radio, sub, lo, kLvin), rHi = readAfter(radio, sub, hi, kLvin);
    if (rLo > rHi) std::swap(lo, hi), std::swap(rLo, rHi);
    if (target <= rLo || target >= rHi) return {-1, -1};
    for (;;) {
        const int mid = static_cast<int>(std::floor((lo + hi) / 2.0 + 0.5));
        const int r = readAfter(radio, sub, mid, kLvin);
        if (std::abs(hi - lo) <= 2 || r == target) return {mid, r};
        (target > r ? lo : hi) = mid;
    }
}

}  // namespace

TEST(SimDetector, FineAndCoarseSweepsFindTheMiddleOfAFlatTopOfSeven)
{
    Radio radio = defaultRadio();
    const Sweep t1 = sweep(radio, 0x13, 255, 1);
    EXPECT_EQ(t1.first, 34);
    EXPECT_EQ(t1.last, 40);
    radio.receive(pcAdjust(0x13, t1.settled()));
    const Sweep t2 = sweep(radio, 0x14, 255, 1);
    EXPECT_EQ(t2.first, 83);
    EXPECT_EQ(t2.last, 89);
    EXPECT_EQ(t2.highest, 240);  // both filters on their peaks at signal 100
    // Coarse: both start from 64, even values up to 128.
    radio.receive(pcAdjust(0x13, 64));
    radio.receive(pcAdjust(0x14, 64));
    EXPECT_EQ(sweep(radio, 0x13, 128, 2).settled(), 37);
    radio.receive(pcAdjust(0x13, 37));
    EXPECT_EQ(sweep(radio, 0x14, 128, 2).settled(), 86);
}

TEST(SimDetector, FallsOffAwayFromThePeakAndScalesWithTheSignal)
{
    Radio radio = defaultRadio();
    radio.receive(pcAdjust(0x14, 86));
    EXPECT_EQ(readAfter(radio, 0x13, 33, kSd), 237);
    EXPECT_EQ(readAfter(radio, 0x13, 41, kSd), 237);
    EXPECT_LE(readAfter(radio, 0x13, 60, kSd), 190);
    EXPECT_LE(readAfter(radio, 0x13, 200, kSd), 130);
    radio.receive(pcAdjust(0x13, 37));
    const std::pair<int, int> levels[] = {{100, 240}, {50, 120}, {0, 0}, {255, 255}};
    for (const auto& [signal, reading] : levels) {
        radio.setSignal(signal);
        EXPECT_EQ(readAd(radio, kSd), reading) << "signal " << signal;
    }
    radio.setSignal(50);
    const Sweep weak = sweep(radio, 0x13, 255, 1);
    EXPECT_EQ(weak.last - weak.first, 6);  // the top keeps its width
}

TEST(SimLevel, RisesWithRxLvaFallsWithTxLvaAndNeverReachesTheEnds)
{
    Radio radio = defaultRadio();  // TX LVA 128
    int prev = -1;
    for (int rx = 0; rx <= 255; ++rx) {
        const int r = readAfter(radio, 0x06, rx, kLvin);
        EXPECT_GE(r, prev) << "RX LVA " << rx;
        prev = r;
    }
    EXPECT_EQ(readAfter(radio, 0x06, 0, kLvin), 32);
    EXPECT_EQ(readAfter(radio, 0x06, 255, kLvin), 127);
    prev = 256;
    for (int tx = 0; tx <= 255; ++tx) {
        const int r = readAfter(radio, 0x07, tx, kLvin);
        EXPECT_LE(r, prev) << "TX LVA " << tx;
        prev = r;
    }
    EXPECT_EQ(readAfter(radio, 0x07, 0, kLvin), 159);  // RX 255, TX 0: the highest
    radio.receive(pcAdjust(0x06, 0));
    EXPECT_EQ(readAfter(radio, 0x07, 255, kLvin), 1);   // RX 0, TX 255: the lowest
}

TEST(SimLevel, BisectionSettlesPredictablyOnTheStoredTargets)
{
    Radio radio = defaultRadio();
    ASSERT_EQ(radio.image()[0x088], 92);
    ASSERT_EQ(radio.image()[0x089], 72);
    // RX LVA, TX at 128: mids 128, 192, 160.
    EXPECT_EQ(bisect(radio, 0x06, 92), std::make_pair(160, 92));
    // TX LVA, RX at 112: mids 128, 192, 160, 144, 136.
    radio.receive(pcAdjust(0x06, 112));
    EXPECT_EQ(bisect(radio, 0x07, 72), std::make_pair(136, 72));
    // Out of reach: with TX at 136, RX LVA spans 30..125.
    EXPECT_EQ(bisect(radio, 0x06, 125).first, -1);
    EXPECT_EQ(bisect(radio, 0x06, 30).first, -1);
}

TEST(SimReadings, BuiltInImageGivesTheDocumentedReadings)
{
    const std::pair<uint8_t, int> rows[] = {
        {0x00, 189}, {0x03, 173}, {0x04, 61},   {0x05, 74},   {0x0B, 0x62}, {0x0C, 0x80}, {0x0D, 0x80},
        {0x0E, 0x8C}, {0x0F, 0x7A}, {0x10, 0x78}, {0x11, 0x70}, {0x12, 0x80}, {0x13, 0x70}, {0x01, 0},
    };
    Radio radio = defaultRadio();
    for (const auto& [code, reading] : rows) EXPECT_EQ(readAd(radio, code), reading) << std::hex << int(code);
    // The program's conversions: battery near 7.4 V, thermistor near 25 degC.
    EXPECT_NEAR(189 * 10.0 / 255.0, 7.4, 0.05);
    const double vt = 173 * 5.0 / 255.0, r = 100000.0 * (5.0 - vt) / vt;
    EXPECT_NEAR(1.0 / (std::log(r / 47000.0) / 4000.0 + 1.0 / 298.15) - 273.15, 25.0, 0.5);
}

TEST(SimReadings, AdjustmentGroupFollowsTheLiveSettingsOfTheVariant)
{
    const std::pair<uint8_t, uint8_t> rows[] = {  // A/D code, setting sub-command
        {0x10, 0x13}, {0x11, 0x14}, {0x12, 0x07}, {0x13, 0x06}, {0x0C, 0x05},
        {0x0D, 0x10}, {0x0E, 0x0C}, {0x0B, 0x0F}, {0x0F, 0x08},
    };
    for (const auto& [code, sub] : rows) {
        Radio radio = defaultRadio();
        EXPECT_EQ(readAfter(radio, sub, 40, code), 40) << std::hex << int(code);
        EXPECT_EQ(readAfter(radio, sub, 200, code), 200) << std::hex << int(code);
    }
    for (bool mid : {false, true}) {
        Radio radio(dsim::builtInImage(mid), dsim::Identity{});
        for (const auto& [sub, v] : {std::pair<int, int>{0x10, 11}, {0x0C, 22}, {0x12, 33}, {0x0E, 44}})
            radio.receive(pcAdjust(static_cast<uint8_t>(sub), static_cast<uint8_t>(v)));
        EXPECT_EQ(readAd(radio, 0x0D), mid ? 33 : 11);  // MOD BAL
        EXPECT_EQ(readAd(radio, 0x0E), mid ? 44 : 22);  // Dev
    }
}

TEST(SimReadings, NoiseStaysWithinOneCount)
{
    Radio radio = defaultRadio();
    radio.setNoise(true);
    bool varied = false;
    for (int i = 0; i < 100; ++i) {
        const int r = readAd(radio, 0x00);
        EXPECT_LE(std::abs(r - 189), 1);
        varied = varied || r != 189;
    }
    EXPECT_TRUE(varied);
}
