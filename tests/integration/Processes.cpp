#include "tests/integration/Processes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

namespace {

// Starts argv in the folder cwd ("" for this one).
void start(QProcess& p, const std::vector<std::string>& argv, const std::string& cwd = {})
{
    QStringList args;
    for (size_t i = 1; i < argv.size(); ++i)
        args << QString::fromStdString(argv[i]);
    p.setWorkingDirectory(QString::fromStdString(cwd));
    p.start(QString::fromStdString(argv.at(0)), args);
}

// The exit status within timeoutMs, -1 when killed or never started; -2
// when it still runs after timeoutMs.
int statusWithin(QProcess& p, int timeoutMs)
{
    if (p.state() != QProcess::NotRunning && !p.waitForFinished(timeoutMs))
        return -2;
    return p.error() == QProcess::FailedToStart || p.exitStatus() != QProcess::NormalExit ? -1 : p.exitCode();
}

// The exit status within timeoutMs; after that it is killed: -1.
int endWithin(QProcess& p, int timeoutMs)
{
    const int s = statusWithin(p, timeoutMs);
    if (s != -2)
        return s;
    p.kill();
    p.waitForFinished(5000);
    return -1;
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

RunResult RunProgram(const std::vector<std::string>& argv, const std::string& input, int timeoutMs,
                     const std::string& cwd)
{
    QProcess p;
    start(p, argv, cwd);
    p.write(QByteArray::fromStdString(input));
    p.closeWriteChannel();
    const int status = endWithin(p, timeoutMs);
    return {status, p.readAllStandardOutput().toStdString(), p.readAllStandardError().toStdString()};
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
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    start(process_, argv);
}

Conversation::~Conversation()
{
    if (finish(0) == -2) {
        process_.terminate();
        endWithin(process_, 3000);
    }
}

void Conversation::say(const std::string& line)
{
    process_.write(QByteArray::fromStdString(line + "\n"));
    if (!process_.waitForBytesWritten(5000))
        throw std::runtime_error("cannot talk to " + process_.program().toStdString());
}

std::string Conversation::hear(int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!process_.canReadLine())
        if (t.elapsed() >= timeoutMs || !process_.waitForReadyRead(static_cast<int>(timeoutMs - t.elapsed())))
            return {};
    return process_.readLine().chopped(1).toStdString();
}

int Conversation::finish(int timeoutMs)
{
    process_.closeWriteChannel();
    return statusWithin(process_, timeoutMs);
}

int Conversation::terminate()
{
    process_.terminate();
    const int s = statusWithin(process_, 5000);
    return s == -2 ? -1 : s;
}

SimProcess::SimProcess(const std::vector<std::string>& args) : Conversation([&] {
    std::vector<std::string> argv{BinPath("dorvel-sim")};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}())
{
    device_ = hear(10000);
    process_.closeReadChannel(QProcess::StandardOutput);   // nothing more is read from it
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
    process_.setStandardInputFile(QProcess::nullDevice());
    process_.setStandardOutputFile(QString::fromStdString(dir_.file("out")));
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.setChildProcessModifier([terminal] { dup2(terminal, 2); });
    start(process_, argv);
    close(terminal);
}

TerminalRun::~TerminalRun()
{
    endWithin(process_, 0);
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
    QElapsedTimer t;
    t.start();
    while (err_.find(text) == std::string::npos)
        if (t.elapsed() >= timeoutMs || !readErr(10))
            return false;
    return true;
}

void TerminalRun::signal(int sig)
{
    if (process_.state() != QProcess::NotRunning)
        kill(static_cast<pid_t>(process_.processId()), sig);
}

RunResult TerminalRun::finish(int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (readErr(10) && t.elapsed() < timeoutMs) {
    }
    const int status = endWithin(process_, static_cast<int>(std::max<qint64>(0, timeoutMs - t.elapsed())));
    return {status, ReadFile(dir_.file("out")), err_};
}

std::vector<std::string> FilesIn(const std::string& folder, const std::string& ending)
{
    std::vector<std::string> files;
    const QDir dir(QString::fromStdString(folder));
    for (const QString& name : dir.entryList({"*" + QString::fromStdString(ending)}, QDir::AllEntries | QDir::NoDotAndDotDot,
                                             QDir::Name))
        files.push_back(dir.filePath(name).toStdString());
    return files;
}
