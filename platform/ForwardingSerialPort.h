#pragma once
// A serial port that passes every operation on to another one; a wrapper
// overrides only what it adds to (messages, timing records).
#include "platform/SerialPort.h"

namespace platform {

class ForwardingSerialPort : public SerialPort {
public:
    explicit ForwardingSerialPort(SerialPort& inner) : inner_(inner) {}
    void setCommPort(int16_t n) override { inner_.setCommPort(n); }
    int16_t commPort() const override { return inner_.commPort(); }
    void setSettings(const std::string& s) override { inner_.setSettings(s); }
    std::string settings() const override { return inner_.settings(); }
    bool setPortOpen(bool open) override { return inner_.setPortOpen(open); }
    bool portOpen() const override { return inner_.portOpen(); }
    void setParams(const SerialParams& p) override { inner_.setParams(p); }
    int inBufferCount() override { return inner_.inBufferCount(); }
    ByteStr input() override { return inner_.input(); }
    void output(const ByteStr& bytes) override { inner_.output(bytes); }
    int outBufferSize() const override { return inner_.outBufferSize(); }
    int outBufferCount() override { return inner_.outBufferCount(); }
    bool discardOutput() override { return inner_.discardOutput(); }
    void drainOutput() override { inner_.drainOutput(); }
    std::string openFailure() const override { return inner_.openFailure(); }
    std::string devicePath() const override { return inner_.devicePath(); }
    AdapterInfo adapter() const override { return inner_.adapter(); }
    void setEventSink(SerialEventSink* sink) override { inner_.setEventSink(sink); }

private:
    SerialPort& inner_;
};

}  // namespace platform
