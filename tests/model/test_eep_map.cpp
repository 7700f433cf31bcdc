// The EEPROM map: channel records, frequencies, flags and the base frequency.
#include <gtest/gtest.h>

#include "link/clsCmcEeprom.h"
#include "model/clsIndEep_RigTavik.h"

namespace {

constexpr int32_t kRx = 0x160;
constexpr int32_t kTx = 0x164;

struct EepMap : ::testing::Test {
    int32_t record(int ch) const { return kRx + 18 * ch; }
    void put(int32_t adr, std::initializer_list<uint8_t> bytes)
    {
        for (uint8_t b : bytes)
            ASSERT_EQ(eep.WriteByte(adr++, b), 0);
    }
    clsCmcEeprom eep;
    clsIndEep_RigTavik map{eep};
};

}  // namespace

TEST_F(EepMap, ChannelIsProgrammedWhenFlaggedOrWithAFrequency)
{
    put(record(0), {0x00, 0x00, 0x00, 0x00});   // empty
    put(record(1), {0x80, 0x00, 0x00, 0x00});   // flag alone
    put(record(2), {0x08, 0xAB, 0x8B, 0x20});   // 145.46 MHz
    put(record(3), {0x00, 0x00, 0x00, 0x01});   // any nonzero frequency
    put(record(4), {0x00, 0x00, 0x00, 0x00});
    put(record(4) + 4, {0x08, 0xAB, 0x8B, 0x20});   // a TX frequency does not count

    EXPECT_FALSE(map.RigTavikEep_GetChAppear(kRx, 0));
    EXPECT_TRUE(map.RigTavikEep_GetChAppear(kRx, 1));
    EXPECT_TRUE(map.RigTavikEep_GetChAppear(kRx, 2));
    EXPECT_TRUE(map.RigTavikEep_GetChAppear(kRx, 3));
    EXPECT_FALSE(map.RigTavikEep_GetChAppear(kRx, 4));
}

TEST_F(EepMap, NegativeChannelNumberIsNeverProgrammed)
{
    // The record that channel -1 would have is programmed.
    put(kRx - 18, {0x80, 0x12, 0x34, 0x56});
    EXPECT_FALSE(map.RigTavikEep_GetChAppear(kRx, -1));
    EXPECT_FALSE(map.RigTavikEep_GetChAppear(kRx, -32768));
}

TEST_F(EepMap, ChannelBeyondTheImageIsNotProgrammed)
{
    eep.FillBlock(0, 0xFF, clsCmcEeprom::kDefaultSize);
    EXPECT_TRUE(map.RigTavikEep_GetChAppear(kRx, 31));
    EXPECT_FALSE(map.RigTavikEep_GetChAppear(kRx, 500));     // 0x160 + 9000 > 0x1FDF
    EXPECT_FALSE(map.RigTavikEep_GetChAppear(INT32_MAX - 10, 32767));
}

TEST_F(EepMap, FrequenciesAreBigEndianHertzAndKeepATopBit)
{
    put(record(2), {0x08, 0xAB, 0x8B, 0x20});       // RX 145,460,000
    put(record(2) + 4, {0x08, 0xAF, 0xA9, 0xD0});   // TX 145,730,000
    EXPECT_EQ(map.RigTavikEep_GetChFreqRxReal(kRx, 2), 145460000);
    EXPECT_EQ(map.RigTavikEep_GetChFreqTxReal(kTx, 2), 145730000);
    put(record(0), {0x88, 0xAB, 0x8B, 0x20});       // does not fit a signed number
    EXPECT_EQ(static_cast<uint32_t>(map.ReadFreqBlock(record(0))), 0x88AB8B20u);
    put(0x1FDE, {0x12, 0x34});                      // runs off the image: missing bytes are 0
    EXPECT_EQ(map.ReadFreqBlock(0x1FDE), 0x12340000);
    EXPECT_EQ(map.ReadFreqBlock(INT32_MAX), 0);
}

TEST_F(EepMap, PowerModeAndInhibitMarksOfAChannel)
{
    struct Case {
        uint8_t byte12;
        int16_t power;
        int16_t inh6, inh7;
    };
    const Case cases[] = {
        {0x00, 0, 0, 0}, {0x01, 1, 0, 0}, {0x02, 2, 0, 0}, {0x03, 2, 0, 0} /* bit 1 wins */,
        {0x40, 0, 1, 0}, {0x81, 1, 0, 1}, {0xC2, 2, 1, 1},
    };
    for (const Case& c : cases) {
        put(record(5) + 12, {c.byte12});
        EXPECT_EQ(map.RigTavikEep_GetChRFPower(kRx, 5), c.power) << int(c.byte12);
        EXPECT_EQ(map.Check_Inh(record(5) + 12, 6), c.inh6) << int(c.byte12);
        EXPECT_EQ(map.Check_Inh(record(5) + 12, 7), c.inh7) << int(c.byte12);
    }

    put(record(5) + 13, {0x7F});
    EXPECT_FALSE(map.RigTavikEep_GetChMode(kRx, 5));
    put(record(5) + 13, {0x80});
    EXPECT_TRUE(map.RigTavikEep_GetChMode(kRx, 5));
    EXPECT_FALSE(map.RigTavikEep_GetChMode(kRx, 4)) << "the neighbour's record is apart";
}

TEST_F(EepMap, BaseFrequencyAboveEightHundredMegahertzReadsZero)
{
    struct Case {
        uint8_t hi, lo;
        int32_t hertz;
    };
    const Case cases[] = {
        {0x05, 0x50, 136000000}, {0x05, 0xAB, 145100000},
        {0x1F, 0x40, 800000000} /* 8000: the highest plausible */, {0x1F, 0x41, 0} /* 8001 */,
        {0xFF, 0xFF, 0}, {0x00, 0x00, 0},
    };
    for (const Case& c : cases) {
        put(0x030, {c.hi, c.lo});
        EXPECT_EQ(map.ReadBaseFreqBlock(), c.hertz) << int(c.hi) << " " << int(c.lo);
    }
}
