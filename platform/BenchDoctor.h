#pragma once
// Why a bench may not reach the radio: what stands between this user and a
// serial device (a missing device, a group the user is not in, another
// program holding it, a lock file), services that take adapters, and the
// adapter's latency. Each finding comes with the one command that fixes it.
#include <string>
#include <vector>

#include "platform/SerialAdapter.h"

namespace platform {

struct DoctorFinding {
    bool blocking = true;   // stands in the way (else a note)
    std::string text;
    std::string fix;        // one command, "" when there is none
};

// What the system tells about one device.
struct DeviceFacts {
    std::string device;
    bool exists = false;
    bool serial = false;          // a character device
    std::string group;            // the device's group
    bool accessible = false;      // this user may read and write it
    bool inGroupNow = false;      // this login has the group
    bool listedInGroup = false;   // the user is a member by now
    std::string holder;           // a program that has it open ("sleep (process 42)")
    std::string holderPid;
    std::string lockFile;         // a lock file naming a live process
    std::string lockHolder;
    std::string lockPid;
    std::string staleLock;        // a lock file whose process is gone
    AdapterInfo adapter;          // lowLatency: what a trial opening found
};

// The facts of a device on this machine. A device this user may open is
// opened for a moment to see whether it takes low latency; the flag is put
// back at once.
DeviceFacts GatherDeviceFacts(const std::string& device);

// What stands in the way of opening the device, or slows it.
std::vector<DoctorFinding> DeviceFindings(const DeviceFacts& facts);

// Services that may claim an adapter: ModemManager probes new devices for
// a few seconds; brltty takes some adapters (ch341, cp210x) for braille
// displays.
std::vector<DoctorFinding> ServiceFindings(bool modemManager, bool brltty, const std::vector<std::string>& drivers);

// Whether a process of the given name runs (from /proc).
bool ProcessRuns(const std::string& name);

}  // namespace platform
