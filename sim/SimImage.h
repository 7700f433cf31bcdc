#pragma once
// The radio's EEPROM: its size, the addresses the simulator knows, the
// built-in image it starts from, and image files.
#include <cstdint>
#include <string>

#include "sim/SimCodec.h"

namespace dsim {

constexpr int kImageSize = 8160;  // 0x0000..0x1FDF

// EEPROM addresses.
namespace adr {
constexpr int kBaseFreq = 0x030;     // 2 bytes, units of 100 kHz, big-endian
constexpr int kCtcssLevel = 0x033;
constexpr int kBpfT1 = 0x034;
constexpr int kBpfT2 = 0x035;
constexpr int kBpfCorrection = 0x036;
constexpr int kSlopeTempSql = 0x038;  // temperature slopes 0x038..0x03B (signed)
constexpr int kSlopeTempTone = 0x039;
constexpr int kSlopeTempMod = 0x03A;
constexpr int kSlopeTempBal = 0x03B;
constexpr int kRxLva = 0x03C;
constexpr int kTxLva = 0x03D;
constexpr int kToneCorrW = 0x041;     // signed
constexpr int kModW = 0x042;
constexpr int kBal = 0x043;
constexpr int kToneCorrN = 0x048;     // signed
constexpr int kModN = 0x049;
constexpr int kBalN = 0x04A;
constexpr int kToneCorrWMid = 0x04F;  // signed
constexpr int kModWMid = 0x050;
constexpr int kBalMid = 0x051;
constexpr int kBandSlopes = 0x055;    // 7 bands of 6 signed bytes
constexpr int kPowerL1 = 0x080;
constexpr int kPowerL2 = 0x081;
constexpr int kPowerHi = 0x082;
constexpr int kRssiS1 = 0x083;
constexpr int kRssiS3 = 0x084;
constexpr int kRef = 0x087;
constexpr int kLvRxTarget = 0x088;
constexpr int kLvTxTarget = 0x089;
constexpr int kSqlLevel = 0x113;
constexpr int kModelFlags = 0x140;    // bit 7: Mid variant
constexpr int kChannels = 0x160;      // 18-byte channel records
constexpr int kChannelRecord = 18;
constexpr int kChannelCount = 32;
}  // namespace adr

// The image the simulator starts from when no file is given: a handful of
// programmed channels, mid-range adjustments, signed slopes with some
// negative values. With mid, bit 7 of the model flag byte is set.
Bytes builtInImage(bool mid);

bool isMid(const Bytes& image);
void setMid(Bytes& image, bool mid);

// Reads an image file; it must hold exactly kImageSize bytes. On failure the
// result is false and err holds a one-line reason.
bool loadImageFile(const std::string& path, Bytes& image, std::string& err);
bool saveImageFile(const std::string& path, const Bytes& image, std::string& err);

}  // namespace dsim
