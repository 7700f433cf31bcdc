#pragma once
// The USB serial adapter behind a device, and its low-latency mode.
//
// The commonest adapters hold what the radio sends until a latency timer
// runs out (16 ms by default), so every exchange that waits for an echo or
// an answer waits that much longer. The kernel sets the adapter's timer to
// 1 ms when the port asks for low latency (ASYNC_LOW_LATENCY through
// TIOCGSERIAL/TIOCSSERIAL), which any user who may open the port may do.
// A pseudo-terminal refuses the request (ENOTTY); some drivers take the
// flag and ignore it. Neither is a failure: the port works as before.
#include <string>

namespace platform {

// What became of the request for low latency.
enum class LowLatency {
    NotTried,       // no open device
    Set,            // the flag was off and is set now
    AlreadySet,     // the flag was on already
    NotSupported,   // the device has no such setting (a pseudo-terminal)
    NotPermitted,   // the driver refused this user
    Failed,         // another error
};

// The adapter as the port found it at opening.
struct AdapterInfo {
    std::string driver;         // kernel driver: ftdi_sio, cp210x, ch341, cdc_acm ...; "" when none
    int latencyTimerMs = -1;    // the adapter's latency timer; -1 when it has none
    LowLatency lowLatency = LowLatency::NotTried;
    int error = 0;              // errno of a refused or failed request
};

// One line for the operator and the records: "ftdi_sio, latency timer 1 ms,
// low latency set", "no adapter driver (pseudo-terminal?), low latency not
// supported"; "" for a port that tells nothing.
std::string AdapterText(const AdapterInfo& info);
// The word for the low-latency outcome: "set", "already set", "not supported" ...
const char* LowLatencyText(LowLatency state);

// The system calls the decisions need, so that tests can stand in for the
// kernel: the serial flags of an open device, and sysfs.
class AdapterSystem {
public:
    virtual ~AdapterSystem() = default;
    // 0, or the errno of the failed ioctl.
    virtual int getSerialFlags(int fd, int& flags) = 0;
    virtual int setSerialFlags(int fd, int flags) = 0;
    // The kernel's name of the device ("ttyUSB0" for a by-id link), "" when
    // it does not exist.
    virtual std::string kernelName(const std::string& device) = 0;
    // The first line of a file, "" when it cannot be read.
    virtual std::string readLine(const std::string& path) = 0;
    // The last part of a symbolic link's target, "" when it is none.
    virtual std::string linkName(const std::string& path) = 0;
};

// The calls on this machine.
AdapterSystem& RealAdapterSystem();

// The driver and latency timer of a device from sysfs, without opening it.
AdapterInfo DescribeAdapter(AdapterSystem& sys, const std::string& device);

// At opening: asks for low latency, then reads the adapter back (the
// driver changes the latency timer when the flag is set).
AdapterInfo OpenLowLatency(AdapterSystem& sys, int fd, const std::string& device);

// At closing: the flag goes back to what it was before opening.
void RestoreLatency(AdapterSystem& sys, int fd, const AdapterInfo& info);

}  // namespace platform
