#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

// More links than this in a row are a loop.
constexpr int kMaxLinks = 40;

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

const char* kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISCHR(mode))
        return "a character device";
    if (S_ISBLK(mode))
        return "a block device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "no regular file";
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

void syncFolder(const std::string& folder)
{
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

// One file on its way: the data in its temporary file beside the target.
struct Pending {
    std::string target;
    std::string tmp;
    bool swapped = false;   // the previous file now lies under tmp
    bool fresh = false;     // there was no file under the target's name
};

// The complete data in a new temporary file beside p.target; 0 or errno.
int writeTemporary(Pending& p, const std::string& data, std::string& reason)
{
    const std::string folder = folderOf(p.target);
    const std::string pattern = folder + "/." + nameOf(p.target) + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        const int e = errno;
        reason = "cannot create a file in " + folder + ": " + std::strerror(e);
        return e;
    }
    p.tmp = name.data();
    // A file that is replaced keeps its permissions; a new one is 0644.
    struct stat st {};
    ::fchmod(fd, ::stat(p.target.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644);
    int e = 0;
    if (!writeAll(fd, data) || ::fsync(fd) != 0)
        e = errno;
    if (::close(fd) != 0 && e == 0)
        e = errno;
    if (e != 0) {
        ::unlink(p.tmp.c_str());
        p.tmp.clear();
        reason = "cannot write " + p.target + ": " + std::strerror(e);
    }
    return e;
}

// Swaps the new file with the previous one, so that the previous one can
// come back if a later file of the same set fails; a plain rename where
// there was none, or where the file system cannot swap.
int replaceTarget(Pending& p)
{
    if (::renameat2(AT_FDCWD, p.tmp.c_str(), AT_FDCWD, p.target.c_str(), RENAME_EXCHANGE) == 0) {
        p.swapped = true;
        return 0;
    }
    const int e = errno;
    if (e != ENOENT && e != EINVAL && e != ENOSYS)
        return e;
    if (::rename(p.tmp.c_str(), p.target.c_str()) != 0)
        return errno;
    p.fresh = e == ENOENT;
    p.tmp.clear();
    return 0;
}

void takeBack(Pending& p)
{
    if (p.swapped)
        ::renameat2(AT_FDCWD, p.tmp.c_str(), AT_FDCWD, p.target.c_str(), RENAME_EXCHANGE);
    else if (p.fresh)
        ::unlink(p.target.c_str());
}

// Puts the finished temporary file at the target without replacing
// anything there; 0 or the errno value.
int addTarget(Pending& p)
{
    // A hard link never replaces an existing file. Where the file system
    // has no hard links, a rename after a look serves.
    if (::link(p.tmp.c_str(), p.target.c_str()) == 0)
        return 0;
    const int e = errno;
    if (e != EPERM && e != ENOTSUP && e != EOPNOTSUPP && e != EMLINK)
        return e;
    if (::access(p.target.c_str(), F_OK) == 0)
        return EEXIST;
    if (::rename(p.tmp.c_str(), p.target.c_str()) != 0)
        return errno;
    p.tmp.clear();
    return 0;
}

}  // namespace

int OutputTarget(const std::string& path, std::string& target, std::string& reason)
{
    std::string p = path;
    for (int hops = 0; hops <= kMaxLinks; ++hops) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0) {
            const int e = errno;
            if (e == ENOENT) {
                target = p;
                return 0;
            }
            reason = "cannot write " + p + ": " + std::strerror(e);
            return e;
        }
        if (S_ISREG(st.st_mode)) {
            target = p;
            return 0;
        }
        if (!S_ISLNK(st.st_mode)) {
            reason = p + " is " + kindOf(st.st_mode) + ", not a regular file: it is left as it is";
            return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        }
        char to[PATH_MAX];
        const ssize_t n = ::readlink(p.c_str(), to, sizeof to);
        if (n <= 0 || static_cast<size_t>(n) >= sizeof to) {
            const int e = n < 0 ? errno : ENAMETOOLONG;
            reason = "cannot follow the link " + p + ": " + std::strerror(e);
            return e;
        }
        const std::string link(to, static_cast<size_t>(n));
        p = link[0] == '/' ? link : folderOf(p) + "/" + link;
    }
    reason = "cannot write " + path + ": " + std::strerror(ELOOP);
    return ELOOP;
}

bool IsTemporaryFileName(const std::string& fileName, std::string& name)
{
    const size_t n = fileName.size();
    if (n < 9 || fileName[0] != '.' || fileName[n - 7] != '.')
        return false;
    for (size_t i = n - 6; i < n; ++i) {
        const char c = fileName[i];
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return false;
    }
    name = fileName.substr(1, n - 8);
    return true;
}

int WriteFilesTogether(const std::vector<FileData>& files, std::string& reason)
{
    std::vector<Pending> set(files.size());
    for (size_t i = 0; i < files.size(); ++i)
        if (const int e = OutputTarget(files[i].path, set[i].target, reason); e != 0)
            return e;
    int e = 0;
    for (size_t i = 0; i < files.size() && e == 0; ++i)
        e = writeTemporary(set[i], files[i].data, reason);
    for (size_t i = 0; i < set.size() && e == 0; ++i) {
        e = replaceTarget(set[i]);
        if (e != 0) {
            reason = "cannot write " + set[i].target + ": " + std::strerror(e);
            for (size_t j = i; j-- > 0;)
                takeBack(set[j]);
        }
    }
    // The new files of a failed set, or the previous ones of a placed set.
    for (const Pending& p : set)
        if (!p.tmp.empty())
            ::unlink(p.tmp.c_str());
    if (e == 0)
        for (const Pending& p : set)
            syncFolder(folderOf(p.target));
    return e;
}

int WriteFileAtomically(const std::string& path, const std::string& data, bool replace, std::string& reason)
{
    if (replace)
        return WriteFilesTogether({{path, data}}, reason);
    Pending p;
    int e = OutputTarget(path, p.target, reason);
    if (e == EISDIR || e == EINVAL)
        return EEXIST;   // the name is taken, by something that is no file
    if (e == 0)
        e = writeTemporary(p, data, reason);
    if (e != 0)
        return e;
    e = addTarget(p);
    if (!p.tmp.empty())
        ::unlink(p.tmp.c_str());
    if (e != 0) {
        reason = "cannot write " + path + ": " + std::strerror(e);
        return e;
    }
    // The new name itself reaches the disk with its folder.
    syncFolder(folderOf(p.target));
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
