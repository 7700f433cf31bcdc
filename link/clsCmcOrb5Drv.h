#pragma once
// The clone frame driver: frames payloads, finds the echo of its own frame
// on the one-wire cable, assembles and checks the transceiver's answers, fills
// the EEPROM image during a clone read, produces the frames of a clone write
// and keeps the answer of an adjustment command. It never blocks: received
// bytes arrive through read(), time-outs are handled by task() on each tick.
#include <cstdint>
#include <string>

#include "link/CloneErrors.h"
#include "link/clsCmcTick.h"
#include "platform/ByteStr.h"

class clsCmcEeprom;
class frmCom;

class clsCmcOrb5Drv {
public:
    static constexpr int32_t kEchoTimeout = 1000;     // ms
    static constexpr int32_t kAnswerTimeout = 1200;   // ms
    static constexpr size_t kRxBufferSize = 256;

    explicit clsCmcOrb5Drv(const platform::TickClock& clock);

    // The work modes.
    enum WorkMode : int16_t {
        wmNone = 0,
        wmModelQuery = 1,
        wmCloneRead = 2,
        wmCloneWrite = 3,      // the data frames of a clone write
        wmCloneWriteEnd = 4,   // its end frame and the radio's result
        wmSendE8 = 5,          // an adjustment command
    };
    void setworkMode(int16_t mode);
    int16_t workMode() const { return workMode_; }
    void setwaitAnswer(bool on) { waitForAnswer_ = on; }
    void setretryCount(int16_t n) { retryCount_ = n; }
    void setmyEep(clsCmcEeprom* eep) { eep_ = eep; }
    void setsizDataOfPacket(int16_t n) { packetSize_ = n; }
    void setcloneWriteAdrList(const std::string& list);

    bool Running() const { return running_; }
    int16_t lastError() const { return lastError_; }
    void setlastError(int16_t c) { lastError_ = c; }
    int16_t nowError() const { return nowError_; }
    void setnowError(int16_t c);
    const ByteStr& ansInfo() const { return ansInfo_; }
    int32_t lastEeAdr() const { return lastEeAdr_; }
    const ByteStr& varLastE8Answer() const { return varLastE8Answer_; }
    int16_t EndAddress() const { return 8160; }
    bool SendEnable() const;
    bool waitEcho() const { return workMode_ >= wmModelQuery && workMode_ <= wmSendE8; }

    int16_t Send(const ByteStr& payload);
    int16_t RetrySend();
    int16_t RealSend(const ByteStr& payload);
    void read(const ByteStr& bytes);
    void task();
    void Reset();
    void ClearRxBuffer();

    frmCom* myObjCom = nullptr;

private:
    void stop();
    void setWaitState(int16_t w);
    void frameEvent();
    int16_t dispatch(const ByteStr& body);
    bool check(const ByteStr& body);
    bool storeCloneData(const ByteStr& body);
    ByteStr nextWriteFrame();
    void appendRx(ByteStr::const_iterator first, ByteStr::const_iterator last);


    int16_t retryCount_ = 0;
    int16_t retriesLeft_ = 0;
    bool waitForAnswer_ = false;
    int16_t workMode_ = wmNone;
    std::string writeList_;
    int16_t packetSize_ = 0;
    clsCmcEeprom* eep_ = nullptr;
    ByteStr lastFrame_;
    ByteStr txRecord_;
    ByteStr rx_;
    int16_t waitState_ = 0;
    clsCmcTick waitCounter_;
    bool idle_ = true;
    int32_t nextWriteAdr_ = 0;
    int32_t lastEeAdr_ = 0;
    bool countMismatch_ = false;
    bool running_ = false;
    int16_t lastError_ = drvErrNone;
    int16_t nowError_ = drvErrNone;
    ByteStr ansInfo_;
    ByteStr varLastE8Answer_;
    int16_t frameCount_ = 0;
    bool hunting_ = true;
    uint8_t expectedSub_ = 0;
};
