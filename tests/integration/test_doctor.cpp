// dorvel-adj-cli doctor on the conditions this machine can be put in: a
// device that is not there, one held by another program or named in a lock
// file, a COM entry that points nowhere, a user outside the device's group.
// Each finding carries a fix, and where the fix is a file edit the test
// runs it and asks again.
#include <gtest/gtest.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

#include "tests/integration/SessionRun.h"

namespace {

// The lock file name serial programs use for a device under /dev.
std::string LockName(const std::string& device)
{
    std::string name = device.substr(5);
    std::replace(name.begin(), name.end(), '/', '_');
    return "/tmp/LCK.." + name;
}

}  // namespace

TEST(Doctor, EachFindingIsReportedWithItsFixAndSetsTheStatus)
{
    TempDir dir;
    SimProcess sim({"--fast"});
    const std::string dev = sim.device();
    const std::string self = std::to_string(getpid());
    // The doctor reads its own settings file, which each case fills.
    const std::string config = "XDG_CONFIG_HOME=" + dir.file("config");
    std::filesystem::create_directories(dir.file("config/dorvel-adj"));
    // lockPid: a lock file naming this process ("" for none); held: another program has the device open.
    struct Case { const char* name; std::string settings; std::vector<std::string> args; std::string lockPid;
                  int status; std::vector<std::string> says; bool held = false; };
    const Case cases[] = {
        {"a device that is not there", "", {"--device", dir.file("ttyUSB9")}, "", 1,
         {"PROBLEM: " + dir.file("ttyUSB9") + ": no such device", "fix: ls -l /dev/serial/by-id/"}},
        {"a device named in a live lock file", "", {"--device", dev}, self, 1,
         {"locked by ", "(process " + self + ") (" + LockName(dev) + ")", "fix: kill " + self}},
        {"a lock file of a program that has ended is only a note", "", {"--device", dev}, "2147483646", 0,
         {"note: " + dev + ": a lock file of a program that has ended", "fix: rm " + LockName(dev),
          "nothing stands in the way"}},
        {"a COM entry that points nowhere", "[PORTS]\nCOM2=/dev/no-such-adapter\nCOM1=" + dev + "\n", {}, "", 1,
         {"COM1 = " + dev + "\n", "COM2 = /dev/no-such-adapter  (not present)",
          "PROBLEM: COM2 in the settings names /dev/no-such-adapter, which is not present",
          "fix: sed -i '/^COM2=/Id' " + dir.file("config") + "/dorvel-adj/Velmara.rs"}},
        {"a device held by another program is named, with the command that ends it", "", {"--device", dev}, "", 1,
         {"PROBLEM: " + dev + ": in use by sleep (process ", "fix: kill "}, true},
        {"a device that is free", "[PORTS]\nCOM1=" + dev + "\n", {"--device", dev}, "", 0,
         {"Device " + dev + ":\n  no adapter driver, no latency timer, low latency not supported",
          "nothing stands in the way"}},
    };
    for (const Case& c : cases) {
        std::unique_ptr<Conversation> holder;
        if (c.held) {
            holder = std::make_unique<Conversation>(
                std::vector<std::string>{"/bin/sh", "-c", "exec 3<>" + dev + "; echo ready; exec sleep 60"});
            ASSERT_EQ(holder->hear(5000), "ready");
        }
        if (!c.lockPid.empty())
            std::ofstream(LockName(dev)) << "      " << c.lockPid << "\n";
        std::ofstream(dir.file("config/dorvel-adj/Velmara.rs")) << c.settings;
        std::vector<std::string> args{config, "doctor"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunResult r = RunCli(args, {}, 60000);
        if (!c.lockPid.empty())
            unlink(LockName(dev).c_str());
        EXPECT_EQ(r.status, c.status) << c.name << "\n" << r.out << r.err;
        for (const std::string& s : c.says)
            EXPECT_TRUE(Has(r.out, s)) << c.name << ": no '" << s << "' in\n" << r.out;
        // A fix that edits the settings, run, takes out the bad entry alone.
        if (const size_t sed = r.out.find("fix: sed "); sed != std::string::npos) {
            const std::string fix = r.out.substr(sed + 5, r.out.find('\n', sed) - sed - 5);
            EXPECT_EQ(RunProgram({"/bin/sh", "-c", fix}).status, 0) << fix;
            const RunResult fixed = RunCli({config, "doctor"});
            EXPECT_EQ(fixed.status, 0) << c.name << ", fixed:\n" << fixed.out;
            EXPECT_TRUE(Has(fixed.out, "COM1 = " + dev + "\n") && !Has(fixed.out, "COM2")) << fixed.out;
        }
    }
}

// A user outside the device's group: an unprivileged user without groups
// does not have the pseudo-terminal's group (tty, or root in a container).
TEST(Doctor, AUserOutsideTheDevicesGroupIsToldToJoinIt)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "runs the doctor as another user, which needs root; this user's own groups cannot be taken away";
    if (RunProgram({"/bin/sh", "-c", "test -x /usr/bin/setpriv"}).status != 0)
        GTEST_SKIP() << "setpriv (util-linux) is not installed";
    const auto asNobody = [](std::vector<std::string> argv) {
        argv.insert(argv.begin(), {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
        return RunProgram(argv);
    };
    if (asNobody({"/bin/test", "-x", BinPath("dorvel-adj-cli")}).status != 0)
        GTEST_SKIP() << "the build folder is not open to an unprivileged user";
    SimProcess sim({"--fast"});
    const RunResult r = asNobody({"/usr/bin/env", "XDG_CONFIG_HOME=/nonexistent", BinPath("dorvel-adj-cli"), "doctor",
                                  "--device", sim.device()});
    struct stat st {};
    ASSERT_EQ(stat(sim.device().c_str(), &st), 0);
    const group* g = getgrgid(st.st_gid);
    ASSERT_NE(g, nullptr);
    const std::string name = g->gr_name;
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_TRUE(Has(r.out, "PROBLEM: " + sim.device() + ": belongs to the group " + name + ", and you are not in it"))
        << r.out;
    EXPECT_TRUE(Has(r.out, "fix: sudo usermod -aG " + name + " $USER")) << r.out;
}
