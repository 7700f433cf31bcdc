#pragma once
// The PC's view of the wire for the simulator tests, written independently of
// the simulator's own codec.
#include <cstdint>
#include <string>
#include <vector>

#include "sim/SimRadio.h"

namespace simtest {

using Bytes = std::vector<uint8_t>;
using Events = std::vector<dsim::WireEvent>;

Bytes hex(const std::string& text);  // "FE FE EE EF" or "FEFEEEEF"
Bytes asciiHex(uint8_t v);            // two upper-case ASCII hex characters
// An E8 frame from the PC with the given model codes.
Bytes pcAdjust(uint8_t sub, uint8_t value, const std::string& codes = "53140100");

Bytes echoOf(const Events& events);
std::vector<Bytes> radioFramesOf(const Events& events);
Bytes bodyOf(const Bytes& frame);  // between the preamble and 0xFD

// A clone read stream taken apart as the PC would.
struct CloneRead {
    Bytes image = Bytes(8160, 0);
    std::vector<int> addresses, lengths;
    std::vector<bool> checksumOk;     // checksum and length field agree
    std::vector<size_t> bodyLengths;
    std::string endName;              // the 9 bytes after E5, empty without an end frame
    int endCount = -1;
};
CloneRead decodeCloneRead(const std::vector<Bytes>& frames);

// An A/D request; the reading from a well-formed answer, else -1.
int readAd(dsim::Radio& radio, uint8_t code);

}  // namespace simtest
