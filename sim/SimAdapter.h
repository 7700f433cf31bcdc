#pragma once
// A USB serial adapter between the line and the PC. Towards the PC it
// gathers the bytes off the line into USB packets: an adapter with a
// latency timer sends a packet when it is full or when the timer runs out
// (the timer restarts with every packet, an empty status packet included,
// so a lone byte waits up to one timer period); an adapter without one
// sends each packet a fixed turnaround after its first byte. Towards the
// radio the PC's bytes reach the adapter one USB frame after they were
// written, then keep the line's pacing.
#include <cstdint>
#include <deque>
#include <string>

#include "sim/SimCodec.h"

namespace dsim {

struct AdapterProfile {
    std::string name = "none";
    size_t packetBytes = 0;     // data bytes per packet to the PC; 0: no adapter, bytes pass at once
    int64_t latencyNs = 0;      // the latency timer; 0: none
    int64_t turnaroundNs = 0;   // without a timer: from a packet's first byte to its sending
    int64_t usbOutNs = 0;       // from the PC's write to the adapter
};

// The profile of a name (none, ftdi, ftdi-low, cp210x); false for others.
bool adapterProfile(const std::string& name, AdapterProfile& profile);
// The names, separated by '|'.
std::string adapterNames();

class AdapterModel {
public:
    explicit AdapterModel(AdapterProfile profile) : p_(std::move(profile)) {}
    const AdapterProfile& profile() const { return p_; }
    // A byte off the line at the moment at (nanoseconds, not decreasing).
    void receive(int64_t at, uint8_t byte);
    // When the next packet leaves for the PC; -1 when nothing waits.
    int64_t nextPacket() const;
    // Appends the bytes of every packet sent by now.
    void release(int64_t now, Bytes& out);
    // Appends every byte still held, at once (the line ends).
    void releaseAll(Bytes& out);
    // Forgets what waits (the PC has gone).
    void clear();

private:
    struct Packet {
        int64_t at;
        Bytes bytes;
    };
    void send(int64_t at);
    void advance(int64_t now);

    AdapterProfile p_;
    std::deque<Packet> sent_;
    Bytes filling_;
    int64_t firstAt_ = 0;   // the first byte of the packet being filled
    int64_t timerAt_ = 0;   // the last packet, from which the latency timer runs
    int64_t last_ = 0;
};

}  // namespace dsim
