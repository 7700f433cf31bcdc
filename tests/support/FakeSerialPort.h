#pragma once
// An in-memory serial port: records what is written, holds bytes for the
// program to receive, and can refuse to open.
#include <string>
#include <vector>

#include "platform/SerialPort.h"

class FakeSerialPort : public platform::SerialPort {
public:
    void setCommPort(int16_t portNo) override { port = portNo; }
    int16_t commPort() const override { return port; }
    void setSettings(const std::string& s) override { lineSettings = s; }
    std::string settings() const override { return lineSettings; }
    bool setPortOpen(bool open) override;
    bool portOpen() const override { return isOpen; }
    void setParams(const platform::SerialParams& p) override { params = p; ++paramSets; }
    int inBufferCount() override { return isOpen ? static_cast<int>(rxQueue.size()) : 0; }
    ByteStr input() override;
    int inputs = 0;   // input() calls
    void output(const ByteStr& bytes) override;
    int outBufferSize() const override { return params.outBufferSize; }
    int outBufferCount() override { return outPending; }
    bool discardOutput() override { outPending = 0; ++discards; return true; }
    void setEventSink(platform::SerialEventSink* s) override { sink = s; }

    // Test side: bytes arrive from the cable (optionally with a receive
    // notification), and the last frames written.
    void receive(const ByteStr& bytes, bool notify = false);
    // Echo everything written back into the receive queue, as the cable does.
    bool autoEcho = false;

    int16_t port = 0;
    std::string lineSettings;
    platform::SerialParams params;
    int paramSets = 0;
    bool isOpen = false;
    bool refuseOpen = false;
    int opens = 0;
    int closes = 0;
    int discards = 0;
    int outPending = 0;   // bytes the test pretends are still in the transmit buffer
    ByteStr rxQueue;
    std::vector<ByteStr> written;
    platform::SerialEventSink* sink = nullptr;
};
