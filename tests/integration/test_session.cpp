// "Connect" and the edit cycle end to end: dorvel-adj-cli session over the
// real serial port code path against the simulated radio.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/integration/SessionRun.h"

namespace {

// Console items with an EEPROM byte of their own (standard variant).
struct Item { int index; int adr; int command; };
const Item kItems[] = {
    {1, 0x082, 0x09}, {2, 0x081, 0x0A}, {3, 0x080, 0x0B}, {4, 0x043, 0x10}, {5, 0x042, 0x0C},
    {7, 0x033, 0x0F}, {8, 0x113, 0x08}, {9, 0x087, 0x05}, {11, 0x034, 0x13}, {12, 0x035, 0x14},
    {13, 0x03C, 0x06}, {14, 0x03D, 0x07},
};

bool hasCommand(const std::vector<WireCommand>& cmds, int sub, int value)
{
    return std::any_of(cmds.begin(), cmds.end(), [&](const WireCommand& c) { return c.sub == sub && c.value == value; });
}

}  // namespace

// A Mid radio keeps BAL and MOD W in bytes of their own: Connect loads
// every item from its variant's byte. (The standard variant's values are
// those EachStepGoesOnTheWireAndIntoTheImage steps from.)
TEST(Session, ConnectLoadsAMidRadiosValuesIntoTheConsole)
{
    const Reference ref = ReferenceImage({"--mid"});
    ASSERT_EQ(ref.image.size(), 8160u);
    SimProcess sim({"--mid", "--fast"});
    const SessionOutput s = RunSession(sim.device(), "connect\nconsole\nquit\n");
    const auto console = s.block(0);
    ASSERT_EQ(console.size(), 19u) << s.run.out;   // "ok" and the 18 lines
    for (const Item& it : kItems) {
        const int adr = it.index == 4 ? 0x051 : it.index == 5 ? 0x050 : it.adr;
        const std::string& line = console[static_cast<size_t>(it.index) + 1];
        EXPECT_EQ(ConsoleValue(line), ref.at(adr)) << line;
    }
    EXPECT_EQ(ConsoleValue(console[7]), RatioToByte(ref.at(0x049), ref.at(0x050)));
    EXPECT_EQ(ConsoleValue(console[16]), ref.at(0x088));
    EXPECT_EQ(ConsoleValue(console[17]), ref.at(0x089));
    EXPECT_EQ(console[1].substr(0, 14), "    CH No.: 01") << "the first programmed channel";
}

// Every item stepped once, the readouts before and after a reload, the
// parameter listing.
TEST(Session, EachStepGoesOnTheWireAndIntoTheImage)
{
    const Reference ref = ReferenceImage({});
    TempDir dir;
    SimProcess sim({"--fast", "--log", dir.file("wire.log")});
    std::string script = "connect\nidle\nreadouts\n";
    for (const Item& it : kItems)
        script += "select " + std::to_string(it.index) + "\nstep 1\nidle\n";
    script += "readouts\nbutton 1\nidle\nreadouts\n"
              "select 6\nstep 1\nidle\nselect 0\nstep 1\nidle\nbutton 2\nidle\nparams\nbutton 2\nidle\nquit\n";
    const SessionOutput s = RunSession(sim.device(), script);
    const auto cmds = LoggedCommands(ReadFile(dir.file("wire.log")));

    for (const Item& it : kItems)
        EXPECT_TRUE(hasCommand(cmds, it.command, ref.at(it.adr) + 1)) << "item " << it.index;
    // The ratio step sends the narrow level, MOD W scaled by the ratio.
    const int modW = ref.at(0x042) + 1;
    const int ratio = RatioToByte(ref.at(0x049), ref.at(0x042));
    EXPECT_TRUE(hasCommand(cmds, 0x0D, ScaleByte(modW, ratio + 1)));
    // The channel selector sends the 1-based number of the second programmed channel.
    EXPECT_TRUE(hasCommand(cmds, 0x00, 2));

    // The readouts: a step alone reads nothing anew, a reload does.
    auto lineOf = [&](size_t block, const std::string& label) {
        for (const auto& l : s.block(block))
            if (l.rfind(label, 0) == 0)
                return l;
        return std::string();
    };
    const std::string before = lineOf(0, "BPF T1 :");
    ASSERT_FALSE(before.empty()) << s.run.out;
    EXPECT_EQ(lineOf(1, "BPF T1 :"), before) << "no reload, no new reading";
    EXPECT_EQ(std::stoi(lineOf(2, "BPF T1 :").substr(8, 3)), std::stoi(before.substr(8, 3)) + 1);

    // The parameter listing shows the image the steps wrote; BAL N follows BAL.
    const auto listing = s.block(3);
    ASSERT_GE(listing.size(), 66u) << s.run.out;
    const std::vector<std::string> para(listing.end() - 66, listing.end());
    const std::pair<size_t, int> lines[] = {{1, ref.at(0x082) + 1}, {3, ref.at(0x080) + 1}, {4, ref.at(0x043) + 1},
                                            {5, ref.at(0x043) + 1}, {6, modW}, {7, ScaleByte(modW, ratio + 1)},
                                            {9, ref.at(0x113) + 1}, {12, ref.at(0x034) + 1}, {15, ref.at(0x03D) + 1}};
    for (const auto& [line, value] : lines)
        EXPECT_EQ(std::stoi(para[line - 1].substr(30)), value) << para[line - 1];
    EXPECT_EQ(s.lines.back(), "ok") << "Disp para again returns to editing";
}

// Scripts trust the session's status: 1 when any command failed or a failure
// was reported, 0 otherwise (a session where all went well:
// Report.WhatTheJobDidToTheRadioIsOnPaper; one that ends during an automatic
// adjustment: Sequences.TheSessionsEndOrEscapePutsBackWhatARunningSweepChanged).
TEST(Session, TheStatusTellsWhetherAnythingFailed)
{
    // out: printed on standard output, DEV standing for the device.
    struct Case { const char* name; std::vector<std::string> simArgs; std::string script; int status; std::string out; };
    const Case cases[] = {
        {"a failed connect", {"--fast", "--fault", "no-echo"}, "connect\nquit\n", 1,
         "message: Cannot access COM port\nmessage: \nmessage: Check the following:\nmessage: - The COM port settings."
         "\nmessage: - Cloning cable connections.\nmessage: - Transceiver power is ON.\n"
         "detail: DEV: no echo: is the cable plugged into the radio, and the radio switched on?\n"},
        {"a report that cannot be written", {"--fast"}, "report /nonexistent/folder/r.pdf\n", 1, ""},
        {"an unknown command", {"--fast"}, "frobnicate\n", 1, ""},
    };
    for (const Case& c : cases) {
        SimProcess sim(c.simArgs);
        const SessionOutput s = RunSession(sim.device(), c.script);
        EXPECT_EQ(s.run.status, c.status) << c.name << "\n" << s.run.out << s.run.err;
        std::string out = c.out;
        if (const size_t dev = out.find("DEV"); dev != std::string::npos)
            out.replace(dev, 3, sim.device());
        EXPECT_TRUE(Has(s.run.out, out)) << c.name << "\n" << s.run.out;
    }
}
