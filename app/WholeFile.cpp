#include "app/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

bool WriteWholeFile(const std::string& path, const std::string& data, std::string& reason)
{
    std::string tmp = path + ".XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0) {
        reason = path + ": " + std::strerror(errno);
        return false;
    }
    ::fchmod(fd, 0644);
    int err = 0;
    size_t done = 0;
    while (done < data.size() && err == 0) {
        const ssize_t w = ::write(fd, data.data() + done, data.size() - done);
        if (w >= 0)
            done += static_cast<size_t>(w);
        else if (errno != EINTR)
            err = errno;
    }
    if (err == 0 && ::fsync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err == 0 && ::rename(tmp.c_str(), path.c_str()) != 0)
        err = errno;
    if (err == 0)
        return true;
    ::unlink(tmp.c_str());
    reason = path + ": " + std::strerror(err);
    return false;
}
