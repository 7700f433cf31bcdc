#include "sim/SimImage.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace dsim {

namespace {

void put32(Bytes& image, int at, uint32_t v)
{
    image[at] = static_cast<uint8_t>(v >> 24);
    image[at + 1] = static_cast<uint8_t>(v >> 16);
    image[at + 2] = static_cast<uint8_t>(v >> 8);
    image[at + 3] = static_cast<uint8_t>(v);
}

struct Channel {
    int n;
    uint32_t rxHz;
    uint32_t txHz;
    uint8_t flags12;  // bits 0-1 power code, bits 6-7 inhibit marks
    uint8_t flags13;  // bit 7 narrow
};

// Programmed channels; channel 4 is left empty on purpose (a gap in the list).
const Channel kChannels[] = {
    {0, 145460000, 145460000, 0x00, 0x00},  // simplex, High, wide
    {1, 145650000, 145050000, 0x01, 0x00},  // repeater shift -600 kHz, Low2
    {2, 146520000, 146520000, 0x02, 0x80},  // narrow, Low1
    {3, 151625000, 151625000, 0x43, 0x00},  // both power bits, inhibit bit 6
    {5, 155340000, 155340000, 0x80, 0x80},  // inhibit bit 7, narrow
};

// Band slopes, per band: RX LVA, TX LVA, Tone, MOD, BAL, POW.
const int8_t kBandSlopes[7][6] = {
    {3, -2, 1, 0, -1, 4},
    {2, -1, 1, 1, 0, 3},
    {1, 0, 0, 1, 1, 2},
    {0, 0, -1, 2, 1, 0},
    {-1, 1, -1, 2, 2, -2},
    {-2, 2, -2, 3, 2, -3},
    {-4, 3, -3, 4, 3, -5},
};

}  // namespace

Bytes builtInImage(bool mid)
{
    Bytes image(kImageSize, 0xFF);  // erased
    // Parameter area: unused bytes read 0.
    for (int a = 0; a < adr::kChannels; ++a) image[a] = 0x00;
    // Channel records: unprogrammed records are all 0.
    const int channelEnd = adr::kChannels + adr::kChannelRecord * adr::kChannelCount;
    for (int a = adr::kChannels; a < channelEnd; ++a) image[a] = 0x00;

    image[adr::kBaseFreq] = 0x05;  // 1360 x 100 kHz = 136 MHz
    image[adr::kBaseFreq + 1] = 0x50;
    image[adr::kCtcssLevel] = 0x62;
    image[adr::kBpfT1] = 0x78;
    image[adr::kBpfT2] = 0x70;
    image[adr::kBpfCorrection] = 0x05;
    image[adr::kSlopeTempSql] = 0x03;
    image[adr::kSlopeTempTone] = 0xFE;  // -2
    image[adr::kSlopeTempMod] = 0x02;
    image[adr::kSlopeTempBal] = 0xFF;   // -1
    image[adr::kRxLva] = 0x70;
    image[adr::kTxLva] = 0x80;
    image[adr::kToneCorrW] = 0x04;
    image[adr::kModW] = 0x8C;
    image[adr::kBal] = 0x80;
    image[adr::kToneCorrN] = 0xFC;      // -4
    image[adr::kModN] = 0x46;
    image[adr::kBalN] = 0x7E;
    image[adr::kToneCorrWMid] = 0x03;
    image[adr::kModWMid] = 0x8A;
    image[adr::kBalMid] = 0x82;
    for (int b = 0; b < 7; ++b)
        for (int i = 0; i < 6; ++i)
            image[adr::kBandSlopes + 6 * b + i] = static_cast<uint8_t>(kBandSlopes[b][i]);
    image[adr::kPowerL1] = 0x30;
    image[adr::kPowerL2] = 0x60;
    image[adr::kPowerHi] = 0xB4;
    image[adr::kRssiS1] = 0x40;
    image[adr::kRssiS3] = 0x90;
    image[adr::kRef] = 0x80;
    image[adr::kLvRxTarget] = 0x5C;
    image[adr::kLvTxTarget] = 0x48;
    image[adr::kSqlLevel] = 0x7A;
    image[adr::kModelFlags] = 0x00;

    for (const Channel& c : kChannels) {
        const int at = adr::kChannels + adr::kChannelRecord * c.n;
        put32(image, at, c.rxHz);
        put32(image, at + 4, c.txHz);
        image[at + 12] = c.flags12;
        image[at + 13] = c.flags13;
    }
    setMid(image, mid);
    return image;
}

bool isMid(const Bytes& image)
{
    return (image[adr::kModelFlags] & 0x80) != 0;
}

void setMid(Bytes& image, bool mid)
{
    if (mid)
        image[adr::kModelFlags] |= 0x80;
    else
        image[adr::kModelFlags] &= 0x7F;
}

bool loadImageFile(const std::string& path, Bytes& image, std::string& err)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        err = "cannot open image file " + path + ": " + std::strerror(errno);
        return false;
    }
    Bytes data(kImageSize + 1);
    const size_t n = std::fread(data.data(), 1, data.size(), f);
    const bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (readError) {
        err = "cannot read image file " + path;
        return false;
    }
    if (n != static_cast<size_t>(kImageSize)) {
        err = "image file " + path + " must hold exactly " + std::to_string(kImageSize) + " bytes" +
              (n > static_cast<size_t>(kImageSize) ? std::string(" (it is larger)")
                                                   : " (it holds " + std::to_string(n) + ")");
        return false;
    }
    data.resize(kImageSize);
    image.swap(data);
    return true;
}

bool saveImageFile(const std::string& path, const Bytes& image, std::string& err)
{
    // Written beside the target and renamed into place, so that a reader
    // never sees half an image.
    const std::string part = path + ".part";
    std::FILE* f = std::fopen(part.c_str(), "wb");
    if (!f) {
        err = "cannot create image file " + path + ": " + std::strerror(errno);
        return false;
    }
    const bool ok = std::fwrite(image.data(), 1, image.size(), f) == image.size();
    const bool closed = std::fclose(f) == 0;
    if (!ok || !closed || std::rename(part.c_str(), path.c_str()) != 0) {
        std::remove(part.c_str());
        err = "cannot write image file " + path;
        return false;
    }
    return true;
}

}  // namespace dsim
