#pragma once
// An in-memory serial port: holds bytes for the program to receive, can
// refuse to open, and behaves like a UART on the sending side. With a clock,
// written bytes wait in a transmit queue and leave it one byte time each at
// the line rate; a discard drops those still queued, and so does a close
// that was not preceded by a drain. Without a clock the line is infinitely
// fast.
#include <string>
#include <vector>

#include "platform/SerialPort.h"
#include "platform/SerialPortList.h"
#include "platform/TickClock.h"

class FakeSerialPort : public platform::SerialPort {
public:
    void setCommPort(int16_t portNo) override { port = portNo; }
    int16_t commPort() const override { return port; }
    void setSettings(const std::string& s) override { lineSettings = s; }
    std::string settings() const override { return lineSettings; }
    bool setPortOpen(bool open) override;
    bool portOpen() const override { return isOpen; }
    void setParams(const platform::SerialParams& p) override { params = p; }
    int inBufferCount() override { return isOpen ? static_cast<int>(rxQueue.size()) : 0; }
    ByteStr input() override;
    int inputs = 0;   // input() calls
    void output(const ByteStr& bytes) override;
    int outBufferSize() const override { return params.outBufferSize; }
    int outBufferCount() override;
    bool discardOutput() override;
    void drainOutput() override;
    void setEventSink(platform::SerialEventSink* s) override { sink = s; }

    // Test side: bytes arrive from the cable (optionally with a receive
    // notification).
    void receive(const ByteStr& bytes, bool notify = false);
    // The bytes that have left the transmit queue for the line, in order.
    const ByteStr& wire();

    const platform::TickClock* clock = nullptr;
    int16_t port = 0;
    std::string lineSettings;
    platform::SerialParams params;
    bool isOpen = false;
    bool refuseOpen = false;
    int opens = 0;
    int discards = 0;
    int drains = 0;
    int outPending = 0;   // bytes the test pretends are still in the transmit buffer
    ByteStr rxQueue;
    std::vector<ByteStr> written;   // every write, as the program made it
    platform::SerialEventSink* sink = nullptr;

private:
    // Bytes still queued, each with the time (microseconds on the clock)
    // at which it will have left.
    struct Queued { uint8_t byte; uint64_t leavesUs; };
    uint64_t nowUs() const;
    uint64_t byteUs() const;
    void update();
    std::vector<Queued> txQueue_;
    ByteStr wire_;
};

// The ports present, as the test lists them.
struct FakePortLister : platform::SerialPortLister {
    std::vector<platform::SerialPortEntry> ports;
    std::vector<platform::SerialPortEntry> list() override { return ports; }
};
