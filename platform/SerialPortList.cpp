#include "platform/SerialPortList.h"

namespace platform {

std::string DescribePort(const SerialPortEntry& port)
{
    std::string line = port.path();
    for (const std::string* field : {&port.device, &port.description, &port.manufacturer, &port.serialNumber}) {
        if (field == &port.device && port.stablePath.empty())
            continue;
        line += "  " + (field->empty() ? std::string("-") : *field);
    }
    const std::string adapter = AdapterText(port.adapter);
    line += "  " + (adapter.empty() ? std::string("-") : adapter);
    return line;
}

}  // namespace platform
