#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/ProfileFile.h"

namespace platform {

namespace {

struct Lines {
    std::vector<std::string> text;   // without line ends
    bool crlf = false;               // the file's own line ends, kept on writing
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

std::string trim(const std::string& s)
{
    size_t b = 0;
    size_t e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

bool sameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

// "[name]" gives name; anything else is no section line.
bool sectionName(const std::string& line, std::string& name)
{
    const std::string t = trim(line);
    if (t.empty() || t[0] != '[')
        return false;
    const size_t close = t.find(']');
    name = trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    return true;
}

// "key=value"; comment lines and lines without "=" are no key lines.
bool keyLine(const std::string& line, std::string& key, std::string& value)
{
    const std::string t = trim(line);
    if (t.empty() || t[0] == ';' || t[0] == '#' || t[0] == '[')
        return false;
    const size_t eq = t.find('=');
    if (eq == std::string::npos)
        return false;
    key = trim(t.substr(0, eq));
    value = trim(t.substr(eq + 1));
    return true;
}

// 0: read (or no file: empty); 1: the file exists but cannot be used (why
// then says so in words).
int readLines(const std::string& fileName, Lines& out, std::string& why)
{
    // Never waits: a FIFO in the file's place must not hold the start.
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return 0;
        why = std::strerror(errno);
        return 1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        why = "not a regular file";
        return 1;
    }
    std::string data;
    const char* problem = nullptr;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            problem = std::strerror(errno);
        else if (data.size() + static_cast<size_t>(n) > TextProfileFile::kMaxFileSize)
            problem = "larger than a settings file can be";
        if (n <= 0 || problem != nullptr)
            break;
        data.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    if (problem != nullptr) {
        why = problem;
        return 1;
    }
    size_t start = 0;
    while (start < data.size()) {
        size_t end = data.find('\n', start);
        if (end == std::string::npos)
            end = data.size();
        std::string line = data.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
            if (out.text.empty())
                out.crlf = true;
        }
        out.text.push_back(line);
        start = end + 1;
    }
    return 0;
}

bool writeLines(const std::string& fileName, const Lines& lines, std::string& why)
{
    // A file the user may not write stays as it is, even where its folder
    // would let a new one take its place (a link is followed to its file).
    if (::access(fileName.c_str(), F_OK) == 0) {
        if (::access(fileName.c_str(), W_OK) != 0) {
            why = std::strerror(errno);
            return false;
        }
    } else if (const size_t slash = fileName.rfind('/'); slash != std::string::npos && slash > 0) {
        MakeFolders(fileName.substr(0, slash));
    }
    std::string data;
    for (const std::string& l : lines.text)
        data += l + (lines.crlf ? "\r\n" : "\n");
    // Whole or not at all, through a link to its file, never over a FIFO,
    // a folder or a device.
    return WriteFileAtomically(fileName, data, true, why) == 0;
}

bool hasLineBreak(const std::string& s)
{
    return s.find_first_of("\r\n") != std::string::npos;
}

}  // namespace

std::string TextProfileFile::GetPrivateProfileString(const std::string& section, const std::string& key,
                                                     const std::string& def, size_t size,
                                                     const std::string& fileName)
{
    std::string result = def;
    while (!result.empty() && result.back() == ' ')
        result.pop_back();

    // Once writes have gone elsewhere, that file holds the settings.
    const auto to = writeTo_.find(fileName);
    const bool moved = to != writeTo_.end() && ::access(to->second.c_str(), F_OK) == 0;
    Lines lines;
    std::string why;
    if (readLines(moved ? to->second : fileName, lines, why) == 0) {
        bool inSection = false;
        bool seenSection = false;
        for (const std::string& l : lines.text) {
            std::string name;
            if (sectionName(l, name)) {
                if (inSection)
                    break;   // the first section of that name counts
                inSection = !seenSection && sameName(name, section);
                seenSection = seenSection || inSection;
                continue;
            }
            std::string k;
            std::string v;
            if (inSection && keyLine(l, k, v) && sameName(k, key)) {
                if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0])
                    v = v.substr(1, v.size() - 2);
                result = v;
                break;
            }
        }
    }
    if (size == 0)
        return {};
    if (result.size() > size - 1)
        result.resize(size - 1);
    return result;
}

bool TextProfileFile::WritePrivateProfileString(const std::string& section, const std::string& key,
                                                const std::string& value, const std::string& fileName)
{
    // Names and values that would break the file's line structure are refused.
    if (trim(section).empty() || trim(key).empty() || hasLineBreak(section) || hasLineBreak(key) ||
        hasLineBreak(value) || section.find(']') != std::string::npos || key.find('=') != std::string::npos) {
        lastFailure_ = "a name or value that would break the file's lines";
        return false;
    }
    const auto to = writeTo_.find(fileName);
    const std::string target = to == writeTo_.end() ? fileName : to->second;
    const bool fresh = target != fileName && ::access(target.c_str(), F_OK) != 0;
    Lines lines;
    if (readLines(fresh ? fileName : target, lines, lastFailure_) != 0)
        return false;

    const std::string newLine = key + "=" + value;
    size_t sectionAt = std::string::npos;
    size_t lastInSection = 0;   // last non-blank line of the section
    for (size_t i = 0; i < lines.text.size(); ++i) {
        std::string name;
        if (sectionName(lines.text[i], name)) {
            if (sectionAt != std::string::npos)
                break;
            if (sameName(name, section)) {
                sectionAt = i;
                lastInSection = i;
            }
            continue;
        }
        if (sectionAt == std::string::npos)
            continue;
        std::string k;
        std::string v;
        if (keyLine(lines.text[i], k, v) && sameName(k, key)) {
            if (lines.text[i] == newLine)
                return true;   // already so: the file stays untouched
            lines.text[i] = newLine;
            return writeLines(target, lines, lastFailure_);
        }
        if (!trim(lines.text[i]).empty())
            lastInSection = i;
    }
    if (sectionAt == std::string::npos) {
        lines.text.push_back("[" + section + "]");
        lines.text.push_back(newLine);
    } else {
        lines.text.insert(lines.text.begin() + static_cast<std::ptrdiff_t>(lastInSection) + 1, newLine);
    }
    return writeLines(target, lines, lastFailure_);
}

}  // namespace platform
