// dorvel-adj as a program: its command line, and the demo where no display
// is available.
#include <gtest/gtest.h>

#include "tests/integration/Processes.h"

namespace {

std::vector<std::string> WithoutDisplay(std::vector<std::string> args)
{
    std::vector<std::string> argv = {"/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u",
                                     "QT_QPA_PLATFORM", BinPath("dorvel-adj")};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

TEST(Demo, WithoutADisplayTheSessionRunsAgainstTheSimulatedRadio)
{
    const RunResult r = RunProgram(WithoutDisplay({"--demo"}), "", 240000);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("no display available"), std::string::npos);
    EXPECT_NE(r.out.find("> connect\n(the clone read takes about 20 seconds at 9600 bit/s)\nok\n"), std::string::npos)
        << r.out;
    EXPECT_EQ(Count(r.out, "    CH No.: "), 2u) << "the console, before and after the step";
    EXPECT_NE(r.out.find("[A/D]"), std::string::npos) << "the readouts";
    // " Power(Hi)" one higher in the second console listing.
    const size_t first = r.out.find(" Power(Hi): ");
    const size_t second = r.out.find(" Power(Hi): ", first + 1);
    ASSERT_NE(second, std::string::npos) << r.out;
    const int before = std::stoi(r.out.substr(first + 12, 3));
    const int after = std::stoi(r.out.substr(second + 12, 3));
    EXPECT_EQ(after, before + 1);
}

TEST(Demo, CommandLineMistakesAreNamed)
{
    RunResult r = RunProgram({BinPath("dorvel-adj"), "--bogus"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("unknown option --bogus"), std::string::npos) << r.err;
    r = RunProgram({BinPath("dorvel-adj"), "--screenshot"});
    EXPECT_EQ(r.status, 2);
    r = RunProgram(WithoutDisplay({}));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no display available"), std::string::npos) << r.err;
}

}  // namespace
