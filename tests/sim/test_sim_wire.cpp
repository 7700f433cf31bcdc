// The wire's timing and the frame assembler.
#include <gtest/gtest.h>

#include "sim/SimImage.h"
#include "sim/SimServer.h"
#include "tests/sim/SimTestUtil.h"

using dsim::WireItem;
using dsim::WireLine;
using namespace simtest;

namespace {

std::vector<WireItem> drain(WireLine& line, int64_t now)
{
    std::vector<WireItem> items;
    for (WireItem item; line.popDue(now, item);) items.push_back(item);
    return items;
}

const Bytes kModelQuery = hex("FE FE EE EF E0 53 14 00 00 FD");
const Bytes kCloneRead = hex("FE FE EE EF E2 53 14 01 00 FD");

}  // namespace

TEST(SimWire, PacedEchoThenAnswerOnOneLine)
{
    dsim::Radio radio(dsim::builtInImage(false), dsim::Identity{});
    WireLine line(9600, true);
    const int64_t byteNs = line.byteNs();
    EXPECT_EQ(byteNs, 1041666);
    EXPECT_EQ(WireLine(19200, true).byteNs(), 520833);
    const int64_t t0 = 5000000000;
    line.schedule(t0, radio.receive(kModelQuery));

    EXPECT_TRUE(drain(line, t0 + byteNs - 1).empty());  // each byte echoes at the end of its time
    const auto echo = drain(line, t0 + 10 * byteNs);
    ASSERT_EQ(echo.size(), 11u);
    for (size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(echo[i].byte, kModelQuery[i]);
        EXPECT_EQ(echo[i].due, t0 + static_cast<int64_t>(i + 1) * byteNs);
    }
    EXPECT_EQ(echo[10].kind, WireItem::Kind::LogPc);

    const int64_t answerStart = t0 + 10 * byteNs + WireLine::kTurnaroundNs;
    EXPECT_TRUE(drain(line, answerStart + byteNs - 1).empty());
    const auto answer = drain(line, answerStart + 1000 * byteNs);
    ASSERT_EQ(answer.size(), 54u + 1u);  // preamble, 51 body bytes, end; then the log
    EXPECT_EQ(answer.front().due, answerStart + byteNs);
    EXPECT_EQ(answer[53].due, answerStart + 54 * byteNs);
    EXPECT_EQ(answer[54].kind, WireItem::Kind::LogRadio);
    EXPECT_TRUE(line.empty());
}

TEST(SimWire, PcBytesWaitForTheLineHoldItWithoutEchoAndClearFreesIt)
{
    dsim::Radio radio(dsim::builtInImage(false), dsim::Identity{});
    WireLine line(9600, true);
    const int64_t byteNs = line.byteNs();
    line.schedule(0, radio.receive(kModelQuery));
    line.schedule(byteNs, radio.receive(Bytes{0x55}));
    const int64_t answerEnd = 10 * byteNs + WireLine::kTurnaroundNs + 54 * byteNs;
    drain(line, answerEnd);
    const auto late = drain(line, answerEnd + byteNs);
    ASSERT_EQ(late.size(), 1u);
    EXPECT_EQ(late[0].byte, 0x55);

    radio.setFault(dsim::kFaultNoEcho, true);
    line.schedule(answerEnd + byteNs, radio.receive(kModelQuery));
    const auto silent = drain(line, answerEnd + 1000 * byteNs);
    ASSERT_EQ(silent.size(), 1u);
    EXPECT_EQ(silent[0].kind, WireItem::Kind::LogPc);
    EXPECT_EQ(silent[0].due, answerEnd + 11 * byteNs);

    // A client leaving drops a whole pending clone read and frees the line.
    radio.setFault(dsim::kFaultNoEcho, false);
    line.schedule(0, radio.receive(kCloneRead));
    line.clear();
    EXPECT_TRUE(line.empty());
    line.schedule(7, radio.receive(Bytes{0x01}));
    EXPECT_EQ(drain(line, 7 + byteNs).size(), 1u);
}

TEST(SimAssembler, PreambleRunsRestartsGarbageAndOverlongBodies)
{
    dsim::FrameAssembler a;
    auto feed = [&](const Bytes& bytes) {
        std::vector<Bytes> bodies;
        for (uint8_t b : bytes)
            if (a.push(b)) bodies.push_back(a.body());
        return bodies;
    };
    EXPECT_EQ(feed(hex("01 02 FD 03 FE FE FE EE EF E0 FD")), std::vector<Bytes>{hex("EE EF E0")});
    EXPECT_EQ(a.raw(), hex("FE FE FE EE EF E0 FD"));
    EXPECT_EQ(feed(hex("FE FE EE EF E8 53 FE FE EE EF E2 FD")), std::vector<Bytes>{hex("EE EF E2")});
    Bytes endless = hex("FE FE");
    endless.insert(endless.end(), dsim::FrameAssembler::kMaxBody + 10, 0x41);
    endless.push_back(0xFD);
    EXPECT_TRUE(feed(endless).empty());
    EXPECT_EQ(feed(hex("FE FE EE EF E0 FD")).size(), 1u);
}
