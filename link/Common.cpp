#include "link/Common.h"

namespace {

// Reads hexadecimal digits from the start of [p, end) up to the first
// non-digit; keeps the low 16 bits.
uint16_t readHex(const char* p, const char* end)
{
    uint16_t v = 0;
    for (; p != end; ++p) {
        const int d = HexDigitValue(static_cast<uint8_t>(*p));
        if (d < 0)
            break;
        v = static_cast<uint16_t>((v << 4) | d);
    }
    return v;
}

const char kDigits[] = "0123456789ABCDEF";

}  // namespace

int HexDigitValue(uint8_t c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

ByteStr StrToByteStr(const std::string& text)
{
    return ByteStr(text.begin(), text.end());
}

int16_t HexByteStrToInt(const ByteStr& bytes)
{
    const std::string text(bytes.begin(), bytes.end());
    return static_cast<int16_t>(readHex(text.data(), text.data() + text.size()));
}

ByteStr HexStrToByteStr(const std::string& hex)
{
    ByteStr out;
    out.reserve(hex.size() / 2);
    size_t i = 0;
    while (hex.size() - i >= 2) {
        if (hex[i] == ' ') {
            ++i;
            continue;
        }
        out.push_back(static_cast<uint8_t>(readHex(hex.data() + i, hex.data() + i + 2)));
        i += 2;
    }
    return out;
}

std::string ByteStrToHexStr(const ByteStr& bytes)
{
    std::string out;
    out.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 0x0F];
    }
    return out;
}

std::string ByteToHex2(int16_t value)
{
    const auto b = static_cast<uint8_t>(value);
    return {kDigits[b >> 4], kDigits[b & 0x0F]};
}

std::string ByteToAsciiHexStr(int16_t value)
{
    return ByteStrToHexStr(StrToByteStr(ByteToHex2(value)));
}
