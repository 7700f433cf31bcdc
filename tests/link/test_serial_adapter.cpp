// Low latency at opening, over a stand-in for the kernel's serial flags and
// sysfs: what is asked for, what is remembered, what closing puts back.
#include <gtest/gtest.h>

#include <cerrno>
#include <tuple>

#include "platform/BenchDoctor.h"
#include "tests/support/FakeAdapterSystem.h"

namespace {

using platform::AdapterInfo;
using platform::LowLatency;

const char kDevice[] = "/dev/serial/by-id/usb-Maker_Cable-if00-port0";

}  // namespace

// Nothing is asked of a device that is not open (fd -1), and the text still
// comes from sysfs; the text says the driver, the timer and what came of the
// request exactly.
TEST(SerialAdapter, OpeningAsksForLowLatencyAndRemembersWhatCameOfIt)
{
    struct Case { const char* name; int fd, flags, getError, setError; const char* driver; bool hasTimer;
                  size_t sets; const char* text; };
    const Case cases[] = {
        {"ftdi, flag off", 3, 0, 0, 0, "ftdi_sio", true, 1, "ftdi_sio, latency timer 1 ms, low latency set"},
        {"ftdi, flag on already", 3, ASYNC_LOW_LATENCY, 0, 0, "ftdi_sio", true, 0,
         "ftdi_sio, latency timer 1 ms, low latency already set"},
        {"driver refuses the user", 3, 0, 0, EPERM, "ftdi_sio", true, 1,
         "ftdi_sio, latency timer 16 ms, low latency not permitted"},
        {"adapter without a timer", 3, 0, 0, 0, "cp210x", false, 1,
         "cp210x, no latency timer, low latency set"},
        {"device without serial flags", 3, 0, ENOTTY, 0, "cdc_acm", false, 0,
         "cdc_acm, no latency timer, low latency not supported"},
        {"flags refused as invalid", 3, 0, 0, EINVAL, "ch341", false, 1,
         "ch341, no latency timer, low latency not supported"},
        {"an input/output error", 3, 0, 0, EIO, "pl2303", false, 1,
         "pl2303, no latency timer, low latency failed"},
        {"a closed device", -1, 0, 0, 0, "ftdi_sio", true, 0, "ftdi_sio, latency timer 16 ms"},
    };
    for (const Case& c : cases) {
        FakeAdapterSystem k;
        k.flags = c.flags | 0x40;   // other flags are kept
        k.getError = c.getError;
        k.setError = c.setError;
        k.driver = c.driver;
        k.hasTimer = c.hasTimer;
        const AdapterInfo info = platform::OpenLowLatency(k, c.fd, kDevice);
        EXPECT_EQ(k.sets.size(), c.sets) << c.name;
        EXPECT_EQ(platform::AdapterText(info), c.text) << c.name;
        EXPECT_EQ(k.flags & 0x40, 0x40) << c.name;

        // Closing puts the flag back to what it was before the opening.
        platform::RestoreLatency(k, c.fd, info);
        EXPECT_EQ(k.flags & ASYNC_LOW_LATENCY, c.setError == 0 ? c.flags : 0) << c.name;
        EXPECT_EQ(k.flags & 0x40, 0x40) << c.name;
    }

    // A latency timer file that holds something else is no timer.
    class Odd : public FakeAdapterSystem {
        std::string readLine(const std::string&) override { return "sixteen"; }
    } odd;
    EXPECT_EQ(platform::DescribeAdapter(odd, kDevice).latencyTimerMs, -1);
}

// The doctor's decisions on facts this machine cannot show: groups joined
// since logging in, a slow adapter that refuses low latency, services.
TEST(BenchDoctor, FindingsOfADeviceAndOfTheServices)
{
    struct Case { const char* name; platform::DeviceFacts facts; std::vector<platform::DoctorFinding> findings; };
    auto device = [](auto change) {
        platform::DeviceFacts f;
        f.device = "/dev/ttyUSB0";
        f.exists = f.serial = f.accessible = true;
        f.group = "dialout";
        change(f);
        return f;
    };
    auto adapter = [&](int timerMs, LowLatency state) {
        return device([&](platform::DeviceFacts& f) { f.adapter = {"", timerMs, state}; });
    };
    const Case cases[] = {
        {"all well", device([](platform::DeviceFacts&) {}), {}},
        {"added to the group since logging in",
         device([](platform::DeviceFacts& f) { f.accessible = false, f.listedInGroup = true; }),
         {{true, "/dev/ttyUSB0: you were added to the group dialout after logging in; this login does not have it yet",
           "log out and in again (or: newgrp dialout)"}}},
        {"in the group, and still refused", device([](platform::DeviceFacts& f) { f.accessible = false, f.inGroupNow = true; }),
         {{true, "/dev/ttyUSB0: the device does not allow this user to read and write it", "ls -l /dev/ttyUSB0"}}},
        {"a 16 ms timer that stays", adapter(16, LowLatency::NotPermitted),
         {{false,
           "/dev/ttyUSB0: the adapter's latency timer is 16 ms and low latency cannot be set (not permitted); every "
           "answer from the radio comes up to that much later",
           "echo 1 | sudo tee /sys/class/tty/ttyUSB0/device/latency_timer"}}},
        {"a 16 ms timer that low latency sets", adapter(16, LowLatency::Set), {}},
        {"a 1 ms timer already", adapter(1, LowLatency::NotSupported), {}},
    };
    auto fields = [](const platform::DoctorFinding& f) { return std::make_tuple(f.blocking, f.text, f.fix); };
    for (const Case& c : cases) {
        const auto got = platform::DeviceFindings(c.facts);
        ASSERT_EQ(got.size(), c.findings.size()) << c.name;
        for (size_t i = 0; i < got.size(); ++i)
            EXPECT_EQ(fields(got[i]), fields(c.findings[i])) << c.name;
    }

    // brltty stands in the way only when an adapter of the kind it takes is
    // plugged in; ModemManager is a note.
    const struct {
        bool modemManager, brltty;
        std::vector<std::string> drivers;
        std::vector<bool> blocking;
    } services[] = {
        {false, false, {"ch341"}, {}},
        {false, true, {"ftdi_sio"}, {false}},
        {false, true, {"ftdi_sio", "cp210x"}, {true}},
        {true, true, {"ch341"}, {true, false}},
        {true, false, {}, {false}},
    };
    for (const auto& s : services) {
        const auto got = platform::ServiceFindings(s.modemManager, s.brltty, s.drivers);
        ASSERT_EQ(got.size(), s.blocking.size());
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].blocking, s.blocking[i]) << got[i].text;
            EXPECT_FALSE(got[i].fix.empty());
        }
    }
}
