// dorvel-adj-cli ports: the serial ports present, one line each, as the
// window's "Port device..." lists them.
#include <iostream>

#include "cli/Commands.h"
#include "platform/qt/QtSerialPortList.h"

int CliPorts(const std::vector<std::string>& args)
{
    if (!args.empty()) {
        std::cerr << "dorvel-adj-cli ports: usage: ports" << std::endl;
        return 2;
    }
    platform::QtSerialPortList lister;
    const auto ports = lister.list();
    for (const auto& p : ports)
        std::cout << platform::DescribePort(p) << '\n';
    if (ports.empty())
        std::cerr << "no serial ports found (is the adapter plugged in?)" << std::endl;
    return 0;
}
