#include "platform/SettingsLocation.h"

#include <limits.h>
#include <unistd.h>

#include <cstdlib>

namespace platform {

std::string ProgramFolder()
{
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    std::string path(buf, static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string UserFolder(const char* variable, const char* underHome)
{
    const char* xdg = std::getenv(variable);
    if (xdg != nullptr && xdg[0] == '/')
        return std::string(xdg) + "/dorvel-adj";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/" + underHome + "/dorvel-adj";
}

std::string UserSettingsFolder()
{
    return UserFolder("XDG_CONFIG_HOME", ".config");
}

SettingsFiles ChooseSettingsFiles(const std::string& programFile, const std::string& userFile, bool userFileExists,
                                  bool programFileWritable)
{
    if (userFileExists)
        return {userFile, userFile};
    return {programFile, programFileWritable ? programFile : userFile};
}

SettingsFiles SettingsLocation(const std::string& programFolder, const std::string& fileName)
{
    const std::string userFile = UserSettingsFolder() + "/" + fileName;
    if (programFolder.empty())
        return {userFile, userFile};
    const std::string file = programFolder + (programFolder.back() == '/' ? "" : "/") + fileName;
    const bool fileWritable = ::access(file.c_str(), W_OK) == 0;
    const bool fileMissing = ::access(file.c_str(), F_OK) != 0;
    const bool writable = fileWritable || (fileMissing && ::access(programFolder.c_str(), W_OK | X_OK) == 0);
    return ChooseSettingsFiles(file, userFile, ::access(userFile.c_str(), F_OK) == 0, writable);
}

}  // namespace platform
