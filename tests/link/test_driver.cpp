// The clone frame driver against an in-memory port: framing, echo search,
// answer assembly, answer checks, error codes, repeats and time-outs.
#include <gtest/gtest.h>

#include "link/Common.h"
#include "link/clsCmcEeprom.h"
#include "tests/support/PortRig.h"
#include "tests/support/ScriptedRadio.h"

namespace {

struct Rig : PortRig {
    clsCmcOrb5Drv& drv = com.orb5D;
    clsCmcEeprom eep;

    Rig() { com.setcomOpen(true); drv.setmyEep(&eep); }
    void echo() { drv.read(port.written.back()); }
    void elapse(uint32_t ms) { for (uint32_t t = 0; t < ms; t += 50) { clk.advance(50); drv.task(); } }
    void query()
    {
        drv.setworkMode(clsCmcOrb5Drv::wmModelQuery);
        ASSERT_EQ(drv.Send(bytes("E0 53 14 00 00")), 0);
    }
    void startRead()
    {
        drv.setworkMode(clsCmcOrb5Drv::wmCloneRead);
        ASSERT_EQ(drv.Send(bytes("E2 53 14 01 00")), 0);
        echo();
    }
};

struct DriverTest : ::testing::Test, Rig {};

}  // namespace

TEST_F(DriverTest, ModelAnswerAssemblyAndChecks)
{
    const ByteStr query = bytes("FE FE EE EF E0 53 14 00 00 FD");
    const ByteStr a = ModelAnswer();
    const ByteStr head(a.begin(), a.begin() + 20), tail(a.begin() + 20, a.end());
    ByteStr badCount = a;
    badCount[9] = 45;   // body byte 8, the count byte (the body starts at frame byte 2)
    // batches: after the query was sent; error: after 1200 ms, drvErrNone: the answer was taken at once.
    struct Case { const char* name; std::vector<ByteStr> batches; int error; size_t body = 51; };
    const Case cases[] = {
        {"echo split, answer in the second batch", {ByteStr(query.begin(), query.begin() + 4),
                                                    cat(ByteStr(query.begin() + 4, query.end()), a)}, drvErrNone},
        {"extra preamble bytes", {query, cat(bytes("FE FE"), head), tail}, drvErrNone},
        {"noise before the frame start", {query, cat(bytes("00 55 AA"), head), tail}, drvErrNone},
        {"a broken frame start", {query, cat(bytes("FE 12 34"), head), tail}, drvErrNone},
        {"frames of another kind first", {query, RadioFrame(0xE8, bytes("53 14 01 00 03 43 38")),
                                          CloneDataFrame(0, ByteStr(4, 1)), bytes("FE FE EE EF E1 00 FD"),
                                          RadioFrame(0xE7, {}), a}, drvErrNone},
        {"a long body", {query, ModelAnswer("5314", "0100", 120)}, drvErrNone, 120},
        {"a stray end mark while hunting drops the whole batch", {query, cat(bytes("12 FD"), a)}, drvErrNoAnswer},
        {"longer than the buffer: not recognised", {query, ModelAnswer("5314", "0100", 262)}, drvErrNoAnswer},
        {"50-byte body", {query, ModelAnswer("5314", "0100", 50)}, drvErrIllegalData},
        {"count byte not length - 7", {query, badCount}, drvErrIllegalData},
        {"model code with a hex letter", {query, ModelAnswer("53A4", "0100")}, drvErrIllegalData},
    };
    for (const auto& c : cases) {
        Rig r;
        r.drv.read(bytes("FE FD 00"));   // idle: dropped
        r.query();
        for (const ByteStr& b : c.batches)
            r.drv.read(b);
        if (c.error == drvErrNoAnswer) {
            EXPECT_TRUE(r.drv.Running() && r.drv.ansInfo().empty()) << c.name;
            r.elapse(1200);
        }
        EXPECT_FALSE(r.drv.Running()) << c.name;
        EXPECT_EQ(r.drv.lastError(), c.error) << c.name;
        if (c.error == drvErrNone) {
            EXPECT_EQ(r.drv.ansInfo().size(), c.body) << c.name;
            EXPECT_EQ(r.drv.ansInfo()[2], 0xE1) << c.name;
        }
    }
}

TEST_F(DriverTest, CloneReadFillsTheImageFromAStreamAfterTheEcho)
{
    drv.setworkMode(clsCmcOrb5Drv::wmCloneRead);
    drv.Send(bytes("E2 53 14 01 00"));
    ByteStr batch = port.written.back();   // the echo, then the whole stream in one batch
    for (int a = 0; a < 1024; a += 16)
        batch = cat(batch, CloneDataFrame(a, ByteStr(16, static_cast<uint8_t>(a))));
    drv.read(ByteStr(batch.begin(), batch.end() - 200));
    EXPECT_TRUE(drv.Running());
    EXPECT_EQ(drv.lastEeAdr(), 0x3AF) << "the last address of the last whole frame";
    drv.read(cat(ByteStr(batch.end() - 200, batch.end()), CloneEndFrame(64)));
    EXPECT_FALSE(drv.Running());
    EXPECT_EQ(drv.lastError(), drvErrNone);
    EXPECT_EQ(eep.ReadByte(1024), 0) << "nothing beyond the stream";
}

TEST_F(DriverTest, CloneDataAndEndFrameErrors)
{
    ByteStr evenLength = CloneDataFrame(0, ByteStr(4, 1));
    evenLength.insert(evenLength.end() - 1, '0');
    ByteStr lengthField = CloneDataFrame(0, ByteStr(4, 1));
    lengthField[5 + 5] = '5';   // L = 05 while four bytes follow
    ByteStr notHex = CloneDataFrame(0, ByteStr(4, 1));
    notHex[5 + 8] = 'G';
    ByteStr notMaker = CloneEndFrame(1);
    notMaker[5] = 'h';
    ByteStr all256;
    for (int i = 0; i < 256; ++i)
        all256 = cat(all256, CloneDataFrame(i * 2, ByteStr(2, 7)));
    struct Case { const char* name; ByteStr frames; int error; };
    const Case cases[] = {
        {"wrong checksum", CloneDataFrame(0, ByteStr(4, 1), 1), drvErrIllegalData},
        {"even body length", evenLength, drvErrIllegalData},
        {"length field disagrees with the size", lengthField, drvErrIllegalData},
        {"a data character that is not hexadecimal", notHex, drvErrIllegalData},
        {"block ends beyond 8159", CloneDataFrame(8150, ByteStr(16, 1)), drvErrBlockBeyond},
        {"block at the last address", cat(CloneDataFrame(8144, ByteStr(16, 1)), CloneEndFrame(1)), drvErrNone},
        {"frame count differs", cat(CloneDataFrame(0, ByteStr(4, 1)), CloneEndFrame(2)), drvErrCountMismatch},
        {"frame count kept modulo 256", cat(all256, CloneEndFrame(0)), drvErrNone},
        {"end frame without the maker text", cat(CloneDataFrame(0, ByteStr(4, 1)), notMaker), drvErrIllegalData},
    };
    for (const auto& c : cases) {
        Rig r;
        r.startRead();
        r.drv.read(c.frames);
        EXPECT_FALSE(r.drv.Running()) << c.name;
        EXPECT_EQ(r.drv.lastError(), c.error) << c.name;
    }
}

TEST_F(DriverTest, RefusedSendsWriteNothing)
{
    query();
    EXPECT_EQ(drv.RealSend(bytes("E0 53 14 00 00")), 1) << "a frame is pending";

    drv.Reset();
    port.outPending = 1024 - 256;   // 256 bytes free: one too few
    EXPECT_FALSE(drv.SendEnable());
    EXPECT_EQ(drv.Send(bytes("E0 53 14 00 00")), 1);
    port.outPending = 1024 - 257;
    EXPECT_TRUE(drv.SendEnable());

    com.setcomOpen(false);
    EXPECT_EQ(drv.Send(bytes("E0 53 14 00 00")), 1);
    EXPECT_EQ(port.written.size(), 1u) << "none of the three refused sends wrote";
}

// The echo is awaited 1000 ms; each clone data frame restarts the wait for
// the answer.
TEST_F(DriverTest, EchoAndAnswerTimeOuts)
{
    query();
    elapse(950);
    EXPECT_TRUE(drv.Running());
    elapse(50);
    EXPECT_EQ(drv.lastError(), drvErrNoEcho);
    EXPECT_FALSE(drv.Running());
    drv.Reset();
    EXPECT_EQ(drv.nowError(), drvErrNone);
    EXPECT_EQ(drv.lastError(), drvErrNoEcho) << "Reset keeps the last error";

    Rig r;
    r.startRead();
    for (int i = 0; i < 5; ++i) {
        r.elapse(1000);
        r.drv.read(CloneDataFrame(i * 4, ByteStr(4, 0x33)));
    }
    EXPECT_TRUE(r.drv.Running());
    EXPECT_EQ(r.drv.lastError(), drvErrNone);
    r.elapse(1250);
    EXPECT_EQ(r.drv.lastError(), drvErrNoAnswer);
}

TEST_F(DriverTest, CloneWriteSendsTheListThenTheEndFrame)
{
    for (int a = 0; a < 40; ++a)
        eep.WriteByte(a, static_cast<uint8_t>(a));
    drv.setworkMode(clsCmcOrb5Drv::wmCloneWrite);
    drv.setsizDataOfPacket(16);
    drv.setcloneWriteAdrList("0000-0013,0020-0021,");
    drv.Send(bytes("E3 53 14 01 00"));
    for (int i = 0; i < 4; ++i)
        echo();   // each echo sends the next frame
    ASSERT_EQ(port.written.size(), 5u);
    // Address, length, data and the checksum that makes them add up to 0,
    // as ASCII hexadecimal.
    const char* const bodies[] = {"000010000102030405060708090A0B0C0D0E0F78", "00100410111213A6", "00200220219D"};
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(port.written[i + 1], pcFrame(cat({0xE4}, StrToByteStr(bodies[i])))) << bodies[i];
    EXPECT_EQ(port.written[4], pcFrame(cat({0xE5}, StrToByteStr("Halvo Co."))));
    echo();
    EXPECT_TRUE(drv.Running());
    drv.read(RadioFrame(0xE6, {0x00}));
    EXPECT_FALSE(drv.Running());
    EXPECT_EQ(drv.lastError(), drvErrNone);
}

// The transmit buffer full when the echo asks for the next data frame: 8;
// the end answered "not written": 7, or without its result: 3.
TEST_F(DriverTest, CloneWriteErrors)
{
    drv.setworkMode(clsCmcOrb5Drv::wmCloneWrite);
    drv.setsizDataOfPacket(16);
    drv.setcloneWriteAdrList("0000-001F,");
    drv.Send(bytes("E3 53 14 01 00"));
    port.outPending = 1000;
    echo();
    EXPECT_EQ(drv.lastError(), drvErrFrameNotSent);
    EXPECT_FALSE(drv.Running());
    EXPECT_EQ(port.written.size(), 1u);
    for (const auto& [result, error] : {std::pair<ByteStr, int>{{0x01}, drvErrWriteFailed}, {{}, drvErrIllegalData}}) {
        Rig r;
        r.drv.setworkMode(clsCmcOrb5Drv::wmCloneWriteEnd);
        r.drv.Send(cat({0xE5}, StrToByteStr("Halvo Co.")));
        r.echo();
        r.drv.read(RadioFrame(0xE6, result));
        EXPECT_EQ(r.drv.lastError(), error);
    }
}
