#include "tests/support/ScriptedRadio.h"

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

ByteStr RadioFrame(uint8_t cmd, const ByteStr& payload)
{
    return cat(cat({0xFE, 0xFE, 0xEF, 0xEE, cmd}, payload), {0xFD});
}

ByteStr pcFrame(const ByteStr& payload)
{
    return cat(cat({0xFE, 0xFE, 0xEE, 0xEF}, payload), {0xFD});
}

ByteStr ModelAnswer(const std::string& main, const std::string& sub, size_t bodyLen, uint8_t modelByte)
{
    ByteStr payload = HexStrToByteStr(main + sub);
    payload.push_back(static_cast<uint8_t>(bodyLen - 7));
    while (payload.size() + 3 < bodyLen)
        payload.push_back(0x00);
    if (bodyLen >= 43)
        payload[43 - 4] = modelByte;
    return RadioFrame(0xE1, payload);
}

ByteStr CloneDataFrame(int adr, const ByteStr& data, int checksumDelta)
{
    ByteStr body{static_cast<uint8_t>(adr >> 8), static_cast<uint8_t>(adr & 0xFF), static_cast<uint8_t>(data.size())};
    body.insert(body.end(), data.begin(), data.end());
    uint8_t sum = 0;
    for (uint8_t b : body)
        sum = static_cast<uint8_t>(sum + b);
    body.push_back(static_cast<uint8_t>(-sum + checksumDelta));
    return RadioFrame(0xE4, StrToByteStr(ByteStrToHexStr(body)));
}

ByteStr CloneEndFrame(int count)
{
    return RadioFrame(0xE5, StrToByteStr("Halvo Co." + ByteToHex2(static_cast<int16_t>(count))));
}

void ScriptedRadio::serve()
{
    // Bytes are taken as they leave the PC's transmit queue; each comes
    // back as its echo, and a frame is acted on once its end has arrived.
    const ByteStr& w = port.wire();
    if (pulled) {
        seen = w.size();
        return;
    }
    ByteStr echo;
    for (; seen < w.size(); ++seen) {
        echo.push_back(w[seen]);
        frame_.push_back(w[seen]);
        if (w[seen] != 0xFD)
            continue;
        port.receive(echo);
        echo.clear();
        if (answers)
            answer(frame_);
        frame_.clear();
    }
    if (!echo.empty())
        port.receive(echo);
}

void ScriptedRadio::answer(const ByteStr& f)
{
    if (f.size() < 6)
        return;
    switch (f[4]) {
    case 0xE0:
        port.receive(ModelAnswer(main, sub, 51, modelByte));
        break;
    case 0xE2:
        for (int a = 0; a < 8160; a += 32)
            port.receive(CloneDataFrame(a, ByteStr(image.begin() + a, image.begin() + a + 32)));
        port.receive(CloneEndFrame(8160 / 32));
        break;
    case 0xE4: {
        // Address, length and data as ASCII hexadecimal, then the checksum.
        const ByteStr body = HexStrToByteStr(std::string(f.begin() + 5, f.end() - 1));
        if (keepsWrites && body.size() >= 4 && body.size() == 4u + body[2] && body[0] * 256 + body[1] + body[2] <= 8160)
            std::copy(body.begin() + 3, body.end() - 1, image.begin() + (body[0] * 256 + body[1]));
        break;
    }
    case 0xE5:
        port.receive(RadioFrame(0xE6, {0x00}));
        break;
    case 0xE8: {
        if (f.size() < 13)
            break;
        const int subCommand = f[9];
        const int value = HexByteStrToInt(ByteStr(f.begin() + 10, f.begin() + 12));
        commands.push_back({subCommand, value});
        if (subCommand != 0x03)
            break;
        if (!adAnswer.empty()) {
            port.receive(RadioFrame(0xE8, adAnswer));
            break;
        }
        ByteStr payload(f.begin() + 5, f.begin() + 10);   // model codes and sub-command
        const int v = adReading(value);
        const ByteStr digits = v < 0 ? StrToByteStr("G0") : StrToByteStr(ByteToHex2(static_cast<int16_t>(v)));
        payload.insert(payload.end(), digits.begin(), digits.end());
        port.receive(RadioFrame(0xE8, payload));
        break;
    }
    default:
        break;
    }
}
