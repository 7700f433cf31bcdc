#pragma once
// The serial ports present, from Qt's port information and the stable names
// that udev keeps under /dev/serial/by-id.
#include "platform/SerialPortList.h"

namespace platform {

class QtSerialPortList : public SerialPortLister {
public:
    std::vector<SerialPortEntry> list() override;
};

}  // namespace platform
