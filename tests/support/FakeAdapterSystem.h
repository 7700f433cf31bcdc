#pragma once
// One USB adapter's serial flags and sysfs entries, in memory. Like the
// usb-serial driver, it sets the latency timer to 1 ms while the low
// latency flag is on.
#include <linux/serial.h>

#include <string>
#include <vector>

#include "platform/SerialAdapter.h"

class FakeAdapterSystem : public platform::AdapterSystem {
public:
    int flags = 0;
    int getError = 0;
    int setError = 0;
    std::vector<int> sets;   // the flags set, in order, refused ones too
    std::string device = "/dev/serial/by-id/usb-Maker_Cable-if00-port0";   // "": every device is the adapter
    std::string name = "ttyUSB0";
    std::string driver = "ftdi_sio";
    bool hasTimer = true;
    int defaultTimer = 16;

    int getSerialFlags(int, int& f) override
    {
        f = getError == 0 ? flags : f;
        return getError;
    }
    int setSerialFlags(int, int f) override
    {
        sets.push_back(f);
        flags = setError == 0 ? f : flags;
        return setError;
    }
    std::string kernelName(const std::string& d) override { return device.empty() || d == device ? name : ""; }
    std::string readLine(const std::string& path) override
    {
        if (!hasTimer || path != "/sys/class/tty/" + name + "/device/latency_timer")
            return {};
        return std::to_string((flags & ASYNC_LOW_LATENCY) != 0 ? 1 : defaultTimer);
    }
    std::string linkName(const std::string& path) override
    {
        return path == "/sys/class/tty/" + name + "/device/driver" ? driver : std::string();
    }
};
