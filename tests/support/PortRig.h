#pragma once
// The serial port service on an in-memory port, timer and clock.
#include "link/frmCom.h"
#include "tests/support/FakeSerialPort.h"
#include "tests/support/FakeTimer.h"
#include "tests/support/ManualTickClock.h"

struct PortRig {
    FakeSerialPort port;
    FakeTimer timer;
    ManualTickClock clk;
    frmCom com{port, timer, clk};
};
