#include "tests/link/RadioFrames.h"

#include "link/Common.h"

ByteStr bytes(const std::string& hex)
{
    return HexStrToByteStr(hex);
}

ByteStr cat(ByteStr a, const ByteStr& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

ByteStr radioFrame(uint8_t cmd, const ByteStr& payload)
{
    ByteStr f{0xFE, 0xFE, 0xEF, 0xEE, cmd};
    f = cat(f, payload);
    f.push_back(0xFD);
    return f;
}

ByteStr pcFrame(const ByteStr& payload)
{
    ByteStr f{0xFE, 0xFE, 0xEE, 0xEF};
    f = cat(f, payload);
    f.push_back(0xFD);
    return f;
}

ByteStr e1Answer(const std::string& main, const std::string& sub, size_t bodyLen, uint8_t modelByte)
{
    ByteStr payload = bytes(main + sub);
    payload.push_back(static_cast<uint8_t>(bodyLen - 7));
    while (payload.size() + 3 < bodyLen)
        payload.push_back(0x00);
    if (bodyLen >= 43)
        payload[43 - 4] = modelByte;
    return radioFrame(0xE1, payload);
}

ByteStr e4Frame(int adr, const ByteStr& data, int checksumDelta)
{
    ByteStr body{static_cast<uint8_t>(adr >> 8), static_cast<uint8_t>(adr & 0xFF), static_cast<uint8_t>(data.size())};
    body = cat(body, data);
    uint8_t sum = 0;
    for (uint8_t b : body)
        sum = static_cast<uint8_t>(sum + b);
    body.push_back(static_cast<uint8_t>(-sum + checksumDelta));
    return radioFrame(0xE4, StrToByteStr(ByteStrToHexStr(body)));
}

ByteStr e5Frame(int count)
{
    return radioFrame(0xE5, cat(StrToByteStr("Halvo Co."), StrToByteStr(ByteToHex2(static_cast<int16_t>(count)))));
}
