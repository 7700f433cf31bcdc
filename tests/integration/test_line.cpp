// The devices around the program: unplugged and plugged back, held by
// another copy, left locked. (The paced line is the adapters' whole-job
// test's; a device named relative to the current folder, the clone read's.)
#include <gtest/gtest.h>

#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <fstream>

#include "tests/integration/Processes.h"

TEST(DeviceTroubles, AHeldDeviceIsNamedAndAReplugNeedsNoRestart)
{
    TempDir dir;
    const std::string link = dir.file("radio");
    auto sim = std::make_unique<SimProcess>(std::vector<std::string>{"--fast", "--link", link});
    Conversation session({BinPath("dorvel-adj-cli"), "session", "--device", link});
    session.say("connect");
    ASSERT_EQ(session.hear(60000), "ok");

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
