#pragma once
// The radio at the far end of the cloning cable, as a pure byte machine: it
// takes the bytes the PC sends and tells what comes back on the wire (the
// echo of every byte, its answer frames) and when the cable is pulled. It
// keeps the EEPROM image, the live adjustment state and the faults asked for.
// Timing and the pseudo-terminal belong to the server.
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "sim/SimCodec.h"

namespace dsim {

// Faults on demand, as bits.
enum FaultBit : unsigned {
    kFaultNoEcho = 1u << 0,       // nothing comes back, nothing is answered
    kFaultNoAnswer = 1u << 1,     // the cable echoes, the radio neither acts nor answers
    kFaultBadChecksum = 1u << 2,  // one clone read data frame carries a wrong checksum
    kFaultBlockBeyond = 1u << 3,  // one clone read data frame ends beyond the image
    kFaultWrongCount = 1u << 4,   // the clone read end frame counts one frame too many
    kFaultBadAd = 1u << 5,        // A/D answers carry a non-hexadecimal value character
    kFaultPull = 1u << 6,         // the cable is pulled in the middle of a clone read
    kFaultRefuseWrite = 1u << 7,  // the model answer's model byte is 0x00: a read is allowed, a write not
    kFaultWriteFails = 1u << 8,   // the end of a clone write is answered with a failure
    kFaultPullWrite = 1u << 9,    // the cable is pulled in the middle of a clone write
};

// The bit of a fault name ("no-echo", ...), 0 for an unknown name.
unsigned faultBit(const std::string& name);
// All fault names, separated by ", ".
std::string faultNames();

struct Identity {
    uint8_t mainCode[2] = {0x53, 0x14};
    uint8_t subCode[2] = {0x01, 0x00};
    uint8_t modelByte = 0x01;  // body byte 43 of the model answer
};

// Something on the wire, in wire order.
struct WireEvent {
    enum class Kind {
        PcBytes,     // bytes from the PC; echoed says whether they come back
        PcFrame,     // the PC's bytes just completed this frame (for the log)
        RadioFrame,  // a frame the radio sends
        Pull,        // the cable is pulled here: nothing more goes over it
    };
    Kind kind;
    Bytes bytes;
    bool echoed = false;
};

class Radio {
public:
    static constexpr int kBlockSize = 32;          // data bytes per clone read frame
    static constexpr int kFaultyFrame = 9;         // index of the frame a frame fault spoils (the 10th)
    static constexpr int kBeyondAddress = 0x1FD0;  // where that frame claims to be for block-beyond
    static constexpr int kPullAfterFrames = 128;   // frames sent before the cable is pulled
    static constexpr int kPullAfterWriteFrames = 256;  // write frames taken before the cable is pulled
    static constexpr int kModelAnswerLength = 51;  // body bytes of the model answer
    static constexpr int kModelBytePosition = 43;  // 1-based body position of the model byte

    Radio(Bytes image, const Identity& id);

    std::vector<WireEvent> receive(const uint8_t* data, size_t n);
    std::vector<WireEvent> receive(const Bytes& bytes) { return receive(bytes.data(), bytes.size()); }

    // The PC has gone away: a half-received frame and an unfinished clone
    // write are forgotten.
    void lineDropped();

    const Bytes& image() const { return image_; }
    int channel() const { return channel_; }
    int adjustMode() const { return adjustMode_; }
    bool cloneWriting() const { return writing_; }

    int signal() const { return signal_; }
    void setSignal(int level);
    unsigned faults() const { return faults_; }
    bool hasFault(unsigned bit) const { return (faults_ & bit) != 0; }
    void setFault(unsigned bit, bool on);
    void clearFaults() { faults_ = 0; }
    bool noise() const { return noise_; }
    void setNoise(bool on) { noise_ = on; }

    // The A/D reading of a channel as the radio would report it now.
    int adRead(uint8_t code);

private:
    void handleFrame(const Bytes& body, std::vector<WireEvent>& out);
    bool codesMatch(const uint8_t* p) const;
    void answerModelQuery(std::vector<WireEvent>& out);
    void streamImage(std::vector<WireEvent>& out);
    void takeWriteFrame(const uint8_t* p, size_t n, std::vector<WireEvent>& out);
    void endWrite(const uint8_t* p, size_t n, std::vector<WireEvent>& out);
    void adjust(uint8_t sub, uint8_t value, std::vector<WireEvent>& out);

    Bytes image_;
    Identity id_;
    FrameAssembler assembler_;
    int channel_ = 1;
    int adjustMode_ = 0;
    int signal_;
    unsigned faults_ = 0;
    bool noise_ = false;
    bool writing_ = false;
    bool writeBad_ = false;
    int writeFrames_ = 0;   // write frames taken since the clone write started
    bool pulled_ = false;
    std::minstd_rand rng_{20240611u};
};

}  // namespace dsim
