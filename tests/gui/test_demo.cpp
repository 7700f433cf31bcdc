#include <gtest/gtest.h>

#include "tests/integration/Processes.h"

TEST(Demo, WithoutADisplayTheSessionRunsAgainstTheSimulatedRadio)
{
    const RunResult r = RunProgram({"/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM",
                                    BinPath("dorvel-adj"), "--demo"},
                                   "", 240000);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_TRUE(Has(r.out, "no display available"));
    EXPECT_TRUE(Has(r.out, "> connect\n(the clone read takes about 20 seconds at 9600 bit/s)\nok\n"));
    EXPECT_TRUE(Has(r.out, "[A/D]")) << "the readouts";
    // The console before and after the step: " Power(Hi)" one higher.
    const size_t first = r.out.find(" Power(Hi): ");
    const size_t second = r.out.find(" Power(Hi): ", first + 1);
    ASSERT_NE(second, std::string::npos) << r.out;
    EXPECT_EQ(r.out.find(" Power(Hi): ", second + 1), std::string::npos) << "two listings";
    EXPECT_EQ(std::stoi(r.out.substr(second + 12, 3)), std::stoi(r.out.substr(first + 12, 3)) + 1);
}
