#pragma once
// The serial port on QSerialPort. Received bytes and line errors arrive as
// notifications on the user-interface thread; Qt's error codes are mapped
// to the program's notification codes here and nowhere else.
#include <QObject>
#include <QSerialPort>
#include <chrono>
#include <functional>
#include <string>

#include "platform/SerialLine.h"
#include "platform/SerialPort.h"

namespace platform {

class QtSerialPort : public QObject, public SerialPort {
    Q_OBJECT
public:
    // Turns a port number into a device path (settings, command line).
    using Resolver = std::function<std::string(int16_t portNo)>;

    explicit QtSerialPort(Resolver resolver, QObject* parent = nullptr);
    ~QtSerialPort() override;

    void setCommPort(int16_t portNo) override { portNo_ = portNo; }
    int16_t commPort() const override { return portNo_; }
    void setSettings(const std::string& s) override { settings_ = s; }
    std::string settings() const override { return settings_; }
    bool setPortOpen(bool open) override;
    bool portOpen() const override { return port_.isOpen(); }
    void setParams(const SerialParams& params) override;
    int inBufferCount() override;
    ByteStr input() override;
    void output(const ByteStr& bytes) override;
    int outBufferSize() const override { return params_.outBufferSize; }
    int outBufferCount() override;
    bool discardOutput() override;
    void drainOutput() override;
    std::string openFailure() const override;
    void setEventSink(SerialEventSink* sink) override { sink_ = sink; }

    // The device path of the last opening attempt, for messages.
    std::string devicePath() const override { return path_; }
    AdapterInfo adapter() const override { return adapter_; }
    // The kernel calls for the adapter (tests stand in for them).
    void setAdapterSystem(AdapterSystem& sys) { adapterSys_ = &sys; }

private:
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);
    void notify(int16_t code);
    bool applyLineSettings();
    void closePort();

    QSerialPort port_;
    Resolver resolver_;
    int16_t portNo_ = 1;
    std::string settings_ = "9600,N,8,1";
    std::string path_;
    std::string openError_;
    SerialParams params_;
    SerialEventSink* sink_ = nullptr;
    // One character's time on the line at the rate of the line settings.
    std::chrono::nanoseconds byteTime_{std::chrono::microseconds(1042)};
    // When the bytes written so far will have left the line, by the
    // program's own account (a pseudo-terminal or an adapter's FIFO tells
    // nothing).
    std::chrono::steady_clock::time_point lineFreeAt_{};
    bool vanished_ = false;
    LineErrorWatch lineErrors_;
    AdapterSystem* adapterSys_ = &RealAdapterSystem();
    AdapterInfo adapter_;
};

}  // namespace platform
