// The program on a line that behaves like a real one: dorvel-sim paced at
// 9600 bit/s takes the PC's bytes one byte time each, so that bytes still
// queued when the program flushes its output are lost as on a real cable.
// And the devices around it: unplugged and plugged back, held by another
// copy, named relative to the current folder.
#include <gtest/gtest.h>

#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <fstream>

#include "tests/integration/SessionRun.h"

namespace {

// The adjustment commands after the adjust-mode frame, A/D requests left out.
std::vector<WireCommand> adjustments(const std::string& logText)
{
    std::vector<WireCommand> out;
    bool started = false;
    for (const WireCommand& c : LoggedCommands(logText)) {
        started = started || c.sub == 0x02;
        if (started && c.sub != 0x03)
            out.push_back(c);
    }
    return out;
}

int lastValue(const std::vector<WireCommand>& cmds, int sub)
{
    const auto it = std::find_if(cmds.rbegin(), cmds.rend(), [&](const WireCommand& c) { return c.sub == sub; });
    return it == cmds.rend() ? -1 : it->value;
}

}  // namespace

// Connect pushes every value, BAL in its five frames; a fine sweep sends
// every value and leaves the peak's middle; steps given at once before quit
// all reach the radio with their final values.
TEST(PacedLine, ConnectASweepAndTheStepsBeforeQuitSendEveryFrame)
{
    const Reference r = ReferenceImage({});
    TempDir dir;
    SimProcess sim({"--log", dir.file("wire.log")});
    const SessionOutput s = RunSession(sim.device(),
                                       "connect\nselect 11\nenter\nidle\nselect 1\nstep 1\nstep 1\nselect 7\nstep -3\n"
                                       "select 9\nstep 2\nselect 4\nstep 1\nquit\n");
    ASSERT_EQ(s.lines.at(0), "ok") << s.run.out << s.run.err;
    const auto cmds = adjustments(ReadFile(dir.file("wire.log")));

    std::vector<WireCommand> push{{0, 0x02, 1}, {0, 0x00, 1}, {0, 0x09, r.at(0x082)}, {0, 0x0A, r.at(0x081)},
                                  {0, 0x0B, r.at(0x080)}};
    // BAL brings its two other bytes in line, one per pass.
    const int bal = r.at(0x043);
    ASSERT_NE(r.at(0x051), bal);
    ASSERT_NE(r.at(0x04A), bal);
    for (int sub : {0x12, 0x11}) {
        push.push_back({0, 0x10, bal});
        push.push_back({0, sub, bal});
    }
    push.push_back({0, 0x10, bal});
    const int ratio = RatioToByte(r.at(0x049), r.at(0x042));
    for (const auto& [sub, value] : std::vector<std::pair<int, int>>{
             {0x0C, r.at(0x042)}, {0x0D, ScaleByte(r.at(0x042), ratio)}, {0x0F, r.at(0x033)}, {0x08, r.at(0x113)},
             {0x05, r.at(0x087)}, {0x13, r.at(0x034)}, {0x14, r.at(0x035)}, {0x06, r.at(0x03C)}, {0x07, r.at(0x03D)}})
        push.push_back({0, sub, value});
    ASSERT_GE(cmds.size(), push.size());
    EXPECT_EQ(CommandText({cmds.begin(), cmds.begin() + static_cast<std::ptrdiff_t>(push.size())}), CommandText(push));

    const std::vector<WireCommand> after(cmds.begin() + static_cast<std::ptrdiff_t>(push.size()), cmds.end());
    std::vector<int> tuned, expected;
    // The start of a sweep sets the lowest value more than once.
    for (const WireCommand& c : after)
        if (c.sub == 0x13 && (tuned.empty() || tuned.back() != c.value))
            tuned.push_back(c.value);
    for (int v = 0; v <= 255; ++v)
        expected.push_back(v);
    expected.push_back(37);   // the peak's middle, left on the radio
    EXPECT_EQ(tuned, expected);
    for (const auto& [sub, value] : {std::pair{0x09, r.at(0x082) + 2}, {0x0F, r.at(0x033) - 3}, {0x05, r.at(0x087) + 2},
                                     {0x10, bal + 1}, {0x12, bal + 1}, {0x11, bal + 1}})
        EXPECT_EQ(lastValue(after, sub), value) << sub << " in " << CommandText(after);
}

TEST(DeviceTroubles, ReplugHeldDeviceAndRelativePath)
{
    TempDir dir;
    const std::string link = dir.file("radio");
    auto sim = std::make_unique<SimProcess>(std::vector<std::string>{"--fast", "--link", link});
    Conversation session({BinPath("dorvel-adj-cli"), "session", "--device", link});
    session.say("connect");
    ASSERT_EQ(session.hear(60000), "ok");

    // Another copy of the program finds the device held and says by whom.
    const RunResult held = RunCli({"read", "--device", link, "--out", dir.file("x")});
    EXPECT_EQ(held.status, 1);
    EXPECT_EQ(held.err.rfind("Cannot access COM 1.\n", 0), 0u) << held.err;
    EXPECT_TRUE(Has(held.err, "in use by dorvel-adj-cli")) << held.err;

    // The adapter is unplugged and plugged back (a new device behind the same
    // name): the next Connect works without a restart.
    sim.reset();
    sim = std::make_unique<SimProcess>(std::vector<std::string>{"--fast", "--link", link});
    session.say("connect");
    EXPECT_EQ(session.hear(60000), "ok");
    session.say("quit");
    EXPECT_EQ(session.finish(10000), 0);

    // A relative name is a file in the current folder, not one under /dev.
    const RunResult rel = RunCli({"read", "--device", "radio", "--out", "image.bin"}, {}, 120000, dir.path());
    EXPECT_EQ(rel.status, 0) << rel.err;
    EXPECT_EQ(ReadFile(dir.file("image.bin")).size(), 8160u);
}

// A lock file that names no running process (empty, or no process number)
// is left over and taken as stale; one that cannot be removed is named in
// the advice, with the way to remove it.
TEST(DeviceTroubles, ALockFileOfNoProcessIsStale)
{
    if (::access("/var/lock", W_OK) != 0)
        GTEST_SKIP() << "the serial lock folder is not writable here";
    struct Case { const char* name; const char* content; bool immutable; };
    const Case cases[] = {{"empty", "", false}, {"garbage", "not a process\n", false}, {"immutable", "", true}};
    for (const Case& c : cases) {
        TempDir dir;
        const std::string link = dir.file("radio");
        SimProcess sim({"--fast", "--link", link});
        std::string lock = "/var/lock/LCK.." + link;
        std::replace(lock.begin() + 15, lock.end(), '/', '_');
        std::ofstream(lock) << c.content;
        // Written a few seconds ago: not a lock that is being written now,
        // nor one the serial library itself would take as old.
        const timeval old[2] = {{std::time(nullptr) - 5, 0}, {std::time(nullptr) - 5, 0}};
        ASSERT_EQ(::utimes(lock.c_str(), old), 0);
        if (c.immutable && RunProgram({"/usr/bin/chattr", "+i", lock}).status != 0) {
            ::unlink(lock.c_str());
            continue;   // only root may make it so
        }
        const RunResult r = RunCli({"read", "--device", link, "--out", dir.file("x.bin")});
        if (c.immutable) {
            RunProgram({"/usr/bin/chattr", "-i", lock});
            EXPECT_EQ(r.status, 1) << c.name;
            EXPECT_TRUE(Has(r.err, "The lock file " + lock + " names no running program: remove it")) << r.err;
            EXPECT_FALSE(Has(r.err, "ModemManager")) << r.err;
        } else {
            EXPECT_EQ(r.status, 0) << c.name << ": " << r.err;
            EXPECT_FALSE(FileExists(lock)) << c.name;
        }
        ::unlink(lock.c_str());
    }
}
