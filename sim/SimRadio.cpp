#include "sim/SimRadio.h"

#include <algorithm>

#include "sim/SimImage.h"
#include "sim/SimPhysics.h"

namespace dsim {

namespace {

struct FaultEntry {
    const char* name;
    unsigned bit;
};

const FaultEntry kFaults[] = {
    {"no-echo", kFaultNoEcho},           {"no-answer", kFaultNoAnswer},
    {"bad-checksum", kFaultBadChecksum}, {"block-beyond", kFaultBlockBeyond},
    {"wrong-count", kFaultWrongCount},   {"bad-ad", kFaultBadAd},
    {"pull", kFaultPull},                {"refuse-write", kFaultRefuseWrite},
    {"write-fails", kFaultWriteFails},   {"pull-write", kFaultPullWrite},
};

// Adjustment sub-commands that set a value, and the EEPROM byte each keeps.
struct AdjustEntry {
    uint8_t sub;
    int address;
};

const AdjustEntry kAdjustments[] = {
    {0x05, adr::kRef},        {0x06, adr::kRxLva},   {0x07, adr::kTxLva},   {0x08, adr::kSqlLevel},
    {0x09, adr::kPowerHi},    {0x0A, adr::kPowerL2}, {0x0B, adr::kPowerL1}, {0x0C, adr::kModW},
    {0x0D, adr::kModN},       {0x0E, adr::kModWMid}, {0x0F, adr::kCtcssLevel}, {0x10, adr::kBal},
    {0x11, adr::kBalN},       {0x12, adr::kBalMid},  {0x13, adr::kBpfT1},   {0x14, adr::kBpfT2},
    {0x15, adr::kRssiS1},     {0x16, adr::kRssiS3},
};

constexpr uint8_t kSubChannel = 0x00;
constexpr uint8_t kSubAdjustMode = 0x02;
constexpr uint8_t kSubAdRequest = 0x03;

}  // namespace

unsigned faultBit(const std::string& name)
{
    for (const FaultEntry& f : kFaults)
        if (name == f.name) return f.bit;
    return 0;
}

std::string faultNames()
{
    std::string names;
    for (const FaultEntry& f : kFaults) {
        if (!names.empty()) names += ", ";
        names += f.name;
    }
    return names;
}

Radio::Radio(Bytes image, const Identity& id)
    : image_(std::move(image)), id_(id), signal_(physics::kDefaultSignal)
{
    image_.resize(kImageSize, 0xFF);
}

void Radio::setSignal(int level)
{
    signal_ = std::clamp(level, 0, physics::kMaxSignal);
}

void Radio::setFault(unsigned bit, bool on)
{
    if (on)
        faults_ |= bit;
    else
        faults_ &= ~bit;
}

void Radio::lineDropped()
{
    assembler_.reset();
    writing_ = false;
    writeBad_ = false;
}

std::vector<WireEvent> Radio::receive(const uint8_t* data, size_t n)
{
    std::vector<WireEvent> out;
    if (pulled_) return out;
    const bool echo = !hasFault(kFaultNoEcho);
    for (size_t i = 0; i < n; ++i) {
        if (out.empty() || out.back().kind != WireEvent::Kind::PcBytes)
            out.push_back({WireEvent::Kind::PcBytes, {}, echo});
        out.back().bytes.push_back(data[i]);
        if (!assembler_.push(data[i])) continue;
        out.push_back({WireEvent::Kind::PcFrame, assembler_.raw(), false});
        // A broken cable or a switched-off radio: the frame goes nowhere.
        if (hasFault(kFaultNoEcho) || hasFault(kFaultNoAnswer)) continue;
        handleFrame(assembler_.body(), out);
        if (pulled_) break;
    }
    return out;
}

bool Radio::codesMatch(const uint8_t* p) const
{
    return p[0] == id_.mainCode[0] && p[1] == id_.mainCode[1] && p[2] == id_.subCode[0] &&
           p[3] == id_.subCode[1];
}

void Radio::handleFrame(const Bytes& body, std::vector<WireEvent>& out)
{
    if (body.size() < 3 || body[0] != kRadioAddress || body[1] != kPcAddress) return;
    const uint8_t cmd = body[2];
    const uint8_t* p = body.data() + 3;
    const size_t n = body.size() - 3;
    switch (cmd) {
    case kCmdModelQuery:
        // Answered whatever model code the PC asks with, so that the PC sees
        // who is there.
        if (n == 4 && p[2] == 0x00 && p[3] == 0x00) answerModelQuery(out);
        break;
    case kCmdCloneRead:
        if (n == 4 && codesMatch(p)) streamImage(out);
        break;
    case kCmdCloneWrite:
        if (n == 4 && codesMatch(p)) {
            writing_ = true;
            writeBad_ = false;
            writeFrames_ = 0;
        }
        break;
    case kCmdCloneData:
        if (writing_) takeWriteFrame(p, n, out);
        break;
    case kCmdCloneEnd:
        if (writing_) endWrite(p, n, out);
        break;
    case kCmdAdjust: {
        if (n != 7 || !codesMatch(p)) break;
        const int hi = hexDigit(p[5]);
        const int lo = hexDigit(p[6]);
        if (hi < 0 || lo < 0) break;
        adjust(p[4], static_cast<uint8_t>(hi * 16 + lo), out);
        break;
    }
    default:
        break;
    }
}

void Radio::answerModelQuery(std::vector<WireEvent>& out)
{
    // Body: EF EE E1, codes (bytes 4-7), count (byte 8) = length - 7, then
    // count - 1 further bytes, among them the model byte at position 43.
    Bytes payload{id_.mainCode[0], id_.mainCode[1], id_.subCode[0], id_.subCode[1],
                  static_cast<uint8_t>(kModelAnswerLength - 7)};
    for (int pos = 9; pos <= kModelAnswerLength; ++pos) {
        if (pos == kModelBytePosition)
            payload.push_back(hasFault(kFaultRefuseWrite) ? 0x00 : id_.modelByte);
        else
            payload.push_back(static_cast<uint8_t>((pos * 5) & 0x7F));  // never FE or FD
    }
    out.push_back({WireEvent::Kind::RadioFrame, radioFrame(kCmdModelAnswer, payload), false});
}

void Radio::streamImage(std::vector<WireEvent>& out)
{
    int frames = 0;
    for (int a = 0; a < kImageSize; a += kBlockSize) {
        if (hasFault(kFaultPull) && frames == kPullAfterFrames) {
            out.push_back({WireEvent::Kind::Pull, {}, false});
            pulled_ = true;
            return;
        }
        const uint8_t len = static_cast<uint8_t>(std::min(kBlockSize, kImageSize - a));
        uint16_t claimed = static_cast<uint16_t>(a);
        if (frames == kFaultyFrame && hasFault(kFaultBlockBeyond)) claimed = kBeyondAddress;
        Bytes block = cloneBlock(claimed, image_.data() + a, len);
        if (frames == kFaultyFrame && hasFault(kFaultBadChecksum)) block.back() ^= 0x01;
        out.push_back({WireEvent::Kind::RadioFrame, radioFrame(kCmdCloneData, toAsciiHex(block)), false});
        ++frames;
    }
    int count = frames;
    if (hasFault(kFaultWrongCount)) ++count;
    Bytes end(kMakerId.begin(), kMakerId.end());
    const Bytes countHex = toAsciiHex({static_cast<uint8_t>(count & 0xFF)});
    end.insert(end.end(), countHex.begin(), countHex.end());
    out.push_back({WireEvent::Kind::RadioFrame, radioFrame(kCmdCloneEnd, end), false});
}

void Radio::takeWriteFrame(const uint8_t* p, size_t n, std::vector<WireEvent>& out)
{
    if (hasFault(kFaultPullWrite) && writeFrames_ == kPullAfterWriteFrames) {
        out.push_back({WireEvent::Kind::Pull, {}, false});
        pulled_ = true;
        return;
    }
    ++writeFrames_;
    CloneBlock block;
    if (parseCloneBlock(p, n, block) != BlockError::None ||
        block.address + block.data.size() > static_cast<size_t>(kImageSize)) {
        writeBad_ = true;
        return;
    }
    std::copy(block.data.begin(), block.data.end(), image_.begin() + block.address);
}

void Radio::endWrite(const uint8_t* p, size_t n, std::vector<WireEvent>& out)
{
    const bool named = n == kMakerId.size() && std::equal(kMakerId.begin(), kMakerId.end(), p);
    const uint8_t result = (named && !writeBad_ && !hasFault(kFaultWriteFails)) ? 0x00 : 0x01;
    writing_ = false;
    writeBad_ = false;
    out.push_back({WireEvent::Kind::RadioFrame, radioFrame(kCmdWriteResult, {result}), false});
}

int Radio::adRead(uint8_t code)
{
    int v = physics::adReading(code, image_, signal_);
    if (noise_) v = std::clamp(v + static_cast<int>(rng_() % 3) - 1, 0, 255);
    return v;
}

void Radio::adjust(uint8_t sub, uint8_t value, std::vector<WireEvent>& out)
{
    if (sub == kSubChannel) {
        channel_ = value;
        return;
    }
    if (sub == kSubAdjustMode) {
        adjustMode_ = value;
        return;
    }
    if (sub == kSubAdRequest) {
        Bytes payload{id_.mainCode[0], id_.mainCode[1], id_.subCode[0], id_.subCode[1], kSubAdRequest};
        const Bytes hex = toAsciiHex({static_cast<uint8_t>(adRead(value))});
        payload.insert(payload.end(), hex.begin(), hex.end());
        if (hasFault(kFaultBadAd)) payload.back() = 'G';
        out.push_back({WireEvent::Kind::RadioFrame, radioFrame(kCmdAdjust, payload), false});
        return;
    }
    for (const AdjustEntry& e : kAdjustments) {
        if (e.sub == sub) {
            image_[e.address] = value;
            return;
        }
    }
}

}  // namespace dsim
