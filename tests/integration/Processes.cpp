#include "tests/integration/Processes.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

namespace {

// The exit status, -1 when killed or gone, -2 when still running after
// timeoutMs.
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

// The exit status within timeoutMs; after that it is killed: -1.
int endWithin(pid_t pid, int timeoutMs)
{
    const int s = waitFor(pid, timeoutMs);
    if (s != -2)
        return s;
    kill(pid, SIGKILL);
    waitFor(pid, 5000);
    return -1;
}

// Starts a program on the given standard input, output and error, in the
// folder cwd ("" for this one). The descriptors are the child's alone: every
// other one of ours is closed on exec.
pid_t spawn(const std::vector<std::string>& argv, int in, int out, int err, const std::string& cwd = {})
{
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in, 0);
        dup2(out, 1);
        if (err >= 0)
            dup2(err, 2);
        if (!cwd.empty() && chdir(cwd.c_str()) != 0)
            _exit(126);
        std::vector<char*> a;
        for (const auto& s : argv)
            a.push_back(const_cast<char*>(s.c_str()));
        a.push_back(nullptr);
        execv(a[0], a.data());
        _exit(127);
    }
    return pid;
}

}  // namespace

std::string ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

QJsonObject JsonFile(const std::string& path)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(ReadFile(path))).object();
}

std::string PdfText(const std::string& pdf, std::vector<std::string> options)
{
    options.insert(options.begin(), "/usr/bin/pdftotext");
    options.insert(options.end(), {pdf, "-"});
    return RunProgram(options).out;
}

std::pair<double, double> PdfTextExtent(const std::string& pdf)
{
    const std::string words = PdfText(pdf, {"-bbox"});
    double right = 0, bottom = 0;
    for (size_t p = words.find("<word "); p != std::string::npos; p = words.find("<word ", p + 1)) {
        right = std::max(right, std::stod(words.substr(words.find("xMax=\"", p) + 6)));
        bottom = std::max(bottom, std::stod(words.substr(words.find("yMax=\"", p) + 6)));
    }
    return {right, bottom};
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
    std::ofstream(dir.file("in"), std::ios::binary) << input;
    const int in = open(dir.file("in").c_str(), O_RDONLY | O_CLOEXEC);
    const int out = open(dir.file("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int err = open(dir.file("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const pid_t pid = spawn(argv, in, out, err, cwd);
    for (int fd : {in, out, err})
        close(fd);
    const int status = endWithin(pid, timeoutMs);
    return {status, ReadFile(dir.file("out")), ReadFile(dir.file("err"))};
}

RunResult RunCli(const std::vector<std::string>& args, const std::string& input, int timeoutMs, const std::string& cwd)
{
    std::vector<std::string> argv{"/usr/bin/env"};
    auto arg = args.begin();
    for (; arg != args.end() && arg->find('=') != std::string::npos && arg->front() != '-'; ++arg)
        argv.push_back(*arg);
    argv.push_back(BinPath("dorvel-adj-cli"));
    argv.insert(argv.end(), arg, args.end());
    return RunProgram(argv, input, timeoutMs, cwd);
}

Conversation::Conversation(const std::vector<std::string>& argv)
{
    int toChild[2], fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    pid_ = spawn(argv, toChild[0], fromChild[1], -1);
    close(toChild[0]);
    close(fromChild[1]);
    in_ = toChild[1];
    out_ = fromChild[0];
}

Conversation::~Conversation()
{
    if (finish(0) == -2) {
        kill(pid_, SIGTERM);
        endWithin(pid_, 3000);
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

int Conversation::terminate()
{
    if (pid_ <= 0 || kill(pid_, SIGTERM) != 0)
        return -1;
    const int s = waitFor(pid_, 5000);
    if (s != -2)
        pid_ = -1;
    return s == -2 ? -1 : s;
}

SimProcess::SimProcess(const std::vector<std::string>& args) : Conversation([&] {
    std::vector<std::string> argv{BinPath("dorvel-sim")};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}())
{
    device_ = hear(10000);
    close(out_);   // nothing more is read from it
    out_ = -1;
    if (device_.empty())
        throw std::runtime_error("dorvel-sim printed no device path");
}

void SimProcess::control(const std::string& line)
{
    say(line);
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

TerminalRun::TerminalRun(const std::vector<std::string>& argv)
{
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
        throw std::runtime_error("no pseudo-terminal");
    const int terminal = open(ptsname(master_), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw{};
    if (terminal < 0 || tcgetattr(terminal, &raw) != 0)
        throw std::runtime_error("cannot open the pseudo-terminal");
    cfmakeraw(&raw);
    tcsetattr(terminal, TCSANOW, &raw);
    const int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int out = open(dir_.file("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    pid_ = spawn(argv, in, out, terminal);
    for (int fd : {in, out, terminal})
        close(fd);
}

TerminalRun::~TerminalRun()
{
    if (pid_ > 0)
        endWithin(pid_, 0);
    close(master_);
}

bool TerminalRun::readErr(int ms)
{
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, ms) <= 0)
        return true;
    char c[4096];
    const ssize_t n = read(master_, c, sizeof c);
    if (n <= 0)
        return false;   // EIO once the program's end closed the terminal
    err_.append(c, static_cast<size_t>(n));
    return true;
}

bool TerminalRun::waitForErr(const std::string& text, int timeoutMs)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (err_.find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() >= until || !readErr(10))
            return false;
    }
    return true;
}

void TerminalRun::signal(int sig) const
{
    if (pid_ > 0)
        kill(pid_, sig);
}

RunResult TerminalRun::finish(int timeoutMs)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (readErr(10) && std::chrono::steady_clock::now() < until) {
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    const int status = endWithin(pid_, static_cast<int>(std::max<int64_t>(0, left.count())));
    pid_ = -1;
    return {status, ReadFile(dir_.file("out")), err_};
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
