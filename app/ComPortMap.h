#pragma once
// COM port numbers to device paths, from the settings file: section "PORTS",
// keys "COM1" to "COM10" (COM1=/dev/ttyUSB0). Without an entry, COM n is
// /dev/ttyUSB<n-1>. The file is read at every opening, so an edited mapping
// counts from the next "Connect".
#include <cstdint>
#include <string>

#include "platform/ProfileFile.h"

class ComPortMap {
public:
    ComPortMap(platform::ProfileFile& file, std::string fileName);

    // "" for a number outside 1 to 10.
    std::string DevicePath(int16_t portNo) const;

private:
    platform::ProfileFile& file_;
    std::string fileName_;
};
