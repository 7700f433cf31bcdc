#pragma once
// The simulator's own frame codec: frame layout, ASCII hexadecimal payloads,
// the clone data block and its checksum, and the assembler for the frames the
// PC sends. It shares nothing with the program's link code on purpose, so
// that each side checks the other.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dsim {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t kPreamble = 0xFE;
constexpr uint8_t kEndOfFrame = 0xFD;
constexpr uint8_t kRadioAddress = 0xEE;
constexpr uint8_t kPcAddress = 0xEF;

constexpr uint8_t kCmdModelQuery = 0xE0;
constexpr uint8_t kCmdModelAnswer = 0xE1;
constexpr uint8_t kCmdCloneRead = 0xE2;
constexpr uint8_t kCmdCloneWrite = 0xE3;
constexpr uint8_t kCmdCloneData = 0xE4;
constexpr uint8_t kCmdCloneEnd = 0xE5;
constexpr uint8_t kCmdWriteResult = 0xE6;
constexpr uint8_t kCmdAdjust = 0xE8;

// The maker identification that opens every E5 payload (9 bytes).
extern const std::string kMakerId;

// FE FE EF EE cmd payload FD: a frame from the radio to the PC.
Bytes radioFrame(uint8_t cmd, const Bytes& payload);

// Two upper-case ASCII hexadecimal characters per byte.
Bytes toAsciiHex(const Bytes& bytes);
// Value of one ASCII hexadecimal digit (either case), or -1.
int hexDigit(uint8_t c);
// Decodes pairs of ASCII hexadecimal characters; false on an odd count or a
// character that is not a hexadecimal digit.
bool fromAsciiHex(const uint8_t* text, size_t n, Bytes& out);

// Two's complement of the byte sum, so that bytes plus checksum add to 0.
uint8_t blockChecksum(const Bytes& bytes);

// A clone data block before hexadecimal encoding: address high, address low,
// length, the data bytes, checksum.
Bytes cloneBlock(uint16_t address, const uint8_t* data, uint8_t length);

struct CloneBlock {
    uint16_t address = 0;
    Bytes data;
};

enum class BlockError { None, NotHex, TooShort, LengthMismatch, Checksum };

// Parses the ASCII hexadecimal payload of an E4 frame.
BlockError parseCloneBlock(const uint8_t* text, size_t n, CloneBlock& out);

// Assembles frames from a byte stream. A run of 0xFE opens a frame, a 0xFE
// after body bytes restarts it, 0xFD closes it; bytes outside a frame are
// dropped. An overlong body is dropped too.
class FrameAssembler {
public:
    static constexpr size_t kMaxBody = 1024;

    // Takes one byte; true when it completed a frame, whose body and raw
    // bytes stay valid until the next call.
    bool push(uint8_t b);
    // The bytes between the last preamble byte and the 0xFD.
    const Bytes& body() const { return body_; }
    // The whole frame as received, preamble and 0xFD included.
    const Bytes& raw() const { return raw_; }
    void reset();

private:
    bool inFrame_ = false;
    bool complete_ = false;
    Bytes body_;
    Bytes raw_;
};

}  // namespace dsim
