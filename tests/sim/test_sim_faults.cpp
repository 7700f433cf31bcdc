// Faults on demand, and the control lines that set them at run time.
#include <gtest/gtest.h>

#include "sim/SimImage.h"
#include "sim/SimOptions.h"
#include "tests/sim/SimTestUtil.h"

using dsim::Radio;
using namespace simtest;

namespace {

const Bytes kModelQuery = hex("FE FE EE EF E0 53 14 00 00 FD");
const Bytes kCloneRead = hex("FE FE EE EF E2 53 14 01 00 FD");

Radio radioWith(const std::string& fault)
{
    Radio radio(dsim::builtInImage(false), dsim::Identity{});
    std::string err;
    EXPECT_TRUE(dsim::applyControlLine(radio, "fault " + fault, err)) << err;
    return radio;
}

}  // namespace

TEST(SimFaults, NoEchoAndNoAnswerSilenceTheRadio)
{
    for (const char* fault : {"no-echo", "no-answer"}) {
        Radio radio = radioWith(fault);
        const Bytes before = radio.image();
        for (const Bytes& f : {kModelQuery, kCloneRead, pcAdjust(0x09, 0x11), pcAdjust(0x03, 0x00)}) {
            const Events events = radio.receive(f);
            EXPECT_EQ(echoOf(events), std::string(fault) == "no-echo" ? Bytes{} : f) << fault;
            EXPECT_TRUE(radioFramesOf(events).empty()) << fault;
            EXPECT_EQ(events.back().kind, dsim::WireEvent::Kind::PcFrame);  // still on the wire, for the log
        }
        EXPECT_EQ(radio.image(), before) << fault;
    }
}

TEST(SimFaults, CloneReadFaultsSpoilExactlyWhatTheyName)
{
    const CloneRead good = decodeCloneRead(radioFramesOf(radioWith("off").receive(kCloneRead)));

    Radio radio = radioWith("bad-checksum");
    CloneRead r = decodeCloneRead(radioFramesOf(radio.receive(kCloneRead)));
    ASSERT_EQ(r.checksumOk.size(), 255u);
    for (size_t i = 0; i < r.checksumOk.size(); ++i) EXPECT_EQ(r.checksumOk[i], i != 9) << "frame " << i;
    EXPECT_EQ(r.endCount, 255);

    radio = radioWith("block-beyond");
    r = decodeCloneRead(radioFramesOf(radio.receive(kCloneRead)));
    EXPECT_EQ(r.checksumOk, good.checksumOk);
    for (size_t i = 0; i < r.addresses.size(); ++i)
        EXPECT_EQ(r.addresses[i] + r.lengths[i] > 0x1FE0, i == 9) << "frame " << i;
    EXPECT_LT(r.addresses[9], 0x1FE0);  // it starts inside

    radio = radioWith("wrong-count");
    r = decodeCloneRead(radioFramesOf(radio.receive(kCloneRead)));
    EXPECT_EQ(r.image, good.image);
    EXPECT_EQ(r.endName, "Halvo Co.");
    EXPECT_EQ(r.endCount, 0);  // 256 modulo 256 for 255 frames
}

TEST(SimFaults, BadAdAnswerHasANonHexValueCharacter)
{
    Radio radio = radioWith("bad-ad");
    const auto frames = radioFramesOf(radio.receive(pcAdjust(0x03, 0x00)));
    ASSERT_EQ(frames.size(), 1u);
    const Bytes b = bodyOf(frames[0]);
    ASSERT_EQ(b.size(), 10u);
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 8), hex("EF EE E8 53 14 01 00 03"));
    EXPECT_EQ(readAd(radio, 0x00), -1);
}

TEST(SimFaults, PullStopsTheCloneReadHalfWayAndSilencesTheRadio)
{
    Radio radio = radioWith("pull");
    EXPECT_EQ(readAd(radio, 0x00), 189);  // other exchanges go on
    const Events events = radio.receive(kCloneRead);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().kind, dsim::WireEvent::Kind::Pull);
    const CloneRead r = decodeCloneRead(radioFramesOf(events));
    EXPECT_EQ(r.addresses.size(), 128u);
    EXPECT_TRUE(r.endName.empty());
    EXPECT_TRUE(radio.receive(kModelQuery).empty());
}

TEST(SimControl, LinesSetFaultsSignalAndNoiseAndBadOnesChangeNothing)
{
    Radio radio(dsim::builtInImage(false), dsim::Identity{});
    std::string err;
    for (const char* line : {"fault no-answer", "fault wrong-count", "signal 30", "noise on", ""})
        EXPECT_TRUE(dsim::applyControlLine(radio, line, err)) << line;
    EXPECT_EQ(radio.faults(), dsim::kFaultNoAnswer | dsim::kFaultWrongCount);
    EXPECT_EQ(radio.signal(), 30);
    EXPECT_TRUE(radio.noise());
    EXPECT_TRUE(radioFramesOf(radio.receive(kModelQuery)).empty());
    for (const char* line : {"fault off", "  noise off  "}) EXPECT_TRUE(dsim::applyControlLine(radio, line, err));
    EXPECT_EQ(radio.faults(), 0u);
    EXPECT_FALSE(radio.noise());
    EXPECT_EQ(radioFramesOf(radio.receive(kModelQuery)).size(), 1u);
    // Bad lines are refused in one line and change nothing.
    for (const char* line : {"signal", "signal 256", "signal -1", "signal 5x", "fault", "fault melt", "noise maybe",
                             "volume 3", "signal 10 20"}) {
        EXPECT_FALSE(dsim::applyControlLine(radio, line, err)) << line;
        EXPECT_TRUE(!err.empty() && err.find('\n') == std::string::npos) << line;
        EXPECT_TRUE(radio.signal() == 30 && radio.faults() == 0 && !radio.noise()) << line;
    }
}
