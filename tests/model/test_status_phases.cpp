// The status line's phase through a session on the scripted transceiver:
// what it says at each tick of a Connect, a fine sweep, a level search and
// an RSSI capture, in the order the work goes; the progress bar through the
// Connect.
#include <gtest/gtest.h>

#include <regex>

#include "tests/model/ModelBench.h"

namespace {

struct Phases : ModelBench {
    std::vector<std::string> seen;   // each text once, in order of its first tick
    // The progress bar's captions likewise, during the read and after it.
    std::vector<std::string> read, after;
    Moments moments{m};
    void record()
    {
        const std::string& t = app.status().phaseText();
        if (seen.empty() || seen.back() != t)
            seen.push_back(t);
        std::vector<std::string>& bar = moments.seen.empty() ? read : after;
        if (bar.empty() || bar.back() != win.lblProgress.caption())
            bar.push_back(win.lblProgress.caption());
    }
    bool until(const std::function<bool()>& pred)
    {
        return runUntil([&] {
            record();
            return pred();
        });
    }
    // The numbers of the texts matching pattern (one group), in order.
    std::vector<int> numbers(const std::string& pattern) const
    {
        std::vector<int> out;
        std::smatch match;
        for (const std::string& t : seen)
            if (std::regex_match(t, match, std::regex(pattern)))
                out.push_back(std::stoi(match[1]));
        return out;
    }
};

// Never back, and on from the first to the last.
bool Rising(const std::vector<int>& v)
{
    return std::is_sorted(v.begin(), v.end()) && !v.empty() && v.front() < v.back();
}

TEST(StatusPhases, ConnectFineSweepLevelSearchAndRssiCaptureInOrderAndTheConnectsProgressBar)
{
    Phases b;
    b.trx.image[0x088] = 100;   // RX LVA's target
    b.trx.adReading = [&b](int code) { return code == 0x05 ? 20 + b.lastValue(0x06) / 2 : 30; };
    b.bytesPerTick = 48;        // the line's 9600 bit/s
    b.app.mainWindow().cmd00_Click(0);
    ASSERT_TRUE(b.until([&] { return b.m.RigTavikProp_EditEnabled() && b.m.RigTavikProp_AtRest(); }));
    for (const char* pattern :
         {R"(Reading the radio (\d+) %, about \d+ s left)", R"(Pushing values (\d+) of 18)"}) {
        const std::vector<int> steps = b.numbers(pattern);
        EXPECT_GE(steps.size(), 3u) << pattern;
        EXPECT_EQ(steps.empty() ? -1 : steps.front(), 0) << pattern;
        EXPECT_TRUE(Rising(steps)) << pattern;
    }
    EXPECT_EQ(b.seen.back(), "") << "at rest";

    // The progress bar: blank after the reset, then Int(lastEeAdr / 8160 * 33)
    // step by step.
    auto bar = [](size_t n) { return std::string(n, 'o') + std::string(32 - n, '.'); };
    EXPECT_GE(b.read.size(), 20u);
    EXPECT_EQ(b.read.at(0), std::string(32, ' '));
    for (size_t k = 1; k < b.read.size(); ++k)
        EXPECT_TRUE(b.read[k] == bar(size_t(std::count(b.read[k].begin(), b.read[k].end(), 'o'))) &&
                    b.read[k] > b.read[k - 1])
            << b.read[k];
    EXPECT_EQ(b.read.back(), bar(32));
    // States 3..9 give Int((state - 2) / 7 * 32) when they start a call;
    // state 8 runs on in the call that ends state 7.
    EXPECT_EQ(b.after, (std::vector<std::string>{bar(32), bar(4), bar(9), bar(13), bar(18), bar(22), bar(32)}));

    struct Case { const char* name; int16_t item; const char* pattern; size_t least; };
    const Case cases[] = {
        {"fine sweep", b.m.idxBpfT1, R"(BPF T1 sweep (\d+) of 256)", 200},
        {"level search", b.m.idxRxLva, R"(RX LVA search step (\d+))", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        b.seen.clear();
        b.con.EnterPushed(c.item);
        ASSERT_TRUE(b.until([&] { return b.m.RigTavikProp_AutoRunning(); }));
        ASSERT_TRUE(b.until([&] { return !b.m.RigTavikProp_AutoRunning() && b.m.RigTavikProp_AtRest(); }));
        const std::vector<int> steps = b.numbers(c.pattern);
        EXPECT_GE(steps.size(), c.least);
        EXPECT_TRUE(Rising(steps));
        EXPECT_EQ(b.seen.back(), "");
    }

    b.seen.clear();
    b.con.EnterPushed(b.m.idxRssi);
    for (const char* level : {"RSSI: Enter stores the S3 level", "RSSI: Enter stores the S1 level"}) {
        EXPECT_TRUE(b.until([&] { return b.app.status().phaseText() == level; })) << level;
        b.ticks(10);   // a reading or two first
        b.enter(b.m.idxRssi);
    }
    EXPECT_TRUE(b.until([&] { return !b.m.RigTavikProp_AutoRunning(); }));
    EXPECT_EQ(b.seen.back(), "");

}

}  // namespace
