#pragma once
// The serial port service: owns the port, the clone frame driver and the
// program's 50 ms heartbeat. It opens and closes the port with the cloning
// cable's settings, moves received bytes into the driver, runs the tick and
// records port failures so that the tick has them reported.
#include <cstdint>
#include <string>

#include "link/clsCmcOrb5Drv.h"
#include "platform/SerialPort.h"
#include "platform/Timer.h"

// What the tick needs of the layers above: the main window's share of the
// tick, its clone error report and the settings save of the shutdown.
class frmComHost {
public:
    virtual ~frmComHost() = default;
    virtual void task() = 0;
    virtual void MsgBoxCloneErr() = 0;
    virtual void SaveProfileData() = 0;
};

class frmCom : public platform::SerialEventSink {
public:
    static constexpr int kTickMs = 50;

    frmCom(platform::SerialPort& port, platform::Timer& timSolid, const platform::TickClock& clock);
    ~frmCom() override;
    frmCom(const frmCom&) = delete;
    frmCom& operator=(const frmCom&) = delete;

    clsCmcOrb5Drv orb5D;

    void setHost(frmComHost* host) { host_ = host; }

    void Reset();
    void HighSpeedBRatioSet();
    void Form_Load() {}
    void Form_Unload();
    int16_t imdMinComPortNum() const { return 1; }
    int16_t imdmaxComPortNum() const { return 10; }
    void AllOver();
    bool totalError() const;
    bool errOverflow() const { return errOverflow_; }
    void seterrOverflow(bool on) { errOverflow_ = on; }
    bool errCannotOpen() const { return errCannotOpen_; }
    void seterrCannotOpen(bool on) { errCannotOpen_ = on; }
    int16_t comPortNum() const { return comPortNum_; }
    // A number outside 1 to 10 leaves comPortNum as it is, and the next
    // opening fails with errCannotOpen instead of opening the old port.
    void setcomPortNum(int16_t n);
    // The number last given to setcomPortNum (or Reset), in range or not:
    // the port a failed opening was asked for.
    int16_t comPortAsked() const { return comPortAsked_; }
    int32_t comBaud() const { return comBaud_; }
    void setcomBaud(int32_t baud) { comBaud_ = baud; }
    void setlineSettings(const std::string& settings) { port_.setSettings(settings); }
    bool comSendEnable() const { return port_.portOpen(); }
    bool comOpen() const { return port_.portOpen(); }
    void setcomOpen(bool open);
    // The system's reason for the last failed opening, for the operator.
    std::string openFailure() const;
    // The device the port number opened last.
    std::string devicePath() const { return port_.devicePath(); }
    // The adapter behind it, as the port found it at opening.
    platform::AdapterInfo adapter() const { return port_.adapter(); }

    // Enables the heartbeat (start-up) and runs one tick of it.
    void settimSolidEnabled(bool on) { timSolid_.setEnabled(on); }
    void timSolid_Timer();
    // Receive and line-error notifications of the port.
    void OnComm(int16_t commEvent) override;

    // What the driver needs of the port.
    void Output(const ByteStr& bytes) { port_.output(bytes); }
    int OutBufferSize() const { return port_.outBufferSize(); }
    int OutBufferCount() const { return port_.outBufferCount(); }

    bool inTick() const { return inTick_; }
    // Ticks run so far (timer and receive notifications alike).
    uint32_t tickCount() const { return tickCount_; }

    // The line-error notifications the port has given since start-up, by
    // kind: what a technician asks of a bench whose exchanges break off.
    struct LineEventCounts {
        uint32_t brk = 0;
        uint32_t frame = 0;
        uint32_t overrun = 0;
        uint32_t rxOver = 0;
        uint32_t parity = 0;
    };
    const LineEventCounts& lineEvents() const { return lineEvents_; }

private:
    void setPortParams(int rThreshold);

    platform::SerialPort& port_;
    platform::Timer& timSolid_;
    frmComHost* host_ = nullptr;
    int16_t comPortNum_ = 1;
    int16_t comPortAsked_ = 1;
    int32_t comBaud_ = 9600;
    bool errCannotOpen_ = false;
    bool errOverflow_ = false;
    bool inTick_ = false;
    uint32_t tickCount_ = 0;
    LineEventCounts lineEvents_;
};
