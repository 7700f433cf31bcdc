// The adapter between the line and the PC: when the bytes off the line
// reach the PC under each profile.
#include <gtest/gtest.h>

#include "sim/SimAdapter.h"

using dsim::AdapterModel;
using dsim::Bytes;

namespace {

constexpr int64_t kMs = 1000000;
constexpr int64_t kT0 = 1000 * 16 * kMs;   // on the 16 ms and 1 ms timer rhythm

// Feeds n bytes one byteNs apart from `from`, then notes at which moments
// (ms after kT0, to 0.01) how many bytes reached the PC.
std::vector<std::pair<double, size_t>> deliveries(const char* profile, size_t n, int64_t from, int64_t byteNs)
{
    dsim::AdapterProfile p;
    EXPECT_TRUE(dsim::adapterProfile(profile, p)) << profile;
    AdapterModel a(p);
    std::vector<std::pair<double, size_t>> got;
    size_t fed = 0;
    for (int64_t now = kT0; now < kT0 + 200 * kMs; now += kMs / 100) {
        while (fed < n && from + static_cast<int64_t>(fed) * byteNs <= now) {
            a.receive(from + static_cast<int64_t>(fed) * byteNs, static_cast<uint8_t>(fed));
            ++fed;
        }
        Bytes out;
        a.release(now, out);
        if (!out.empty())
            got.emplace_back(static_cast<double>(now - kT0) / kMs, out.size());
    }
    return got;
}

using Got = std::vector<std::pair<double, size_t>>;

}  // namespace

TEST(SimAdapter, BytesReachThePcInPacketsAsEachProfileSends)
{
    const int64_t byteNs = 1041667;   // 9600 bit/s
    struct Case { const char* name; const char* profile; size_t bytes; int64_t from; int64_t byteNs; Got got; };
    const Case cases[] = {
        {"no adapter: each byte as it leaves the line", "none", 3, kT0 + 3 * kMs, byteNs,
         {{3.0, 1}, {4.04, 1}, {5.08, 1}}},
        {"one byte waits for the 16 ms timer", "ftdi", 1, kT0 + 3 * kMs, 0, {{16.0, 1}}},
        {"a byte just after a packet waits a whole period", "ftdi", 1, kT0 + 16 * kMs + 1, 0, {{32.0, 1}}},
        {"a 10-byte echo at the line rate: the timer cuts it", "ftdi", 10, kT0 + 3 * kMs, byteNs, {{16.0, 10}}},
        {"a 78-byte answer at the line rate: a packet on every timer run", "ftdi", 78, kT0 + 3 * kMs, byteNs,
         {{16.0, 13}, {32.0, 15}, {48.0, 16}, {64.0, 15}, {80.0, 15}, {96.0, 4}}},
        {"70 bytes at once: a full packet leaves at once and restarts the timer", "ftdi", 70, kT0 + 3 * kMs, 0,
         {{3.0, 62}, {19.0, 8}}},
        {"low latency: 1 ms timer", "ftdi-low", 3, kT0 + 3 * kMs + kMs / 2, byteNs,
         {{4.0, 1}, {5.0, 1}, {6.0, 1}}},
        {"no timer: 1 ms after a packet's first byte", "cp210x", 2, kT0 + 3 * kMs, kMs / 2, {{4.0, 2}}},
        {"no timer, 70 at once: 64 when full", "cp210x", 70, kT0 + 3 * kMs, 0, {{3.0, 64}, {4.0, 6}}},
    };
    for (const Case& c : cases) {
        const Got got = deliveries(c.profile, c.bytes, c.from, c.byteNs);
        ASSERT_EQ(got.size(), c.got.size()) << c.name;
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_NEAR(got[i].first, c.got[i].first, 0.02) << c.name << " packet " << i;
            EXPECT_EQ(got[i].second, c.got[i].second) << c.name << " packet " << i;
        }
    }
}

TEST(SimAdapter, NextPacketTellsWhenToWakeAndNamesAreChecked)
{
    dsim::AdapterProfile p;
    ASSERT_TRUE(dsim::adapterProfile("ftdi", p));
    AdapterModel a(p);
    EXPECT_EQ(a.nextPacket(), -1);
    a.receive(kT0 + 5 * kMs, 0x41);
    EXPECT_EQ(a.nextPacket(), kT0 + 16 * kMs);
    Bytes out;
    a.release(kT0 + 15 * kMs, out);
    EXPECT_TRUE(out.empty());
    a.releaseAll(out);
    EXPECT_EQ(out, Bytes{0x41}) << "the line's end lets everything go";
    EXPECT_EQ(a.nextPacket(), -1);
    a.receive(kT0 + 40 * kMs, 0x42);
    a.clear();
    EXPECT_EQ(a.nextPacket(), -1) << "a client that left gets nothing";

    for (const char* name : {"", "FTDI", "ftdi-16", "usb"})
        EXPECT_FALSE(dsim::adapterProfile(name, p)) << name;
}
