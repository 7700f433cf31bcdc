#include "platform/SerialAdapter.h"

#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>

namespace platform {

namespace {

class RealSystem : public AdapterSystem {
public:
    int getSerialFlags(int fd, int& flags) override
    {
        serial_struct ss{};
        if (ioctl(fd, TIOCGSERIAL, &ss) != 0)
            return errno;
        flags = ss.flags;
        return 0;
    }
    int setSerialFlags(int fd, int flags) override
    {
        serial_struct ss{};
        if (ioctl(fd, TIOCGSERIAL, &ss) != 0)
            return errno;
        ss.flags = flags;
        return ioctl(fd, TIOCSSERIAL, &ss) != 0 ? errno : 0;
    }
    std::string kernelName(const std::string& device) override
    {
        char real[PATH_MAX];
        if (realpath(device.c_str(), real) == nullptr)
            return {};
        const std::string path = real;
        return path.substr(path.rfind('/') + 1);
    }
    std::string readLine(const std::string& path) override
    {
        std::ifstream f(path);
        std::string line;
        std::getline(f, line);
        return line;
    }
    std::string linkName(const std::string& path) override
    {
        char target[PATH_MAX];
        const ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
        if (n <= 0)
            return {};
        const std::string t(target, static_cast<size_t>(n));
        return t.substr(t.rfind('/') + 1);
    }
};

LowLatency fromErrno(int error)
{
    switch (error) {
    case ENOTTY:
    case EINVAL:
        return LowLatency::NotSupported;
    case EPERM:
    case EACCES:
        return LowLatency::NotPermitted;
    default:
        return LowLatency::Failed;
    }
}

}  // namespace

AdapterSystem& RealAdapterSystem()
{
    static RealSystem sys;
    return sys;
}

const char* LowLatencyText(LowLatency state)
{
    switch (state) {
    case LowLatency::NotTried: return "not tried";
    case LowLatency::Set: return "set";
    case LowLatency::AlreadySet: return "already set";
    case LowLatency::NotSupported: return "not supported";
    case LowLatency::NotPermitted: return "not permitted";
    case LowLatency::Failed: return "failed";
    }
    return "?";
}

std::string AdapterText(const AdapterInfo& info)
{
    if (info.driver.empty() && info.latencyTimerMs < 0 && info.lowLatency == LowLatency::NotTried)
        return {};   // a port that cannot tell
    std::string text = info.driver.empty() ? std::string("no adapter driver") : info.driver;
    text += info.latencyTimerMs >= 0 ? ", latency timer " + std::to_string(info.latencyTimerMs) + " ms"
                                     : std::string(", no latency timer");
    if (info.lowLatency != LowLatency::NotTried)
        text += std::string(", low latency ") + LowLatencyText(info.lowLatency);
    return text;
}

AdapterInfo DescribeAdapter(AdapterSystem& sys, const std::string& device)
{
    AdapterInfo info;
    const std::string name = sys.kernelName(device);
    if (name.empty())
        return info;
    const std::string dir = "/sys/class/tty/" + name + "/device";
    info.driver = sys.linkName(dir + "/driver");
    const std::string timer = sys.readLine(dir + "/latency_timer");
    if (!timer.empty() && timer.size() <= 3 && timer.find_first_not_of("0123456789") == std::string::npos)
        info.latencyTimerMs = std::atoi(timer.c_str());
    return info;
}

AdapterInfo OpenLowLatency(AdapterSystem& sys, int fd, const std::string& device)
{
    LowLatency state = LowLatency::NotTried;
    int error = 0;
    int flags = 0;
    if (fd >= 0) {
        error = sys.getSerialFlags(fd, flags);
        if (error == 0 && (flags & ASYNC_LOW_LATENCY) != 0) {
            state = LowLatency::AlreadySet;
        } else if (error == 0) {
            error = sys.setSerialFlags(fd, flags | ASYNC_LOW_LATENCY);
            state = error == 0 ? LowLatency::Set : fromErrno(error);
        } else {
            state = fromErrno(error);
        }
    }
    // Read after the request: the driver has just changed the timer.
    AdapterInfo info = DescribeAdapter(sys, device);
    info.lowLatency = state;
    info.error = error;
    return info;
}

void RestoreLatency(AdapterSystem& sys, int fd, const AdapterInfo& info)
{
    if (fd < 0 || info.lowLatency != LowLatency::Set)
        return;
    int flags = 0;
    if (sys.getSerialFlags(fd, flags) == 0 && (flags & ASYNC_LOW_LATENCY) != 0)
        sys.setSerialFlags(fd, flags & ~ASYNC_LOW_LATENCY);
}

}  // namespace platform
