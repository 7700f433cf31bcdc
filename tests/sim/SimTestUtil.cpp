#include "tests/sim/SimTestUtil.h"

namespace simtest {

namespace {

// An upper-case ASCII hex pair, -1 when it is not one.
int pairValue(uint8_t hi, uint8_t lo)
{
    auto digit = [](uint8_t c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    };
    return digit(hi) < 0 || digit(lo) < 0 ? -1 : digit(hi) * 16 + digit(lo);
}

}  // namespace

Bytes hex(const std::string& text)
{
    std::string digits;
    for (char c : text)
        if (c != ' ') digits += c;
    Bytes out;
    for (size_t i = 0; i + 1 < digits.size(); i += 2)
        out.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return out;
}

Bytes asciiHex(uint8_t v)
{
    const char* d = "0123456789ABCDEF";
    return {static_cast<uint8_t>(d[v >> 4]), static_cast<uint8_t>(d[v & 15])};
}

Bytes pcAdjust(uint8_t sub, uint8_t value, const std::string& codes)
{
    Bytes f = hex("FE FE EE EF E8" + codes);
    f.push_back(sub);
    for (uint8_t c : asciiHex(value)) f.push_back(c);
    f.push_back(0xFD);
    return f;
}

Bytes echoOf(const Events& events)
{
    Bytes out;
    for (const auto& e : events)
        if (e.kind == dsim::WireEvent::Kind::PcBytes && e.echoed) out.insert(out.end(), e.bytes.begin(), e.bytes.end());
    return out;
}

std::vector<Bytes> radioFramesOf(const Events& events)
{
    std::vector<Bytes> out;
    for (const auto& e : events)
        if (e.kind == dsim::WireEvent::Kind::RadioFrame) out.push_back(e.bytes);
    return out;
}

Bytes bodyOf(const Bytes& frame)
{
    auto start = frame.begin();
    while (start != frame.end() && *start == 0xFE) ++start;
    auto end = start;
    while (end != frame.end() && *end != 0xFD) ++end;
    return Bytes(start, end);
}

CloneRead decodeCloneRead(const std::vector<Bytes>& frames)
{
    CloneRead r;
    for (const Bytes& f : frames) {
        const Bytes b = bodyOf(f);
        if (b.size() >= 12 && b[2] == 0xE5) {
            r.endName.assign(b.begin() + 3, b.begin() + 12);
            if (b.size() == 14) r.endCount = pairValue(b[12], b[13]);
        }
        if (b.size() < 11 || b[2] != 0xE4) continue;
        Bytes raw;
        for (size_t i = 3; i + 1 < b.size(); i += 2) raw.push_back(static_cast<uint8_t>(pairValue(b[i], b[i + 1])));
        unsigned sum = 0;
        for (uint8_t x : raw) sum += x;
        const int address = raw[0] * 256 + raw[1];
        r.addresses.push_back(address);
        r.lengths.push_back(raw[2]);
        r.bodyLengths.push_back(b.size());
        r.checksumOk.push_back((sum & 0xFF) == 0 && raw[2] + 4u == raw.size());
        for (size_t i = 0; i < raw[2] && 3 + i < raw.size(); ++i)
            if (address + i < r.image.size()) r.image[address + i] = raw[3 + i];
    }
    return r;
}

int readAd(dsim::Radio& radio, uint8_t code)
{
    const auto frames = radioFramesOf(radio.receive(pcAdjust(0x03, code)));
    if (frames.size() != 1) return -1;
    const Bytes b = bodyOf(frames[0]);  // EF EE E8, codes, 03, two hex characters
    if (b.size() != 10 || b[2] != 0xE8 || b[7] != 0x03) return -1;
    return pairValue(b[8], b[9]);
}

}  // namespace simtest
