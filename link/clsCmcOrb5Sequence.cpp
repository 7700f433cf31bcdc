#include "link/clsCmcOrb5Sequence.h"

#include "link/Common.h"
#include "link/clsCmcRadio.h"
#include "link/frmCom.h"

namespace {

enum Action : int16_t { actNone = 0, actQuery = 1, actRead = 2, actWrite = 3, actE8 = 4, actErrorEnd = 5, actFinish = 6 };

ByteStr bodyBytes(const ByteStr& body, size_t pos1, size_t len)
{
    ByteStr out;
    for (size_t i = pos1 - 1; i < pos1 - 1 + len && i < body.size(); ++i)
        out.push_back(body[i]);
    return out;
}

}  // namespace

clsCmcOrb5Sequence::clsCmcOrb5Sequence(frmCom& com, clsCmcRadio& radio, const platform::TickClock& clock)
    : com_(com), radio_(radio), hold_(clock)
{
    Reset();
    comPortNo_ = 1;
    comHoldReload_ = 0;
}

clsCmcOrb5Drv& clsCmcOrb5Sequence::driver() const
{
    return com_.orb5D;
}

void clsCmcOrb5Sequence::Reset()
{
    driver().Reset();
    com_.Reset();
    Standby();
}

void clsCmcOrb5Sequence::Standby()
{
    operation_ = opNone;
    step_ = 0;
    e8Hex_.clear();
}

void clsCmcOrb5Sequence::easyReset(int16_t portNo)
{
    Reset();
    comPortNo_ = portNo;
}

void clsCmcOrb5Sequence::easyCloneRead()
{
    setOperation(opCloneRead);
    start();
}

void clsCmcOrb5Sequence::easyCloneWrite()
{
    setOperation(opCloneWrite);
    start();
}

bool clsCmcOrb5Sequence::easySendE8NoAnswer(const std::string& spE8)
{
    setOperation(opSendE8);
    e8Hex_ = spE8;
    start();
    return false;
}

bool clsCmcOrb5Sequence::easySendE8ReqAnswer(const std::string& spE8)
{
    setOperation(opSendE8);
    e8Hex_ = spE8;
    e8AnsRequired_ = true;
    start();
    return false;
}

void clsCmcOrb5Sequence::setcomHoldReload(int32_t ms)
{
    comHoldReload_ = ms;
    hold_.setcounter(ms);
}

void clsCmcOrb5Sequence::setOperation(int16_t op)
{
    operation_ = op;
    e8AnsRequired_ = false;
}

void clsCmcOrb5Sequence::start()
{
    step_ = 0;
    task();
}

const ByteStr& clsCmcOrb5Sequence::ansInfo() const
{
    return driver().ansInfo();
}

std::string clsCmcOrb5Sequence::ansNameM() const
{
    return ByteStrToHexStr(bodyBytes(ansInfo(), 4, 2));
}

std::string clsCmcOrb5Sequence::ansNameS() const
{
    return ByteStrToHexStr(bodyBytes(ansInfo(), 6, 2));
}

void clsCmcOrb5Sequence::task()
{
    const bool opSet = operation_ != opNone;
    if (!driver().Running() && opSet) {
        int16_t action = chooseAction();
        if (action == actErrorEnd) {
            com_.setcomOpen(false);
            if (reporter_ != nullptr)
                reporter_->MsgBoxCloneErr(*this);
        }
        ++step_;
        if (action == actErrorEnd)
            action = actFinish;
        if (action != actNone)
            perform(action);
    }
    if (opSet)
        hold_.setcounter(comHoldReload_);
    else if (comHoldReload_ > 0 && hold_.counter() == 0 && com_.comOpen())
        Reset();
}

int16_t clsCmcOrb5Sequence::chooseAction()
{
    const bool drvError = driver().lastError() != drvErrNone;
    switch (operation_) {
    case opModelQuery:
        return step_ == 0 ? actQuery : actFinish;
    case opCloneRead:
        switch (step_) {
        case 0:
            return actQuery;
        case 1:
            if (drvError) {
                error_ = seqErrDriver;
                return actErrorEnd;
            }
            return modelCheck(false) ? actNone : actErrorEnd;
        case 2:
        case 3:
            if (drvError) {
                error_ = seqErrDriver;
                return actErrorEnd;
            }
            return step_ == 3 ? actRead : actNone;
        case 4:
            return drvError ? actErrorEnd : actNone;
        default:
            return drvError ? actErrorEnd : actFinish;
        }
    case opCloneWrite:
        if (step_ == 0)
            return actQuery;
        if (step_ == 1) {
            if (drvError) {
                error_ = seqErrDriver;
                return actErrorEnd;
            }
            return modelCheck(true) ? actWrite : actErrorEnd;
        }
        return drvError ? actErrorEnd : actFinish;
    case opSendE8:
        if (step_ == 0)
            return actE8;
        return drvError ? actErrorEnd : actFinish;
    default:
        return actFinish;
    }
}

namespace {

// Body byte 43 of the model answer: up to 0x01 allows a clone read, exactly
// 0x01 a clone write.
constexpr size_t kModelBytePos = 43;
constexpr int kModelByteRead = 0x01;
constexpr int kModelByteWrite = 0x01;

}  // namespace

int clsCmcOrb5Sequence::modelByte() const
{
    const ByteStr b = bodyBytes(ansInfo(), kModelBytePos, 1);
    return b.empty() ? 0 : b[0];
}

bool clsCmcOrb5Sequence::cloneWriteAllowed() const
{
    return modelByte() == kModelByteWrite;
}

// True when the transceiver may be read (or written); sets error otherwise.
bool clsCmcOrb5Sequence::modelCheck(bool writing)
{
    if (ansNameM() != radio_.radioNameM())
        error_ = seqErrMainCode;
    if (writing ? !cloneWriteAllowed() : modelByte() > kModelByteRead)
        error_ = seqErrModelByte;
    const std::string nameS = ansNameS();
    if (checker_ != nullptr && !checker_->RigOpFunc_CheckSubNameLegal(nameS)) {
        error_ = seqErrSubCode;
        return false;
    }
    radio_.setradionameS(nameS);
    return error_ == seqErrNone;
}

void clsCmcOrb5Sequence::perform(int16_t action)
{
    clsCmcOrb5Drv& drv = driver();
    if (action >= actQuery && action <= actE8) {
        drv.setlastError(drvErrNone);
        error_ = seqErrNone;
        com_.setcomPortNum(comPortNo_);
        com_.setcomOpen(true);
    }
    const std::string codes = radio_.radioNameM() + radio_.radionameS();
    switch (action) {
    case actQuery:
        drv.setworkMode(clsCmcOrb5Drv::wmModelQuery);
        drv.Send(HexStrToByteStr("E0" + radio_.radioNameM() + "0000"));
        break;
    case actRead:
        drv.setworkMode(clsCmcOrb5Drv::wmCloneRead);
        drv.setmyEep(&radio_.eepImage());
        drv.Send(HexStrToByteStr("E2" + codes));
        break;
    case actWrite:
        drv.setworkMode(clsCmcOrb5Drv::wmCloneWrite);
        drv.setmyEep(&radio_.eepImage());
        drv.setsizDataOfPacket(kWritePacketSize);
        drv.setcloneWriteAdrList(radio_.cloneWriteAdrList());
        drv.Send(HexStrToByteStr("E3" + codes));
        break;
    case actE8:
        drv.setworkMode(clsCmcOrb5Drv::wmSendE8);
        drv.setwaitAnswer(e8AnsRequired_);
        drv.setretryCount(2);
        drv.Send(HexStrToByteStr("E8" + codes + e8Hex_));
        break;
    case actFinish:
        step_ = 0;
        Standby();
        break;
    default:
        break;
    }
}
