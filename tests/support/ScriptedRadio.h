#pragma once
// A transceiver for unit tests on the in-memory port: on each serve() it
// echoes the bytes that have reached the line and answers each whole frame
// (model query, clone read, clone write, A/D requests), so a test can run
// whole operations tick by tick.
#include <functional>
#include <string>
#include <vector>

#include "tests/support/FakeSerialPort.h"

struct ScriptedRadio {
    explicit ScriptedRadio(FakeSerialPort& p) : port(p) {}

    FakeSerialPort& port;
    size_t seen = 0;   // bytes of the line taken so far
    bool answers = true;
    // A pulled cable: nothing comes back, not even the echo.
    bool pulled = false;
    std::string main = "5314";
    std::string sub = "0101";
    uint8_t modelByte = 0x01;
    ByteStr image = ByteStr(8160, 0);
    // The A/D reading for a channel code; a negative value answers with a
    // malformed value field.
    std::function<int(int code)> adReading = [](int code) { return code; };
    // When set, the body of every A/D answer.
    ByteStr adAnswer;
    // A clone write's data frames are kept in the image when set; its end
    // is answered "written" in any case.
    bool keepsWrites = true;
    struct Command { int sub; int value; };
    std::vector<Command> commands;

    void serve();

private:
    void answer(const ByteStr& frame);
    ByteStr frame_;
};

// Bytes from hexadecimal text ("FE FE EE EF"), and two byte strings joined.
ByteStr bytes(const std::string& hex);
ByteStr cat(ByteStr a, const ByteStr& b);
// Frames as the transceiver sends them (FE FE EF EE cmd payload FD), and as
// the PC sends them (FE FE EE EF payload FD).
ByteStr RadioFrame(uint8_t cmd, const ByteStr& payload);
ByteStr pcFrame(const ByteStr& payload);
// A model answer of the given body length (at least 8), with the model byte
// at body byte 43 when the body is long enough.
ByteStr ModelAnswer(const std::string& main = "5314", const std::string& sub = "0100", size_t bodyLen = 51,
                    uint8_t modelByte = 0x01);
// A clone data frame; checksumDelta spoils the checksum.
ByteStr CloneDataFrame(int adr, const ByteStr& data, int checksumDelta = 0);
ByteStr CloneEndFrame(int count);
