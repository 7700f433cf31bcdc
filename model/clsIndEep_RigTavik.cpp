#include "model/clsIndEep_RigTavik.h"

#include <cstdint>

#include "link/clsCmcEeprom.h"

clsIndEep_RigTavik::clsIndEep_RigTavik(clsCmcEeprom& eep)
    : eep_(eep)
{
    for (size_t i = 0; i <= 40; ++i)
        chName_[i] = " ";
}

namespace {

// Address of a byte of channel chNo's record. A sum that leaves the 32-bit
// range gives INT32_MIN, so that every byte of the block read from there lies
// outside the image and reads 0.
int32_t recordAdr(int32_t start, int16_t chNo, int32_t offset)
{
    const int64_t a = static_cast<int64_t>(start) + int64_t{clsIndEep_RigTavik::kRecordSize} * chNo + offset;
    return (a < INT32_MIN || a > INT32_MAX) ? INT32_MIN : static_cast<int32_t>(a);
}

}  // namespace

int16_t clsIndEep_RigTavik::byteAt(int64_t adr) const
{
    // Addresses outside the image read as 0.
    return (adr < 0 || adr > INT32_MAX) ? 0 : eep_.ReadByte(static_cast<int32_t>(adr));
}

std::string clsIndEep_RigTavik::RigTavikEep_GetChName(int16_t chNo)
{
    std::string name = std::to_string(chNo + 1);
    if (chNo >= 0 && static_cast<size_t>(chNo) < chName_.size())
        chName_[static_cast<size_t>(chNo)] = name;
    return name;
}

uint32_t clsIndEep_RigTavik::ReadFreqBlock(int32_t adr) const
{
    // Four bytes, big-endian, unsigned: a first byte of 0x80 or more is a
    // frequency above 2147 MHz, never a negative one.
    uint32_t v = 0;
    for (int32_t i = 0; i < 4; ++i)
        v = (v << 8) | static_cast<uint8_t>(byteAt(int64_t{adr} + i));
    return v;
}

uint32_t clsIndEep_RigTavik::RigTavikEep_GetChFreqTxReal(int32_t start_address, int16_t chNo) const
{
    return ReadFreqBlock(recordAdr(start_address, chNo, 0));
}

uint32_t clsIndEep_RigTavik::RigTavikEep_GetChFreqRxReal(int32_t start_address, int16_t chNo) const
{
    return ReadFreqBlock(recordAdr(start_address, chNo, 0));
}

int16_t clsIndEep_RigTavik::RigTavikEep_GetChRFPower(int32_t start_address, int16_t chNo) const
{
    const int16_t b = byteAt(recordAdr(start_address, chNo, 12));
    if ((b & 0x02) != 0)
        return 2;
    return static_cast<int16_t>(b & 0x01);
}

bool clsIndEep_RigTavik::RigTavikEep_GetChMode(int32_t start_address, int16_t chNo) const
{
    return eep_.ReadBit(recordAdr(start_address, chNo, 13), 7) != 0;
}

bool clsIndEep_RigTavik::RigTavikEep_GetMid() const
{
    return eep_.ReadBit(kMidFlagAdr, 7) != 0;
}

int16_t clsIndEep_RigTavik::Check_Inh(int32_t adr, int16_t bit) const
{
    return eep_.ReadBit(adr, bit) != 0 ? 1 : 0;
}

bool clsIndEep_RigTavik::Check_MRCH(int32_t adr) const
{
    if (Check_Inh(adr, 7) == 1)
        return true;
    return ReadFreqBlock(adr) != 0;
}

bool clsIndEep_RigTavik::RigTavikEep_GetChAppear(int32_t start_address, int16_t chNo) const
{
    if (chNo < 0)
        return false;
    return Check_MRCH(recordAdr(start_address, chNo, 0));
}

int32_t clsIndEep_RigTavik::ReadBaseFreqBlock() const
{
    // Two bytes in units of 100 kHz; anything above 800 MHz is implausible
    // and reads as 0.
    int32_t k = (byteAt(kBaseFreqAdr) * 256 + byteAt(kBaseFreqAdr + 1)) * 100;
    if (k > 800000 || k < 0)
        k = 0;
    return k * 1000;
}
