// The dorvel-sim program: refused arguments, and the real binary serving a
// pseudo-terminal to one client after another.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "sim/SimServer.h"
#include "tests/integration/Processes.h"

using dsim::Bytes;

namespace {

// Writes a frame and reads until n bytes have come or nothing more comes in 5 s.
Bytes exchange(int fd, const Bytes& frame, size_t n)
{
    EXPECT_EQ(write(fd, frame.data(), frame.size()), static_cast<ssize_t>(frame.size()));
    Bytes got(n);
    size_t have = 0;
    pollfd p{fd, POLLIN, 0};
    for (ssize_t r = 0; have < n && poll(&p, 1, 5000) == 1 && (r = read(fd, &got[have], n - have)) > 0;)
        have += static_cast<size_t>(r);
    got.resize(have);
    return got;
}

}  // namespace

TEST(SimProgram, BadArgumentsAndAWrongSizeImageGiveStatus2)
{
    TempDir dir;
    const std::string shortImage = dir.file("short.bin"), written = dir.file("written.bin");
    std::ofstream(shortImage, std::ios::binary) << std::string(8159, '\0');
    const std::vector<std::vector<const char*>> cases = {
        {"--bogus"},           {"--baud", "0"},          {"--main-code", "531"},    {"--sub-code", "FE00"},
        {"--model-byte", "FD"}, {"--fault", "melt"},      {"--signal", "256"},       {"--image", shortImage.c_str()},
    };
    for (auto args : cases) {
        // Taken by mistake, the arguments would write an image and end with 0 rather than serve.
        args.insert(args.begin(), "dorvel-sim");
        args.insert(args.end(), {"--write-image", written.c_str()});
        EXPECT_EQ(dsim::simMain(static_cast<int>(args.size()), args.data()), 2) << args[1] << " " << args[2];
    }
}

TEST(SimProgram, ServesItsPrintedDeviceToOneClientAfterAnother)
{
    SimProcess sim({"--fast"});
    const Bytes query{0xFE, 0xFE, 0xEE, 0xEF, 0xE0, 0x53, 0x14, 0x00, 0x00, 0xFD};
    const Bytes answerHead{0xFE, 0xFE, 0xEF, 0xEE, 0xE1, 0x53, 0x14, 0x01, 0x00};
    for (int client = 0; client < 3; ++client) {
        const int fd = open(sim.device().c_str(), O_RDWR | O_NOCTTY);  // the simulator made the terminal raw
        ASSERT_GE(fd, 0) << "client " << client;
        const Bytes got = exchange(fd, query, 10 + 54);
        ASSERT_EQ(got.size(), 64u) << "client " << client;
        EXPECT_EQ(Bytes(got.begin(), got.begin() + 10), query) << "client " << client;  // the echo
        EXPECT_EQ(Bytes(got.begin() + 10, got.begin() + 19), answerHead) << "client " << client;
        // Most of a clone read is left unread; the next client must not see it.
        EXPECT_EQ(exchange(fd, {0xFE, 0xFE, 0xEE, 0xEF, 0xE2, 0x53, 0x14, 0x01, 0x00, 0xFD}, 30).size(), 30u);
        close(fd);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    EXPECT_EQ(sim.terminate(), 0);
}
