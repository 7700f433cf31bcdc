#include "link/clsCmcEeprom.h"

#include <algorithm>

void clsCmcEeprom::seteeSize(int32_t lo)
{
    size_ = std::max<int32_t>(lo, 0);
    image_.assign(static_cast<size_t>(size_), 0);
}

int16_t clsCmcEeprom::ReadByte(int32_t adr) const
{
    return valid(adr) ? image_[static_cast<size_t>(adr)] : 0;
}

int16_t clsCmcEeprom::WriteByte(int32_t adr, uint8_t value)
{
    if (!valid(adr))
        return 1;
    image_[static_cast<size_t>(adr)] = value;
    return 0;
}

int16_t clsCmcEeprom::ReadBit(int32_t adr, int16_t bit) const
{
    // Only the low eight bits of the mask take part: bit 8 and above read 0.
    if (bit < 0 || bit > 7)
        return 0;
    return (ReadByte(adr) >> bit) & 1;
}

bool clsCmcEeprom::blockFits(int32_t adr, int64_t length) const
{
    return valid(adr) && valid(static_cast<int64_t>(adr) + length - 1);
}

int16_t clsCmcEeprom::FillBlock(int32_t adr, uint8_t value, int32_t length)
{
    if (!blockFits(adr, length))
        return 1;
    std::fill_n(image_.begin() + adr, length, value);
    return 0;
}

int16_t clsCmcEeprom::WriteBlock(int32_t adr, const ByteStr& vr)
{
    if (!blockFits(adr, static_cast<int64_t>(vr.size())))
        return 1;
    std::copy(vr.begin(), vr.end(), image_.begin() + adr);
    return 0;
}

ByteStr clsCmcEeprom::ReadBlock(int32_t adr, int32_t siz) const
{
    ByteStr out;
    for (int64_t a = adr; a < static_cast<int64_t>(adr) + siz; ++a)
        if (valid(a))
            out.push_back(image_[static_cast<size_t>(a)]);
    return out;
}
