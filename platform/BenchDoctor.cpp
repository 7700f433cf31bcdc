#include "platform/BenchDoctor.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "platform/SerialLine.h"

namespace platform {

DeviceFacts GatherDeviceFacts(const std::string& device)
{
    DeviceFacts f;
    f.device = device;
    struct stat st {};
    if (stat(device.c_str(), &st) != 0)
        return f;
    f.exists = true;
    f.serial = S_ISCHR(st.st_mode);
    f.group = GroupName(st.st_gid);
    f.accessible = access(device.c_str(), R_OK | W_OK) == 0;
    f.inGroupNow = InGroupNow(st.st_gid);
    f.listedInGroup = ListedInGroup(st.st_gid);
    f.holderPid = ProcessHolding(device);
    if (!f.holderPid.empty())
        f.holder = ProcessText(f.holderPid);
    const DeviceLock lock = LockFileOf(device);
    if (lock.live && lock.pid != f.holderPid) {
        f.lockFile = lock.path;
        f.lockPid = lock.pid;
        f.lockHolder = ProcessText(lock.pid);
    } else if (!lock.path.empty() && !lock.live) {
        f.staleLock = lock.path;
    }
    f.adapter = DescribeAdapter(RealAdapterSystem(), device);
    if (f.serial && f.accessible && f.holder.empty()) {
        const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            f.adapter = OpenLowLatency(RealAdapterSystem(), fd, device);
            RestoreLatency(RealAdapterSystem(), fd, f.adapter);
            close(fd);
        }
    }
    return f;
}

std::vector<DoctorFinding> DeviceFindings(const DeviceFacts& f)
{
    std::vector<DoctorFinding> out;
    if (!f.exists) {
        out.push_back({true, f.device + ": no such device; the adapter is not plugged in, or it has another name",
                       "ls -l /dev/serial/by-id/ /dev/ttyUSB* /dev/ttyACM*"});
        return out;
    }
    if (!f.serial) {
        out.push_back({true, f.device + ": not a serial device", "ls -l /dev/serial/by-id/"});
        return out;
    }
    if (!f.accessible) {
        if (f.listedInGroup && !f.inGroupNow)
            out.push_back({true, f.device + ": you were added to the group " + f.group +
                                     " after logging in; this login does not have it yet",
                           "log out and in again (or: newgrp " + f.group + ")"});
        else if (!f.inGroupNow)
            out.push_back({true, f.device + ": belongs to the group " + f.group + ", and you are not in it",
                           "sudo usermod -aG " + f.group + " $USER"});
        else
            out.push_back({true, f.device + ": the device does not allow this user to read and write it",
                           "ls -l " + f.device});
    }
    if (!f.holder.empty())
        out.push_back({true, f.device + ": in use by " + f.holder, "kill " + f.holderPid});
    if (!f.lockHolder.empty())
        out.push_back({true, f.device + ": locked by " + f.lockHolder + " (" + f.lockFile + ")",
                       "kill " + f.lockPid});
    if (!f.staleLock.empty())
        out.push_back({false, f.device + ": a lock file of a program that has ended: " + f.staleLock,
                       "rm " + f.staleLock});
    const AdapterInfo& a = f.adapter;
    const bool slow = a.latencyTimerMs > 1;
    if (slow && (a.lowLatency == LowLatency::NotPermitted || a.lowLatency == LowLatency::NotSupported ||
                 a.lowLatency == LowLatency::Failed)) {
        std::string name = f.device.substr(f.device.rfind('/') + 1);
        out.push_back({false,
                       f.device + ": the adapter's latency timer is " + std::to_string(a.latencyTimerMs) +
                           " ms and low latency cannot be set (" + LowLatencyText(a.lowLatency) +
                           "); every answer from the radio comes up to that much later",
                       "echo 1 | sudo tee /sys/class/tty/" + name + "/device/latency_timer"});
    }
    return out;
}

std::vector<DoctorFinding> ServiceFindings(bool modemManager, bool brltty, const std::vector<std::string>& drivers)
{
    std::vector<DoctorFinding> out;
    if (brltty) {
        const bool takes = std::any_of(drivers.begin(), drivers.end(),
                                       [](const std::string& d) { return d == "ch341" || d == "cp210x"; });
        out.push_back({takes,
                       std::string("brltty runs; it takes some ch341 and cp210x adapters for braille displays") +
                           (takes ? ", and such an adapter is plugged in" : ""),
                       "sudo apt remove brltty"});
    }
    if (modemManager)
        out.push_back({false, "ModemManager runs; it probes a freshly plugged adapter for a few seconds",
                       "sudo systemctl stop ModemManager"});
    return out;
}

bool ProcessRuns(const std::string& name)
{
    DIR* proc = opendir("/proc");
    if (proc == nullptr)
        return false;
    bool found = false;
    while (dirent* p = readdir(proc)) {
        const std::string pid = p->d_name;
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream f("/proc/" + pid + "/comm");
        std::string comm;
        std::getline(f, comm);
        if (comm == name) {
            found = true;
            break;
        }
    }
    closedir(proc);
    return found;
}

}  // namespace platform
