// The real dorvel-sim program on a pseudo-terminal: the printed device works,
// survives the client closing and reopening it, drops what was pending for a
// client that left, takes control lines, logs frames and ends cleanly.
// Paced output dropped on a hang-up is covered by the wire tests.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "tests/sim/SimTestUtil.h"

extern char** environ;

using namespace simtest;

namespace {

bool readable(int fd, int ms)
{
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, ms) == 1;
}

// dorvel-sim with its stdout and stdin on pipes; killed if a test fails early.
class SimProcess {
public:
    explicit SimProcess(std::vector<std::string> args)
    {
        int out[2], in[2];
        if (pipe(out) != 0 || pipe(in) != 0) return;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&fa, in[0], STDIN_FILENO);
        posix_spawn_file_actions_addclose(&fa, out[0]);
        posix_spawn_file_actions_addclose(&fa, in[1]);
        args.insert(args.begin(), DORVEL_SIM_BINARY);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, DORVEL_SIM_BINARY, &fa, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&fa);
        close(out[1]);
        close(in[0]);
        stdout_ = out[0];
        stdin_ = in[1];
        char c;
        while (readable(stdout_, 5000) && read(stdout_, &c, 1) == 1 && c != '\n') device += c;
    }
    ~SimProcess()
    {
        if (pid_ > 0) kill(pid_, SIGKILL), waitpid(pid_, nullptr, 0);
        close(stdout_);
        close(stdin_);
    }
    void control(const std::string& line)
    {
        EXPECT_EQ(write(stdin_, line.data(), line.size()), ssize_t(line.size()));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));  // let it read the line first
    }
    // The exit status once it has ended (after the signal, if any), or -1.
    int exitStatus(int sig = 0)
    {
        if (sig) kill(pid_, sig);
        for (int i = 0, status = 0; i < 500; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(10)))
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
        return -1;
    }
    std::string device;

private:
    pid_t pid_ = -1;
    int stdout_ = -1, stdin_ = -1;
};

int openDevice(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
    termios t{};
    if (fd >= 0 && tcgetattr(fd, &t) == 0) cfmakeraw(&t), tcsetattr(fd, TCSANOW, &t);
    return fd;
}

// Writes a frame and reads until n bytes have come back or nothing more comes.
Bytes exchange(int fd, const Bytes& frame, size_t n, int timeoutMs = 5000)
{
    EXPECT_EQ(write(fd, frame.data(), frame.size()), ssize_t(frame.size()));
    Bytes got;
    uint8_t buf[4096];
    while (got.size() < n && readable(fd, timeoutMs)) {
        const ssize_t r = read(fd, buf, std::min(sizeof buf, n - got.size()));
        if (r <= 0) break;
        got.insert(got.end(), buf, buf + r);
    }
    return got;
}

const Bytes kModelQuery = hex("FE FE EE EF E0 53 14 00 00 FD");
const Bytes kCloneRead = hex("FE FE EE EF E2 53 14 01 00 FD");

}  // namespace

TEST(SimProgram, DeviceAnswersSurvivesReopeningDropsStaleOutputAndEndsCleanly)
{
    const std::string base = ::testing::TempDir() + "dorvel-sim-pty-" + std::to_string(getpid());
    const std::string link = base + "-link", log = base + "-log";
    SimProcess sim({"--fast", "--link", link, "--log", log});
    ASSERT_EQ(sim.device.rfind("/dev/pts/", 0), 0u) << sim.device;

    // Through the link, then the device itself; each client leaves most of a
    // clone read unread, which the next one must not see.
    for (int round = 0; round < 3; ++round) {
        const int fd = openDevice(round == 0 ? link : sim.device);
        ASSERT_GE(fd, 0);
        const Bytes got = exchange(fd, kModelQuery, 64);
        ASSERT_EQ(got.size(), 64u) << "round " << round;
        EXPECT_EQ(Bytes(got.begin(), got.begin() + 18), hex("FE FE EE EF E0 53 14 00 00 FD FE FE EF EE E1 53 14 01"));
        EXPECT_EQ(exchange(fd, kCloneRead, 30).size(), 30u);
        close(fd);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }

    const int fd = openDevice(sim.device);
    ASSERT_GE(fd, 0);
    sim.control("fault no-answer\n");
    EXPECT_EQ(exchange(fd, kModelQuery, 64, 500), kModelQuery);  // the echo alone
    sim.control("fault off\n");
    EXPECT_EQ(exchange(fd, pcAdjust(0x03, 0x00), 26), hex("FE FE EE EF E8 53 14 01 00 03 30 30 FD"
                                                          "FE FE EF EE E8 53 14 01 00 03 42 44 FD"));
    close(fd);

    EXPECT_EQ(sim.exitStatus(SIGTERM), 0);
    EXPECT_NE(access(link.c_str(), F_OK), 0) << "the link is removed at exit";
    std::ifstream in(log);
    std::string ms, side, frame;
    in >> ms >> side >> frame;
    EXPECT_EQ(side + " " + frame, "pc FEFEEEEFE053140000FD");
    EXPECT_NE(ms.find_first_of("0123456789"), std::string::npos);
    in >> ms >> side >> frame;
    EXPECT_EQ(side + " " + frame.substr(0, 10), "radio FEFEEFEEE1");
    std::remove(log.c_str());
}

TEST(SimProgram, PulledCableEndsTheProgramAndTheDevice)
{
    SimProcess sim({"--fast", "--fault", "pull"});
    const int fd = openDevice(sim.device);
    ASSERT_GE(fd, 0);
    const Bytes got = exchange(fd, kCloneRead, 100000, 500);
    EXPECT_EQ(sim.exitStatus(), 0);
    EXPECT_LE(got.size(), 10u + 128u * 78u);  // at most 128 data frames of 78 bytes
    close(fd);
    EXPECT_NE(access(sim.device.c_str(), F_OK), 0) << "the device is gone";
}
