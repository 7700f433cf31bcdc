#include "tests/integration/Processes.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#ifndef DORVEL_BIN_DIR
#error "DORVEL_BIN_DIR must name the folder of the built programs"
#endif

namespace {

std::vector<char*> cArgs(const std::vector<std::string>& argv)
{
    std::vector<char*> a;
    for (const auto& s : argv)
        a.push_back(const_cast<char*>(s.c_str()));
    a.push_back(nullptr);
    return a;
}

int waitFor(pid_t pid, int timeoutMs)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int st = 0;
        const pid_t r = waitpid(pid, &st, WNOHANG);
        if (r == pid)
            return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        if (r < 0)
            return -1;
        if (std::chrono::steady_clock::now() >= until)
            return -2;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// Starts a program with pipes to its standard input and from its standard
// output.
pid_t spawnPiped(const std::vector<std::string>& argv, int& toChild, int& fromChild)
{
    int inPipe[2];
    int outPipe[2];
    if (pipe(inPipe) != 0 || pipe(outPipe) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(inPipe[0], 0);
        dup2(outPipe[1], 1);
        close(inPipe[1]);
        close(outPipe[0]);
        auto a = cArgs(argv);
        execv(a[0], a.data());
        _exit(127);
    }
    close(inPipe[0]);
    close(outPipe[1]);
    toChild = inPipe[1];
    fromChild = outPipe[0];
    return pid;
}

}  // namespace

std::string BinPath(const std::string& name)
{
    return std::string(DORVEL_BIN_DIR) + "/" + name;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

bool FileExists(const std::string& path)
{
    return std::filesystem::exists(path);
}

TempDir::TempDir()
{
    char tmpl[] = "/tmp/dorvel-test-XXXXXX";
    if (mkdtemp(tmpl) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir()
{
    std::error_code ignored;   // a leftover scratch folder in /tmp harms no test
    std::filesystem::remove_all(path_, ignored);
}

RunResult RunProgram(const std::vector<std::string>& argv, const std::string& input, int timeoutMs,
                     const std::string& cwd)
{
    TempDir dir;
    const std::string inPath = dir.file("in"), outPath = dir.file("out"), errPath = dir.file("err");
    {
        std::ofstream in(inPath, std::ios::binary);
        in << input;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        const int in = open(inPath.c_str(), O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        if (!cwd.empty() && chdir(cwd.c_str()) != 0)
            _exit(126);
        auto a = cArgs(argv);
        execv(a[0], a.data());
        _exit(127);
    }
    RunResult r;
    r.status = waitFor(pid, timeoutMs);
    if (r.status == -2) {
        kill(pid, SIGKILL);
        waitFor(pid, 5000);
        r.status = -1;
    }
    r.out = ReadFile(outPath);
    r.err = ReadFile(errPath);
    return r;
}

SimProcess::SimProcess(const std::vector<std::string>& args)
{
    std::vector<std::string> argv{BinPath("dorvel-sim")};
    argv.insert(argv.end(), args.begin(), args.end());
    int out = -1;
    pid_ = spawnPiped(argv, stdinFd_, out);
    // The first line is the device path.
    std::string line;
    pollfd p{out, POLLIN, 0};
    while (line.find('\n') == std::string::npos && poll(&p, 1, 10000) > 0) {
        char c[256];
        const ssize_t n = read(out, c, sizeof c);
        if (n <= 0)
            break;
        line.append(c, static_cast<size_t>(n));
    }
    close(out);
    device_ = line.substr(0, line.find('\n'));
    if (device_.empty())
        throw std::runtime_error("dorvel-sim printed no device path");
}

SimProcess::~SimProcess()
{
    if (stdinFd_ >= 0)
        close(stdinFd_);
    if (pid_ > 0 && waitFor(pid_, 0) == -2) {
        kill(pid_, SIGTERM);
        if (waitFor(pid_, 3000) == -2) {
            kill(pid_, SIGKILL);
            waitFor(pid_, 3000);
        }
    }
}

void SimProcess::control(const std::string& line)
{
    signal(SIGPIPE, SIG_IGN);
    const std::string l = line + "\n";
    if (write(stdinFd_, l.data(), l.size()) != static_cast<ssize_t>(l.size()))
        throw std::runtime_error("cannot write to dorvel-sim");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

std::string SimProcess::image()
{
    TempDir dir;
    control("write-image " + dir.file("image.bin"));
    for (int i = 0; i < 500 && !FileExists(dir.file("image.bin")); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return ReadFile(dir.file("image.bin"));
}

int SimProcess::terminate()
{
    if (pid_ <= 0 || kill(pid_, SIGTERM) != 0)
        return -1;
    const int s = waitFor(pid_, 5000);
    if (s != -2)
        pid_ = -1;
    return s == -2 ? -1 : s;
}

Conversation::Conversation(const std::vector<std::string>& argv)
{
    pid_ = spawnPiped(argv, in_, out_);
}

Conversation::~Conversation()
{
    if (finish(5000) == -2 && pid_ > 0) {
        kill(pid_, SIGKILL);
        waitFor(pid_, 3000);
    }
    if (out_ >= 0)
        close(out_);
}

void Conversation::say(const std::string& line)
{
    signal(SIGPIPE, SIG_IGN);
    const std::string l = line + "\n";
    if (in_ < 0 || write(in_, l.data(), l.size()) != static_cast<ssize_t>(l.size()))
        throw std::runtime_error("cannot talk to " + std::to_string(pid_));
}

std::string Conversation::hear(int timeoutMs)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (buffered_.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        pollfd p{out_, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
            return {};
        char c[512];
        const ssize_t n = read(out_, c, sizeof c);
        if (n <= 0)
            return {};
        buffered_.append(c, static_cast<size_t>(n));
    }
    const size_t nl = buffered_.find('\n');
    std::string line = buffered_.substr(0, nl);
    buffered_.erase(0, nl + 1);
    return line;
}

int Conversation::finish(int timeoutMs)
{
    if (in_ >= 0) {
        close(in_);
        in_ = -1;
    }
    if (pid_ <= 0)
        return -1;
    const int s = waitFor(pid_, timeoutMs);
    if (s != -2)
        pid_ = -1;
    return s;
}

std::vector<std::string> FilesIn(const std::string& folder, const std::string& ending)
{
    std::vector<std::string> files;
    std::error_code none;   // no folder: no files
    for (const auto& e : std::filesystem::directory_iterator(folder, none)) {
        const std::string name = e.path().filename().string();
        if (name[0] != '.' && name.size() >= ending.size() &&
            name.compare(name.size() - ending.size(), ending.size(), ending) == 0)
            files.push_back(e.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}
