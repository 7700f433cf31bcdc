#include "app/ComPortMap.h"

ComPortMap::ComPortMap(platform::ProfileFile& file, std::string fileName)
    : file_(file), fileName_(std::move(fileName))
{
}

std::string ComPortMap::DevicePath(int16_t portNo) const
{
    if (portNo < 1 || portNo > 10)
        return {};
    const std::string fallback = "/dev/ttyUSB" + std::to_string(portNo - 1);
    const std::string path =
        file_.GetPrivateProfileString("PORTS", "COM" + std::to_string(portNo), fallback, 1024, fileName_);
    return path.empty() ? fallback : path;
}
