// The command line's clone read over the real serial port code path
// (QSerialPort on a pseudo-terminal) against the simulated radio.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>

#include "tests/integration/SessionRun.h"

namespace {

std::string firstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

}  // namespace

// One simulator serves the read and then the listing of the radio, which is
// the listing of the image read. The read names the device and the image
// relative to the current folder: files there, not under /dev.
TEST(CliRead, FullCloneReadByRelativeNamesGivesTheSimulatorsImageByteForByteAndItsListing)
{
    TempDir dir;
    SimProcess sim({"--fast", "--link", dir.file("radio")});
    const RunResult r = RunCli({"read", "--device", "radio", "--out", "radio.bin"}, {}, 120000, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string image = ReadFile(dir.file("radio.bin"));
    EXPECT_TRUE(image == ReferenceImage({}).image) << image.size() << " bytes";

    const RunResult fromFile = RunCli({"params", dir.file("radio.bin")});
    ASSERT_EQ(fromFile.status, 0) << fromFile.err;
    EXPECT_EQ(std::count(fromFile.out.begin(), fromFile.out.end(), '\n'), 66);
    EXPECT_EQ(fromFile.out.find('\r'), std::string::npos) << "plain newlines on a terminal";
    const RunResult fromRadio = RunCli({"params", "--device", sim.device()});
    EXPECT_EQ(fromRadio.status, 0) << fromRadio.err;
    EXPECT_EQ(fromRadio.out, fromFile.out);
}

// Each fault ends within the time-outs (a pulled cable included), with its
// message first, and leaves no file. A silent device is named in the line
// after the message (namesDevice: that line opens with it).
TEST(CliRead, EachFaultEndsInItsOperatorMessageAndLeavesNoFile)
{
    struct Case { std::vector<std::string> simArgs; const char* firstLine; std::string secondLine;
                  bool namesDevice = false; };
    const Case cases[] = {
        {{"--fault", "no-echo"}, "Cannot access COM port",
         ": no echo: is the cable plugged into the radio, and the radio switched on?", true},
        {{"--fault", "no-answer"}, "No answer from transceiver.", ""},
        {{"--fault", "pull"}, "No answer from transceiver.", ""}, {{"--fault", "bad-checksum"}, "Illegal data.", ""},
        {{"--fault", "block-beyond"}, "Data overflow.", ""}, {{"--fault", "wrong-count"}, "Data counter error.", ""},
        {{"--main-code", "1234"}, "Cannot Clone.", ""},
        {{"--sub-code", "0099"}, "Version number does not match", "for this transceiver."},
        {{"--model-byte", "02"}, "Connected transceiver is not compatible model.", ""},
    };
    for (const auto& c : cases) {
        TempDir dir;
        std::vector<std::string> args{"--fast"};
        args.insert(args.end(), c.simArgs.begin(), c.simArgs.end());
        SimProcess sim(args);
        const auto start = std::chrono::steady_clock::now();
        const RunResult r = RunCli({"read", "--device", sim.device(), "--out", dir.file("radio.bin")});
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20)) << c.simArgs.back();
        EXPECT_EQ(r.status, 1) << c.firstLine << "\n" << r.err;
        EXPECT_EQ(firstLine(r.err), c.firstLine) << r.err;
        const std::string second = (c.namesDevice ? sim.device() : "") + c.secondLine;
        EXPECT_EQ(firstLine(r.err.substr(std::min(r.err.size(), r.err.find('\n') + 1))), second) << r.err;
        EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{}) << c.firstLine;
    }
}

TEST(CliArguments, AMissingDeviceBadArgumentsAndFilesThatAreNoImageAreRefused)
{
    TempDir dir;
    RunResult r = RunCli({"read", "--device", dir.file("no-such-device"), "--out", dir.file("radio.bin")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(firstLine(r.err), "Cannot access COM 1.");
    EXPECT_TRUE(Has(r.err, dir.file("no-such-device"))) << "the device tried is named: " << r.err;
    EXPECT_FALSE(FileExists(dir.file("radio.bin")));

    const std::vector<std::vector<std::string>> badArgs = {
        {"read"}, {"read", "--device"}, {"read", "--device", "/dev/null"}, {"read", "--out", dir.file("x.bin")},
        {"read", "--device", "/dev/null", "--out", dir.file("x.bin"), "--speed", "9"}, {"frobnicate"}, {}};
    for (const auto& args : badArgs) {
        r = RunCli(args);
        EXPECT_EQ(r.status, 2) << args.size();
        EXPECT_FALSE(r.err.empty());
    }

    std::ofstream(dir.file("short.bin"), std::ios::binary) << std::string(8159, '\xFF');
    for (const std::string& bad : {dir.file("short.bin"), dir.file("missing.bin"), dir.path()}) {
        r = RunCli({"params", bad});
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_TRUE(Has(r.err, bad)) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << "one line: " << r.err;
        EXPECT_TRUE(r.out.empty());
    }
    // A file this user may not read: the system's reason is told.
    const std::string secret = dir.file("secret.bin");
    std::ofstream(secret, std::ios::binary) << std::string(8160, '\0');
    ASSERT_EQ(::chmod(secret.c_str(), 0), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    std::vector<std::string> cmd{BinPath("dorvel-adj-cli"), "params", secret};
    if (::geteuid() == 0)   // root reads anything; a user who may not
        cmd.insert(cmd.begin(), {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    r = RunProgram(cmd);
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Has(r.err, secret + ": cannot open: Permission denied")) << r.err;
}
