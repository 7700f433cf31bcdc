#pragma once
// The serial ports present on this computer, as the operator chooses among
// them.
#include <string>
#include <vector>

#include "platform/SerialAdapter.h"

namespace platform {

struct SerialPortEntry {
    std::string device;        // /dev/ttyUSB0
    std::string stablePath;    // /dev/serial/by-id/..., "" when there is none
    std::string description;
    std::string manufacturer;
    std::string serialNumber;
    bool usb = false;          // a USB adapter
    AdapterInfo adapter{};     // its driver and latency timer, from sysfs

    // The name to keep in the settings: the stable one where there is one,
    // so that the same adapter is found whatever order adapters come up in.
    const std::string& path() const { return stablePath.empty() ? device : stablePath; }
};

// One line: the path to keep, the device, description, maker, serial
// number and the adapter's driver and latency timer ("-" for what the port
// does not tell), separated by two blanks.
std::string DescribePort(const SerialPortEntry& port);

class SerialPortLister {
public:
    virtual ~SerialPortLister() = default;
    virtual std::vector<SerialPortEntry> list() = 0;
};

}  // namespace platform
