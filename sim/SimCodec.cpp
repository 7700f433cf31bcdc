#include "sim/SimCodec.h"

namespace dsim {

const std::string kMakerId = "Halvo Co.";

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

}  // namespace

Bytes radioFrame(uint8_t cmd, const Bytes& payload)
{
    Bytes f;
    f.reserve(payload.size() + 6);
    for (uint8_t b : {kPreamble, kPreamble, kPcAddress, kRadioAddress, cmd}) f.push_back(b);
    for (uint8_t b : payload) f.push_back(b);
    f.push_back(kEndOfFrame);
    return f;
}

Bytes toAsciiHex(const Bytes& bytes)
{
    Bytes out;
    out.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        out.push_back(static_cast<uint8_t>(kHexDigits[b >> 4]));
        out.push_back(static_cast<uint8_t>(kHexDigits[b & 0x0F]));
    }
    return out;
}

int hexDigit(uint8_t c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool fromAsciiHex(const uint8_t* text, size_t n, Bytes& out)
{
    out.clear();
    if (n % 2 != 0) return false;
    out.reserve(n / 2);
    for (size_t i = 0; i < n; i += 2) {
        int hi = hexDigit(text[i]);
        int lo = hexDigit(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out.push_back(static_cast<uint8_t>(hi * 16 + lo));
    }
    return true;
}

uint8_t blockChecksum(const Bytes& bytes)
{
    unsigned sum = 0;
    for (uint8_t b : bytes) sum += b;
    return static_cast<uint8_t>(0x100 - (sum & 0xFF));
}

Bytes cloneBlock(uint16_t address, const uint8_t* data, uint8_t length)
{
    Bytes block;
    block.reserve(length + 4u);
    block.push_back(static_cast<uint8_t>(address >> 8));
    block.push_back(static_cast<uint8_t>(address & 0xFF));
    block.push_back(length);
    for (int i = 0; i < length; ++i) block.push_back(data[i]);
    block.push_back(blockChecksum(block));
    return block;
}

BlockError parseCloneBlock(const uint8_t* text, size_t n, CloneBlock& out)
{
    Bytes raw;
    if (!fromAsciiHex(text, n, raw)) return BlockError::NotHex;
    if (raw.size() < 4) return BlockError::TooShort;
    if (raw[2] != raw.size() - 4) return BlockError::LengthMismatch;
    unsigned sum = 0;
    for (uint8_t b : raw) sum += b;
    if ((sum & 0xFF) != 0) return BlockError::Checksum;
    out.address = static_cast<uint16_t>(raw[0] << 8 | raw[1]);
    out.data.assign(raw.begin() + 3, raw.end() - 1);
    return BlockError::None;
}

bool FrameAssembler::push(uint8_t b)
{
    if (complete_) {
        complete_ = false;
        body_.clear();
        raw_.clear();
    }
    if (b == kPreamble) {
        if (!inFrame_ || !body_.empty()) {
            inFrame_ = true;
            body_.clear();
            raw_.clear();
        }
        raw_.push_back(b);
        return false;
    }
    if (!inFrame_) return false;
    raw_.push_back(b);
    if (b == kEndOfFrame) {
        inFrame_ = false;
        complete_ = true;
        return true;
    }
    if (body_.size() >= kMaxBody) {
        reset();
        return false;
    }
    body_.push_back(b);
    return false;
}

void FrameAssembler::reset()
{
    inFrame_ = false;
    complete_ = false;
    body_.clear();
    raw_.clear();
}

}  // namespace dsim
