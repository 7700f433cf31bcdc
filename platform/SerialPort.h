#pragma once
// The serial communications control as the clone link sees it. Implementations
// live in platform/qt (QSerialPort) and in the tests (an in-memory port).
#include <cstdint>
#include <string>

#include "platform/ByteStr.h"
#include "platform/SerialAdapter.h"

namespace platform {

// Communication notification codes delivered through SerialEventSink::OnComm.
enum CommEvent : int16_t {
    comEvReceive = 2,
    comEventBreak = 1001,
    comEventCTSTO = 1002,
    comEventDSRTO = 1003,
    comEventFrame = 1004,
    comEventOverrun = 1006,
    comEventCDTO = 1007,
    comEventRxOver = 1008,
    comEventRxParity = 1009,
    comEventTxFull = 1010,
    comEventDCB = 1011,
};

// Port parameters that the serial port service sets on every reset.
struct SerialParams {
    bool dtrEnable = true;
    bool rtsEnable = true;
    int inBufferSize = 32760;   // receive buffer; more waiting bytes raise comEventRxOver
    int inputLen = 0;           // 0: a read takes everything waiting
    bool binaryMode = true;     // reads return bytes
    int outBufferSize = 1024;
    int rThreshold = 1;         // receive notification after this many bytes (0: none)
    int sThreshold = 0;         // no transmit notifications
};

class SerialEventSink {
public:
    virtual ~SerialEventSink() = default;
    virtual void OnComm(int16_t commEvent) = 0;
};

class SerialPort {
public:
    virtual ~SerialPort() = default;
    // Port number (1..) and line settings such as "9600,N,8,1"; both take
    // effect at the next opening.
    virtual void setCommPort(int16_t portNo) = 0;
    virtual int16_t commPort() const = 0;
    virtual void setSettings(const std::string& settings) = 0;
    virtual std::string settings() const = 0;
    // Opens or closes the port; false when the change failed.
    virtual bool setPortOpen(bool open) = 0;
    virtual bool portOpen() const = 0;
    virtual void setParams(const SerialParams& params) = 0;
    // Received bytes waiting, and a read of all of them.
    virtual int inBufferCount() = 0;
    virtual ByteStr input() = 0;
    // Writes bytes to the transmit buffer.
    virtual void output(const ByteStr& bytes) = 0;
    virtual int outBufferSize() const = 0;
    virtual int outBufferCount() = 0;
    // Discards output still waiting; false when the port refused.
    virtual bool discardOutput() = 0;
    // Lets the bytes written so far leave the line before the port is
    // closed. Waits at most as long as the bytes still queued need at the
    // line rate, plus a margin; returns at once on a closed port or a device
    // that has gone.
    virtual void drainOutput() = 0;
    // Why the last opening failed, in words for the operator ("" when it
    // did not fail or the port cannot tell).
    virtual std::string openFailure() const { return {}; }
    // The device the last opening tried ("" when the port cannot tell).
    virtual std::string devicePath() const { return {}; }
    // The adapter behind the open device, and whether it took low latency
    // (empty when the port cannot tell).
    virtual AdapterInfo adapter() const { return {}; }
    // Receiver of receive and line-error notifications (on the UI thread).
    virtual void setEventSink(SerialEventSink* sink) = 0;
};

}  // namespace platform
