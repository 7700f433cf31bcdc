#pragma once
// COM port numbers to device paths, from the settings file: section "PORTS",
// keys "COM1" to "COM10" (COM1=/dev/ttyUSB0). Without an entry, COM n is
// /dev/ttyUSB<n-1>; when that does not exist either but exactly one USB
// serial adapter is present, COM n is that adapter. The file is read at
// every opening, so an edited mapping counts from the next "Connect".
#include <cstdint>
#include <functional>
#include <string>

#include "platform/ProfileFile.h"
#include "platform/SerialPortList.h"

class ComPortMap {
public:
    ComPortMap(platform::ProfileFile& file, std::string fileName);

    // The ports present, for the choice of an adapter (none: no choice).
    void setLister(platform::SerialPortLister* lister) { lister_ = lister; }
    // Says which adapter a port number without a device of its own takes.
    void setNotice(std::function<void(const std::string&)> notice) { notice_ = std::move(notice); }
    // Whether a device exists (tests replace the file system's answer).
    void setExists(std::function<bool(const std::string&)> exists) { exists_ = std::move(exists); }

    // For this run only, every port number opens this device (the demo's
    // simulated radio); "" goes back to the settings. Nothing is written.
    void setRunDevice(std::string path) { runDevice_ = std::move(path); }
    const std::string& runDevice() const { return runDevice_; }

    // "" for a number outside 1 to 10. tell: say which adapter a number
    // without a device of its own takes (the opening does; a menu does not).
    std::string DevicePath(int16_t portNo, bool tell = true) const;
    // Maps the port number to the device in the settings file at once;
    // false when the file could not be written.
    bool setDevicePath(int16_t portNo, const std::string& path);

private:
    platform::ProfileFile& file_;
    std::string fileName_;
    platform::SerialPortLister* lister_ = nullptr;
    std::function<void(const std::string&)> notice_;
    std::function<bool(const std::string&)> exists_;
    std::string runDevice_;
};
