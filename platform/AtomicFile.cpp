#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

std::string folderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool writeAll(int fd, const std::string& data)
{
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Puts the finished temporary file at path; 0 or the errno value.
int place(const std::string& tmp, const std::string& path, bool replace)
{
    if (replace)
        return ::rename(tmp.c_str(), path.c_str()) == 0 ? 0 : errno;
    // A hard link never replaces an existing file. Where the file system
    // has no hard links, a rename after a look serves.
    if (::link(tmp.c_str(), path.c_str()) == 0) {
        ::unlink(tmp.c_str());
        return 0;
    }
    const int e = errno;
    if (e != EPERM && e != ENOTSUP && e != EOPNOTSUPP && e != EMLINK)
        return e;
    if (::access(path.c_str(), F_OK) == 0)
        return EEXIST;
    return ::rename(tmp.c_str(), path.c_str()) == 0 ? 0 : errno;
}

}  // namespace

int WriteFileAtomically(const std::string& path, const std::string& data, bool replace, std::string& reason)
{
    const std::string folder = folderOf(path);
    std::string pattern = folder + "/." + nameOf(path) + ".XXXXXX";
    std::vector<char> tmpName(pattern.begin(), pattern.end());
    tmpName.push_back('\0');
    const int fd = ::mkstemp(tmpName.data());
    if (fd < 0) {
        const int e = errno;
        reason = "cannot create a file in " + folder + ": " + std::strerror(e);
        return e;
    }
    const std::string tmp(tmpName.data());
    ::fchmod(fd, 0644);
    int e = 0;
    if (!writeAll(fd, data) || ::fsync(fd) != 0)
        e = errno;
    if (::close(fd) != 0 && e == 0)
        e = errno;
    if (e != 0) {
        ::unlink(tmp.c_str());
        reason = "cannot write " + path + ": " + std::strerror(e);
        return e;
    }
    e = place(tmp, path, replace);
    if (e != 0) {
        ::unlink(tmp.c_str());
        reason = "cannot write " + path + ": " + std::strerror(e);
        return e;
    }
    // The new name itself reaches the disk with its folder.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return 0;
}

int MakeFolders(const std::string& folder)
{
    if (folder.empty())
        return ENOENT;
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    const size_t slash = folder.find_last_of('/');
    if (slash != std::string::npos && slash > 0) {
        const int e = MakeFolders(folder.substr(0, slash));
        if (e != 0)
            return e;
    }
    if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST)
        return errno;
    return 0;
}
