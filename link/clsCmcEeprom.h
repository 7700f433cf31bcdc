#pragma once
// The program's copy of the transceiver's EEPROM: a flat byte array with
// range-checked access. Out-of-range reads give 0; out-of-range writes are
// refused with 1 and change nothing.
#include <cstdint>

#include "platform/ByteStr.h"

class clsCmcEeprom {
public:
    static constexpr int32_t kDefaultSize = 8160;   // 0x0000..0x1FDF

    clsCmcEeprom() { seteeSize(kDefaultSize); }

    int32_t eeSize() const { return size_; }
    // Reallocates the image with every byte 0.
    void seteeSize(int32_t lo);

    int16_t ReadByte(int32_t adr) const;
    int16_t WriteByte(int32_t adr, uint8_t value);
    int16_t ReadBit(int32_t adr, int16_t bit) const;
    int16_t FillBlock(int32_t adr, uint8_t value, int32_t length);
    int16_t WriteBlock(int32_t adr, const ByteStr& vr);
    // Only the bytes that exist inside the image are returned.
    ByteStr ReadBlock(int32_t adr, int32_t siz) const;

    const ByteStr& bytes() const { return image_; }

private:
    bool valid(int64_t adr) const { return adr >= 0 && adr < size_; }
    bool blockFits(int32_t adr, int64_t length) const;

    ByteStr image_;
    int32_t size_ = 0;
};
