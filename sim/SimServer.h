#pragma once
// The simulator on a pseudo-terminal: the wire's timing (one shared line,
// every byte taking its time at the line rate) and the serving loop.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "sim/SimAdapter.h"
#include "sim/SimCodec.h"
#include "sim/SimOptions.h"
#include "sim/SimRadio.h"

namespace dsim {

// Something due on the wire at a moment of the monotonic clock.
struct WireItem {
    enum class Kind { Byte, LogPc, LogRadio, Pull };
    int64_t due = 0;  // nanoseconds
    Kind kind = Kind::Byte;
    uint8_t byte = 0;
    Bytes frame;  // the frame to log
};

// The one-wire line. Each byte takes 10 bit times on the wire and is echoed
// at the end of its own byte time. The radio's answer starts a short
// turnaround after the PC's frame has finished and occupies the line byte
// by byte. Unpaced, everything is due at once, in the same order.
class WireLine {
public:
    static constexpr int64_t kTurnaroundNs = 2000000;
    static constexpr int64_t kPullGraceNs = 300000000;   // pulled 300 ms after the last byte

    WireLine(long baud, bool paced);

    int64_t byteNs() const { return byteNs_; }
    // When the line is free for the next byte (paced only).
    int64_t lineFree() const { return lineFree_; }
    void schedule(int64_t now, const std::vector<WireEvent>& events);
    bool empty() const { return items_.empty(); }
    int64_t nextDue() const { return items_.front().due; }
    // Takes the first item if it is due at now.
    bool popDue(int64_t now, WireItem& item);
    // Drops everything pending; the line is free again.
    void clear();

private:
    int64_t byteNs_;
    bool paced_;
    int64_t lineFree_ = 0;
    bool pcLast_ = false;
    std::deque<WireItem> items_;
};

// One log line: "<ms> pc|radio <HEX>".
std::string logLine(int64_t ms, bool fromPc, const Bytes& frame);

// The PC's UART: the bytes the PC has written wait in its transmit queue
// until the line takes them, one byte time each; a flush of the PC's output
// drops those not yet taken. Unpaced, the line takes every byte at once.
class PcTransmitQueue {
public:
    // usbOutNs: from the PC's write to the adapter (0 without one).
    explicit PcTransmitQueue(bool paced, int64_t usbOutNs = 0) : paced_(paced), usbOutNs_(usbOutNs) {}
    void push(int64_t now, const uint8_t* data, size_t n);
    // The moment the line takes the first queued byte, given when the line
    // is free; -1 when nothing waits.
    int64_t nextTake(int64_t lineFree) const;
    bool take(uint8_t& byte);
    void flush() { queue_.clear(); }

private:
    struct Waiting {
        uint8_t byte;
        int64_t arrived;
    };
    bool paced_;
    int64_t usbOutNs_;
    std::deque<Waiting> queue_;
};

// Serves the radio on a pseudo-terminal until SIGINT or SIGTERM (0), or until
// the cable is pulled (0). Prints the device path as the first line on
// stdout. Returns 1 when the pseudo-terminal or the log cannot be set up,
// 2 when the --link path is taken by something that is not a symbolic link.
int runServer(const Options& opt, Radio& radio);

// The whole program: options, image, then the server. Returns the exit status.
int simMain(int argc, const char* const* argv);

}  // namespace dsim
