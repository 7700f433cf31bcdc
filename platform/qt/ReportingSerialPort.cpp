#include "platform/qt/ReportingSerialPort.h"

#include <iostream>

namespace platform {

bool ReportingSerialPort::setPortOpen(bool open)
{
    const bool ok = port_.setPortOpen(open);
    if (open && !ok)
        std::cerr << program_ << ": " << port_.openFailure() << std::endl;
    return ok;
}

}  // namespace platform
