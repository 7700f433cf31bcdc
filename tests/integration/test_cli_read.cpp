// The command line's clone read over the real serial port code path
// (QSerialPort on a pseudo-terminal) against the simulated radio.
#include <gtest/gtest.h>

#include "tests/integration/Processes.h"

namespace {

std::string firstLine(const std::string& text)
{
    return text.substr(0, text.find('\n'));
}

RunResult cliRead(const std::string& device, const std::string& out)
{
    return RunProgram({BinPath("dorvel-adj-cli"), "read", "--device", device, "--out", out});
}

}  // namespace

TEST(CliRead, FullCloneReadGivesTheSimulatorsImageByteForByte)
{
    TempDir dir;
    ASSERT_EQ(RunProgram({BinPath("dorvel-sim"), "--write-image", dir.file("ref.bin")}).status, 0);
    SimProcess sim({"--fast"});
    const RunResult r = cliRead(sim.device(), dir.file("radio.bin"));
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string image = ReadFile(dir.file("radio.bin"));
    EXPECT_EQ(image.size(), 8160u);
    EXPECT_TRUE(image == ReadFile(dir.file("ref.bin")));
    EXPECT_FALSE(FileExists(dir.file("radio.bin.part")));
}

TEST(CliRead, EachFaultEndsInItsOperatorMessageAndLeavesNoFile)
{
    struct Case {
        std::vector<std::string> simArgs;
        const char* firstLine;
    };
    const Case cases[] = {
        {{"--fault", "no-echo"}, "Cannot access COM port"},
        {{"--fault", "no-answer"}, "No answer from transceiver."},
        {{"--fault", "bad-checksum"}, "Illegal data."},
        {{"--fault", "block-beyond"}, "Data overflow."},
        {{"--fault", "wrong-count"}, "Data counter error."},
        {{"--main-code", "1234"}, "Cannot Clone."},
        {{"--sub-code", "0099"}, "Version number does not match"},
        {{"--model-byte", "02"}, "Connected transceiver is not compatible model."},
    };
    for (const auto& c : cases) {
        TempDir dir;
        std::vector<std::string> args{"--fast"};
        args.insert(args.end(), c.simArgs.begin(), c.simArgs.end());
        SimProcess sim(args);
        const RunResult r = cliRead(sim.device(), dir.file("radio.bin"));
        EXPECT_EQ(r.status, 1) << c.firstLine << "\n" << r.err;
        EXPECT_EQ(firstLine(r.err), c.firstLine) << r.err;
        EXPECT_FALSE(FileExists(dir.file("radio.bin"))) << c.firstLine;
        EXPECT_FALSE(FileExists(dir.file("radio.bin.part"))) << c.firstLine;
    }
}

TEST(CliRead, PortIsReleasedAfterAFailure)
{
    TempDir dir;
    SimProcess sim({"--fast", "--fault", "bad-checksum"});
    ASSERT_EQ(cliRead(sim.device(), dir.file("a.bin")).status, 1);
    sim.control("fault off");
    const RunResult r = cliRead(sim.device(), dir.file("b.bin"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(dir.file("b.bin")).size(), 8160u);
}

TEST(CliRead, CablePulledMidTransferEndsWithinTheTimeouts)
{
    TempDir dir;
    SimProcess sim({"--fast", "--fault", "pull"});
    const auto start = std::chrono::steady_clock::now();
    const RunResult r = cliRead(sim.device(), dir.file("radio.bin"));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(firstLine(r.err), "No answer from transceiver.") << r.err;
    EXPECT_FALSE(FileExists(dir.file("radio.bin")));
    EXPECT_LT(took, std::chrono::seconds(20));
}

TEST(CliRead, MissingDeviceAndBadArguments)
{
    TempDir dir;
    RunResult r = cliRead(dir.file("no-such-device"), dir.file("radio.bin"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(firstLine(r.err), "Cannot access COM 1.");
    EXPECT_NE(r.err.find(dir.file("no-such-device")), std::string::npos) << "the device tried is named: " << r.err;
    EXPECT_FALSE(FileExists(dir.file("radio.bin")));

    const std::vector<std::vector<std::string>> bad = {
        {"read"},
        {"read", "--device"},
        {"read", "--device", "/dev/null"},
        {"read", "--out", dir.file("x.bin")},
        {"read", "--device", "/dev/null", "--out", dir.file("x.bin"), "--speed", "9"},
        {"frobnicate"},
        {},
    };
    for (auto args : bad) {
        args.insert(args.begin(), BinPath("dorvel-adj-cli"));
        r = RunProgram(args);
        EXPECT_EQ(r.status, 2) << args.size();
        EXPECT_FALSE(r.err.empty());
    }
}
