#include "platform/SerialLine.h"

#include <dirent.h>
#include <grp.h>
#include <linux/serial.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <ctime>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/SerialPort.h"

namespace platform {

bool ReadLineErrorCounts(int fd, LineErrorCounts& counts)
{
    serial_icounter_struct ic{};
    if (fd < 0 || ioctl(fd, TIOCGICOUNT, &ic) != 0)
        return false;
    counts.frame = static_cast<uint32_t>(ic.frame);
    counts.parity = static_cast<uint32_t>(ic.parity);
    counts.brk = static_cast<uint32_t>(ic.brk);
    counts.overrun = static_cast<uint32_t>(ic.overrun);
    counts.bufOverrun = static_cast<uint32_t>(ic.buf_overrun);
    return true;
}

std::vector<int16_t> LineErrorEvents(const LineErrorCounts& before, const LineErrorCounts& now)
{
    const struct {
        uint32_t LineErrorCounts::*count;
        int16_t event;
    } kinds[] = {
        {&LineErrorCounts::brk, comEventBreak},
        {&LineErrorCounts::frame, comEventFrame},
        {&LineErrorCounts::overrun, comEventOverrun},
        {&LineErrorCounts::bufOverrun, comEventRxOver},
        {&LineErrorCounts::parity, comEventRxParity},
    };
    std::vector<int16_t> events;
    for (const auto& k : kinds)
        if (now.*k.count != before.*k.count)
            events.push_back(k.event);
    return events;
}

void LineErrorWatch::start(Reader reader)
{
    reader_ = std::move(reader);
    last_ = {};
    if (reader_ && !reader_(last_))
        reader_ = nullptr;
}

std::vector<int16_t> LineErrorWatch::poll()
{
    LineErrorCounts now;
    if (!reader_ || !reader_(now))
        return {};
    std::vector<int16_t> events = LineErrorEvents(last_, now);
    last_ = now;
    return events;
}

int KernelOutputQueue(int fd)
{
    int queued = 0;
    if (fd < 0 || ioctl(fd, TIOCOUTQ, &queued) != 0 || queued < 0)
        return 0;
    return queued;
}

std::string AbsoluteDevicePath(const std::string& path)
{
    if (path.empty() || path[0] == '/')
        return path;
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd) == nullptr)
        return path;
    return std::string(cwd) + "/" + path;
}

std::string ProcessText(const std::string& pid)
{
    std::ifstream f("/proc/" + pid + "/comm");
    std::string name;
    std::getline(f, name);
    return name.empty() ? std::string("process ") + pid : name + " (process " + pid + ")";
}

// Only the user's own processes are seen, unless run as root.
std::string ProcessHolding(const std::string& device)
{
    char real[PATH_MAX];
    if (realpath(device.c_str(), real) == nullptr)
        return {};
    const std::string self = std::to_string(getpid());
    DIR* proc = opendir("/proc");
    if (proc == nullptr)
        return {};
    std::string found;
    while (dirent* p = readdir(proc)) {
        const std::string pid = p->d_name;
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos || pid == self)
            continue;
        const std::string fdDir = "/proc/" + pid + "/fd";
        DIR* fds = opendir(fdDir.c_str());
        if (fds == nullptr)
            continue;
        while (dirent* f = readdir(fds)) {
            char target[PATH_MAX];
            const ssize_t n = readlink((fdDir + "/" + f->d_name).c_str(), target, sizeof target - 1);
            if (n > 0 && std::string(target, static_cast<size_t>(n)) == real) {
                found = pid;
                break;
            }
        }
        closedir(fds);
        if (!found.empty())
            break;
    }
    closedir(proc);
    return found;
}

namespace {

// The lock file's name for a device: "LCK..ttyUSB0" for /dev/ttyUSB0, the
// rest of any other path with its slashes as underscores.
std::string lockName(const std::string& device)
{
    std::string name = device.rfind("/dev/", 0) == 0 ? device.substr(5) : device;
    for (char& c : name)
        if (c == '/')
            c = '_';
    return "LCK.." + name;
}

// The process number on a lock file's first line (blanks before it
// allowed), or "" when there is none.
std::string lockPid(const std::string& path)
{
    std::ifstream f(path);
    std::string pid;
    if (!f || !std::getline(f, pid))
        return {};
    pid.erase(0, pid.find_first_not_of(' '));
    if (pid.empty() || pid.size() > 9 || pid.find_first_not_of("0123456789") != std::string::npos ||
        std::stol(pid) == 0)
        return {};
    return pid;
}

}  // namespace

DeviceLock LockFileOf(const std::string& device)
{
    for (const std::string& dir : LockFolders()) {
        const std::string path = dir + "/" + lockName(device);
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0)
            continue;
        const std::string pid = lockPid(path);
        return {path, pid, !pid.empty() && access(("/proc/" + pid).c_str(), F_OK) == 0};
    }
    return {};
}

bool InGroupNow(unsigned gid)
{
    if (getegid() == gid)
        return true;
    const int n = getgroups(0, nullptr);
    std::vector<gid_t> groups(n > 0 ? static_cast<size_t>(n) : 0);
    if (n > 0 && getgroups(n, groups.data()) == n)
        for (gid_t g : groups)
            if (g == gid)
                return true;
    return false;
}

bool ListedInGroup(unsigned gid)
{
    const group* g = getgrgid(gid);
    const passwd* pw = getpwuid(geteuid());
    if (g == nullptr || pw == nullptr)
        return false;
    if (pw->pw_gid == gid)
        return true;
    for (char** m = g->gr_mem; m != nullptr && *m != nullptr; ++m)
        if (std::strcmp(*m, pw->pw_name) == 0)
            return true;
    return false;
}

std::string GroupName(unsigned gid)
{
    const group* g = getgrgid(gid);
    return g != nullptr ? g->gr_name : std::to_string(gid);
}

std::vector<std::string> LockFolders()
{
    return {"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp", "/tmp", "/var/tmp",
            "/var/lock/lockdev", "/run/lock"};
}

std::vector<std::string> StaleLockFiles(const std::string& device, const std::vector<std::string>& folders)
{
    std::vector<std::string> stale;
    const time_t now = time(nullptr);
    for (const std::string& dir : folders) {
        const std::string path = dir + "/" + lockName(device);
        struct stat st {};
        // (A time in the future is no sign of a writer at work either.)
        if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || std::llabs(now - st.st_mtime) < 2)
            continue;
        const std::string pid = lockPid(path);
        if (pid.empty() || (kill(static_cast<pid_t>(std::stol(pid)), 0) != 0 && errno == ESRCH))
            stale.push_back(path);
    }
    return stale;
}

std::string PermissionAdvice(const std::string& group, bool inGroupNow, bool listedInGroup)
{
    if (inGroupNow)
        return "The device does not allow this user to read and write it.";
    if (listedInGroup)
        return "You were added to the group " + group + " after logging in: log out and in again.";
    return "The device belongs to the group " + group + ", and you are not in it: " +
           "sudo usermod -aG " + group + " $USER, then log out and in again.";
}

std::string ExplainOpenFailure(const std::string& device, const std::string& reason)
{
    std::string text = device + ": " + reason + ".";
    struct stat st {};
    if (stat(device.c_str(), &st) != 0) {
        if (errno == ENOENT)
            text += " No such device: the adapter is not plugged in, or it has another name "
                    "(ls /dev/ttyUSB* /dev/ttyACM* /dev/serial/by-id/).";
        return text;
    }
    if (access(device.c_str(), R_OK | W_OK) != 0 && errno == EACCES) {
        return text + " " + PermissionAdvice(GroupName(st.st_gid), InGroupNow(st.st_gid), ListedInGroup(st.st_gid));
    }
    if (!S_ISCHR(st.st_mode))
        return text + " This is not a serial device.";
    std::string holder = ProcessHolding(device);
    if (holder.empty()) {
        const DeviceLock lock = LockFileOf(device);
        if (lock.live)
            holder = lock.pid;
    }
    if (!holder.empty())
        return text + " The device is in use by " + ProcessText(holder) + ".";
    // One that could not be removed before the opening.
    const std::vector<std::string> stale = StaleLockFiles(device);
    if (!stale.empty())
        return text + " The lock file " + stale[0] + " names no running program: remove it (sudo rm " + stale[0] +
               ").";
    if (reason.find("busy") != std::string::npos || reason.find("lock") != std::string::npos)
        text += " Another program holds the device (a freshly plugged ACM adapter is probed by "
                "ModemManager for a few seconds).";
    return text;
}

}  // namespace platform
