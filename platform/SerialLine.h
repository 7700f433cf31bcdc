#pragma once
// What the serial line itself can tell on Linux, beside what a serial port
// library offers: the line's error counters, the bytes still in the
// kernel's transmit queue, and why a device would not open.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

// The error counters of a serial line since the device was set up.
struct LineErrorCounts {
    uint32_t frame = 0;
    uint32_t parity = 0;
    uint32_t brk = 0;
    uint32_t overrun = 0;      // the UART's own receive register
    uint32_t bufOverrun = 0;   // the kernel's receive buffer
};

// Reads the counters of an open line (TIOCGICOUNT); false for a device
// without them, such as a pseudo-terminal.
bool ReadLineErrorCounts(int fd, LineErrorCounts& counts);

// The communication notifications for the counters that rose between two
// readings, one per kind of error: break, framing error, overrun, receive
// buffer overflow, parity error.
std::vector<int16_t> LineErrorEvents(const LineErrorCounts& before, const LineErrorCounts& now);

// Watches the counters of one open line between receive notifications.
class LineErrorWatch {
public:
    using Reader = std::function<bool(LineErrorCounts&)>;
    // Takes the present counts as the baseline. A line that has no counters
    // is not asked again until the next start.
    void start(Reader reader);
    void stop() { reader_ = nullptr; }
    // The notifications for what the counters show since the last look.
    std::vector<int16_t> poll();

private:
    Reader reader_;
    LineErrorCounts last_;
};

// Bytes written to the device that its driver has not yet sent (TIOCOUTQ);
// 0 when the device cannot tell.
int KernelOutputQueue(int fd);

// A device path as the user means it: a relative one names the file
// relative to the current folder, not a name under /dev.
std::string AbsoluteDevicePath(const std::string& path);

// The folders where serial programs keep their lock files ("LCK..ttyUSB0"
// for /dev/ttyUSB0), as the serial port library looks in them.
std::vector<std::string> LockFolders();

// The lock files of device in folders that no running program holds: empty,
// without a process number, or naming a process that has ended. A file
// younger than two seconds is left out: its writer may still be writing it.
std::vector<std::string> StaleLockFiles(const std::string& device,
                                        const std::vector<std::string>& folders = LockFolders());

// Why the device could not be opened, for the operator: the system's
// reason, and where the cause is known, the cure (a missing device, a
// device of a group the user is not in, a device held by another program).
std::string ExplainOpenFailure(const std::string& device, const std::string& reason);

// "name (process 42)" for a process number.
std::string ProcessText(const std::string& pid);
// The number of a process that has the device open, "" when none is seen
// (only the user's own processes, unless run as root).
std::string ProcessHolding(const std::string& device);

// A lock file of the kind serial programs leave in the lock folders
// ("LCK..ttyUSB0", its first line the process number).
struct DeviceLock {
    std::string path;   // "" when there is none
    std::string pid;
    bool live = false;  // its process runs
};
DeviceLock LockFileOf(const std::string& device);

// Group membership: of this login, and of the user by now (added since
// logging in shows only here).
bool InGroupNow(unsigned gid);
bool ListedInGroup(unsigned gid);
std::string GroupName(unsigned gid);

// The advice for a device the user may not open: group is the device's
// group, inGroupNow whether this login has it, listedInGroup whether the
// user is a member by now (added since logging in).
std::string PermissionAdvice(const std::string& group, bool inGroupNow, bool listedInGroup);

}  // namespace platform
