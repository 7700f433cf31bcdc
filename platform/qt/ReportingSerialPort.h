#pragma once
// A serial port that says on stderr which device it could not open and why;
// the operator's message box keeps the program's own text.
#include <string>

#include "platform/ForwardingSerialPort.h"
#include "platform/qt/QtSerialPort.h"

namespace platform {

class ReportingSerialPort : public ForwardingSerialPort {
public:
    // program: the name the lines on stderr begin with.
    ReportingSerialPort(QtSerialPort& port, std::string program)
        : ForwardingSerialPort(port), port_(port), program_(std::move(program))
    {
    }
    bool setPortOpen(bool open) override;

private:
    QtSerialPort& port_;
    std::string program_;
};

}  // namespace platform
