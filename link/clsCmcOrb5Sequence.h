#pragma once
// Turns a whole clone operation (model query, clone read, clone write or one
// adjustment command) into driver exchanges, one step per tick, with the
// model check before a clone transfer. Opens the port for each exchange,
// closes it and has the failure reported when an operation fails, and
// releases the port a set time after the last operation.
#include <cstdint>
#include <string>

#include "link/CloneErrors.h"
#include "link/clsCmcTick.h"
#include "platform/ByteStr.h"

class clsCmcRadio;
class clsCmcOrb5Drv;
class clsCmcOrb5Sequence;
class frmCom;

// The model object's check of the sub model code a transceiver reports.
class SubNameChecker {
public:
    virtual ~SubNameChecker() = default;
    virtual bool RigOpFunc_CheckSubNameLegal(const std::string& nameS) = 0;
};

// The main window's report of a failed operation.
class CloneErrorReporter {
public:
    virtual ~CloneErrorReporter() = default;
    virtual void MsgBoxCloneErr(clsCmcOrb5Sequence& seq) = 0;
};

class clsCmcOrb5Sequence {
public:
    enum Op : int16_t { opNone = 0, opModelQuery = 1, opCloneRead = 2, opCloneWrite = 3, opSendE8 = 4 };
    // A clone write sends the image in frames of this many data bytes.
    static constexpr int16_t kWritePacketSize = 16;

    clsCmcOrb5Sequence(frmCom& com, clsCmcRadio& radio, const platform::TickClock& clock);

    void setChecker(SubNameChecker* checker) { checker_ = checker; }
    void setReporter(CloneErrorReporter* reporter) { reporter_ = reporter; }

    void Reset();
    void Standby();
    void easyReset(int16_t portNo);
    void easyCloneRead();
    void easyCloneWrite();
    bool easySendE8NoAnswer(const std::string& spE8);
    bool easySendE8ReqAnswer(const std::string& spE8);
    void setcomHoldReload(int32_t ms);
    int32_t comHoldReload() const { return comHoldReload_; }
    int16_t ComPortNo() const { return comPortNo_; }
    void setComPortNo(int16_t n) { comPortNo_ = n; }
    int16_t Operation() const { return operation_; }
    void setOperation(int16_t op);
    const std::string& e8HexStrToSend() const { return e8Hex_; }
    void sete8HexStrToSend(const std::string& hex) { e8Hex_ = hex; }
    void sete8AnsRequired(bool on) { e8AnsRequired_ = on; }
    void start();
    bool OpRunning() const { return step_ != 0; }
    // An operation runs, or is set and waits for the driver's exchange to
    // end before its first step (OpRunning still reads false): starting
    // another one now would replace it unsent.
    bool Busy() const { return OpRunning() || operation_ != opNone; }
    int16_t error() const { return error_; }
    // The last model answer allows a clone write (its byte 43 is 0x01).
    bool cloneWriteAllowed() const;
    const ByteStr& ansInfo() const;
    std::string ansNameM() const;
    std::string ansNameS() const;
    void task();

    clsCmcOrb5Drv& driver() const;
    const frmCom& com() const { return com_; }

private:
    int16_t chooseAction();
    // Byte 43 of the last model answer (0 when there is none).
    int modelByte() const;
    bool modelCheck(bool writing);
    void perform(int16_t action);

    frmCom& com_;
    clsCmcRadio& radio_;
    SubNameChecker* checker_ = nullptr;
    CloneErrorReporter* reporter_ = nullptr;
    int16_t comPortNo_ = 1;
    int16_t operation_ = 0;
    int16_t step_ = 0;
    std::string e8Hex_;
    bool e8AnsRequired_ = false;
    int32_t comHoldReload_ = 0;
    clsCmcTick hold_;
    int16_t error_ = seqErrNone;
};
