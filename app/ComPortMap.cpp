#include "app/ComPortMap.h"

#include <sys/stat.h>

namespace {

bool fileExists(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

std::string key(int16_t portNo)
{
    return "COM" + std::to_string(portNo);
}

}  // namespace

ComPortMap::ComPortMap(platform::ProfileFile& file, std::string fileName)
    : file_(file), fileName_(std::move(fileName)), exists_(fileExists)
{
}

std::string ComPortMap::DevicePath(int16_t portNo, bool tell) const
{
    if (portNo < 1 || portNo > 10)
        return {};
    if (!runDevice_.empty())
        return runDevice_;
    const std::string path = file_.GetPrivateProfileString("PORTS", key(portNo), "", 1024, fileName_);
    if (!path.empty())
        return path;
    const std::string fallback = "/dev/ttyUSB" + std::to_string(portNo - 1);
    if (lister_ == nullptr || exists_(fallback))
        return fallback;
    // A single adapter cannot be mistaken for another.
    const auto ports = lister_->list();
    int usb = 0;
    const platform::SerialPortEntry* only = nullptr;
    for (const auto& p : ports)
        if (p.usb) {
            ++usb;
            only = &p;
        }
    if (usb != 1)
        return fallback;
    if (notice_ && tell)
        notice_("COM " + std::to_string(portNo) + " has no device of its own; using the only USB serial adapter, " +
                only->path() + (only->description.empty() ? "" : " (" + only->description + ")"));
    return only->path();
}

bool ComPortMap::setDevicePath(int16_t portNo, const std::string& path)
{
    if (portNo < 1 || portNo > 10)
        return false;
    return file_.WritePrivateProfileString("PORTS", key(portNo), path, fileName_);
}
