#include "link/clsCmcOrb5Drv.h"

#include <algorithm>

#include "link/Common.h"
#include "link/clsCmcEeprom.h"
#include "link/frmCom.h"

namespace {

constexpr uint8_t kPre = 0xFE;
constexpr uint8_t kEnd = 0xFD;
constexpr uint8_t kRadioAdr = 0xEE;
constexpr uint8_t kPcAdr = 0xEF;
// "Halvo Co.", the maker identification of the end-of-clone frame.
const char kMakerHex[] = "48616C766F20436F2E";

// Body bytes are numbered from 1 as on the wire: byte 1 is 0xEF.
uint8_t at(const ByteStr& body, size_t pos1)
{
    return body[pos1 - 1];
}

ByteStr slice(const ByteStr& body, size_t pos1, size_t len)
{
    return ByteStr(body.begin() + static_cast<long>(pos1 - 1), body.begin() + static_cast<long>(pos1 - 1 + len));
}

// The BCD model codes at body bytes 4..7 must read as decimal digits.
bool decimalCodes(const ByteStr& body)
{
    const std::string hex = ByteStrToHexStr(slice(body, 4, 4));
    return std::all_of(hex.begin(), hex.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

clsCmcOrb5Drv::clsCmcOrb5Drv(const platform::TickClock& clock) : waitCounter_(clock)
{
    Reset();
}

void clsCmcOrb5Drv::setworkMode(int16_t mode)
{
    workMode_ = mode;
    waitForAnswer_ = (mode == wmModelQuery || mode == wmCloneRead || mode == wmCloneWriteEnd);
    varLastE8Answer_.clear();
    lastEeAdr_ = 0;
}

void clsCmcOrb5Drv::setcloneWriteAdrList(const std::string& list)
{
    writeList_ = list;
    nextWriteAdr_ = HexByteStrToInt(StrToByteStr(list.substr(0, 4)));
}

void clsCmcOrb5Drv::setnowError(int16_t c)
{
    nowError_ = c;
    if (c != drvErrNone)
        lastError_ = c;
    stop();
}

bool clsCmcOrb5Drv::SendEnable() const
{
    if (!idle_ || myObjCom == nullptr || !myObjCom->comSendEnable())
        return false;
    return myObjCom->OutBufferSize() - myObjCom->OutBufferCount() >= 257;
}

void clsCmcOrb5Drv::stop()
{
    waitState_ = 0;
    txRecord_.clear();
    running_ = false;
    retryCount_ = 0;
    idle_ = true;
}

void clsCmcOrb5Drv::setWaitState(int16_t w)
{
    waitState_ = w;
    if (w == 1)
        waitCounter_.setcounter(kEchoTimeout);
    else if (w == 2)
        waitCounter_.setcounter(kAnswerTimeout);
}

int16_t clsCmcOrb5Drv::Send(const ByteStr& payload)
{
    const int16_t r = RealSend(payload);
    retriesLeft_ = retryCount_;
    return r;
}

int16_t clsCmcOrb5Drv::RetrySend()
{
    if (retriesLeft_ < 1)
        return 1;
    stop();
    const int16_t r = RealSend(lastFrame_);
    --retriesLeft_;
    return r;
}

int16_t clsCmcOrb5Drv::RealSend(const ByteStr& payload)
{
    if (!SendEnable() || !txRecord_.empty())
        return 1;
    lastFrame_ = payload;
    txRecord_ = {kPre, kPre, kRadioAdr, kPcAdr};
    txRecord_.insert(txRecord_.end(), payload.begin(), payload.end());
    txRecord_.push_back(kEnd);
    if (workMode_ == wmSendE8 && payload.size() >= 6)
        expectedSub_ = payload[5];
    myObjCom->Output(txRecord_);
    idle_ = false;
    if (waitEcho()) {
        setWaitState(1);
        running_ = true;
    } else if (waitForAnswer_) {
        setWaitState(2);
        running_ = true;
    } else {
        stop();
    }
    // A frame that awaits no answer is finished once written; its echo is
    // dropped when it arrives. A clone write keeps the echo wait, because the
    // echo of each write frame is what sends the next one.
    if (!waitForAnswer_ && workMode_ != wmCloneWrite)
        stop();
    return 0;
}

void clsCmcOrb5Drv::appendRx(ByteStr::const_iterator first, ByteStr::const_iterator last)
{
    rx_.insert(rx_.end(), first, last);
    if (rx_.size() > kRxBufferSize)
        rx_.erase(rx_.begin(), rx_.end() - static_cast<long>(kRxBufferSize));
}

void clsCmcOrb5Drv::read(const ByteStr& bytes)
{
    ByteStr b = bytes;
    while (!b.empty()) {
        if (waitState_ == 1) {
            // The search window is the last 256 bytes. A large batch is taken
            // in pieces, as if it had arrived in several, so that an echo
            // followed at once by a long answer stream is still found.
            const size_t piece = std::min(b.size(), std::max<size_t>(1, kRxBufferSize - txRecord_.size()));
            appendRx(b.begin(), b.begin() + static_cast<long>(piece));
            b.erase(b.begin(), b.begin() + static_cast<long>(piece));
            const auto hit = std::search(rx_.begin(), rx_.end(), txRecord_.begin(), txRecord_.end());
            if (hit == rx_.end())
                continue;
            ByteStr rest(hit + static_cast<long>(txRecord_.size()), rx_.end());
            rest.insert(rest.end(), b.begin(), b.end());
            rx_.clear();
            frameEvent();
            hunting_ = true;
            b = std::move(rest);
        } else if (waitState_ == 2) {
            const auto fe = std::find(b.begin(), b.end(), kPre);
            const auto fd = std::find(b.begin(), b.end(), kEnd);
            bool complete = false;
            if (fe != b.end() && (fd == b.end() || fe < fd)) {
                // A frame starts; a run of 0xFE restarts it at every 0xFE.
                b.erase(b.begin(), fe + 1);
                hunting_ = false;
                rx_.clear();
            } else if (fe == b.end() && fd == b.end()) {
                if (!hunting_)
                    appendRx(b.begin(), b.end());
                b.clear();
            } else if (hunting_) {
                // An end mark before any frame start: the batch is dropped whole.
                b.clear();
            } else {
                appendRx(b.begin(), fd);
                // Without a later frame start the end mark stays in the batch
                // and is dropped on the next pass, as hunting has resumed.
                b.erase(b.begin(), fe == b.end() ? fd : fd + 1);
                complete = true;
            }
            if (complete) {
                frameEvent();
                rx_.clear();
                hunting_ = true;
            }
        } else {
            b.clear();
        }
    }
}

void clsCmcOrb5Drv::frameEvent()
{
    if (waitState_ == 1) {
        if (waitForAnswer_) {
            setWaitState(2);
            return;
        }
        if (workMode_ == wmCloneWrite) {
            stop();
            int16_t r;
            if (nextWriteAdr_ == -1) {
                setworkMode(wmCloneWriteEnd);
                ByteStr payload{0xE5};
                const ByteStr maker = HexStrToByteStr(kMakerHex);
                payload.insert(payload.end(), maker.begin(), maker.end());
                r = Send(payload);
            } else {
                r = Send(nextWriteFrame());
            }
            if (r != 0)
                setnowError(drvErrFrameNotSent);
        } else {
            stop();
        }
        return;
    }
    if (waitState_ == 2) {
        varLastE8Answer_ = rx_;
        if (dispatch(rx_) == 0)
            stop();
    }
}

int16_t clsCmcOrb5Drv::dispatch(const ByteStr& body)
{
    if (body.size() < 3 || at(body, 1) != kPcAdr || at(body, 2) != kRadioAdr)
        return 1;
    switch (at(body, 3)) {
    case 0xE1:
        if (workMode_ != wmModelQuery)
            return 1;
        if (!check(body)) {
            setnowError(drvErrIllegalData);
            return 1;
        }
        ansInfo_ = body;
        return 0;
    case 0xE4:
        if (workMode_ != wmCloneRead)
            return 1;
        if (!check(body)) {
            setnowError(drvErrIllegalData);
            return 1;
        }
        waitCounter_.setcounter(kAnswerTimeout);
        if (!storeCloneData(body))
            setnowError(drvErrBlockBeyond);
        return 1;
    case 0xE5:
        if (workMode_ != wmCloneRead)
            return 1;
        if (check(body))
            return 0;
        setnowError(countMismatch_ ? drvErrCountMismatch : drvErrIllegalData);
        return 1;
    case 0xE6:
        if (workMode_ != wmCloneWriteEnd)
            return 1;
        if (!check(body)) {
            setnowError(drvErrIllegalData);
            return 1;
        }
        if (at(body, 4) == 0x00)
            return 0;
        setnowError(drvErrWriteFailed);
        return 1;
    case 0xE8:
        if (workMode_ != wmSendE8)
            return 1;
        if (!check(body)) {
            setnowError(drvErrIllegalData);
            return 1;
        }
        varLastE8Answer_.assign(body.begin() + 3, body.end());
        return 0;
    default:
        return 1;
    }
}

bool clsCmcOrb5Drv::check(const ByteStr& body)
{
    const size_t len = body.size();
    if (len < 3 || at(body, 1) != kPcAdr || at(body, 2) != kRadioAdr)
        return false;
    switch (at(body, 3)) {
    case 0xE1:
        frameCount_ = 0;
        return len >= 51 && decimalCodes(body) && at(body, 8) == len - 7;
    case 0xE4: {
        if (len % 2 == 0 || len < 13)
            return false;
        unsigned sum = 0;
        for (size_t i = 4; i + 1 <= len; i += 2) {
            if (HexDigitValue(at(body, i)) < 0 || HexDigitValue(at(body, i + 1)) < 0)
                return false;
            sum += static_cast<uint8_t>(HexByteStrToInt(slice(body, i, 2)));
        }
        if (sum % 256 != 0)
            return false;
        if (static_cast<size_t>(HexByteStrToInt(slice(body, 8, 2))) != (len - 11) / 2)
            return false;
        frameCount_ = static_cast<int16_t>((frameCount_ + 1) % 256);
        return true;
    }
    case 0xE5: {
        if (len < 14 || slice(body, 4, 9) != HexStrToByteStr(kMakerHex))
            return false;
        if (HexByteStrToInt(slice(body, 13, 2)) != frameCount_) {
            countMismatch_ = true;
            return false;
        }
        return true;
    }
    case 0xE8:
        return len >= 8 && decimalCodes(body) && at(body, 8) == expectedSub_;
    case 0xE6:
        // A result frame without its result byte cannot confirm a write.
        return len >= 4;
    default:
        return true;
    }
}

bool clsCmcOrb5Drv::storeCloneData(const ByteStr& body)
{
    const int32_t adr = HexByteStrToInt(slice(body, 4, 4));
    const int16_t len = HexByteStrToInt(slice(body, 8, 2));
    ByteStr data;
    data.reserve(static_cast<size_t>(len));
    for (int16_t i = 0; i < len; ++i)
        data.push_back(static_cast<uint8_t>(HexByteStrToInt(slice(body, 10 + 2 * static_cast<size_t>(i), 2))));
    if (eep_ == nullptr || eep_->WriteBlock(adr, data) != 0)
        return false;
    lastEeAdr_ = adr + len - 1;
    return true;
}

ByteStr clsCmcOrb5Drv::nextWriteFrame()
{
    const int32_t end = static_cast<uint16_t>(HexByteStrToInt(StrToByteStr(writeList_.substr(std::min<size_t>(5, writeList_.size()), 4))));
    const int32_t a = nextWriteAdr_;
    int32_t len = packetSize_;
    if (a + len - 1 > end)
        len = end - a + 1;
    ByteStr body{static_cast<uint8_t>(a / 256), static_cast<uint8_t>(a % 256), static_cast<uint8_t>(len)};
    if (eep_ != nullptr && len > 0) {
        const ByteStr data = eep_->ReadBlock(a, len);
        body.insert(body.end(), data.begin(), data.end());
    }
    uint8_t sum = 0;
    for (uint8_t v : body)
        sum = static_cast<uint8_t>(sum + v);
    body.push_back(static_cast<uint8_t>(-sum));
    ByteStr payload{0xE4};
    const ByteStr ascii = StrToByteStr(ByteStrToHexStr(body));
    payload.insert(payload.end(), ascii.begin(), ascii.end());
    lastEeAdr_ = a + len - 1;
    if (a + len - 1 < end) {
        nextWriteAdr_ = a + len;
    } else {
        writeList_.erase(0, std::min<size_t>(10, writeList_.size()));
        nextWriteAdr_ = writeList_.size() >= 10 ? HexByteStrToInt(StrToByteStr(writeList_.substr(0, 4))) : -1;
    }
    return payload;
}

void clsCmcOrb5Drv::task()
{
    if (waitState_ == 1) {
        if (waitCounter_.counter() == 0)
            setnowError(drvErrNoEcho);
    } else if (waitState_ == 2) {
        if (waitCounter_.counter() == 0 && RetrySend() != 0)
            setnowError(drvErrNoAnswer);
    }
}

void clsCmcOrb5Drv::Reset()
{
    stop();
    ClearRxBuffer();
    nextWriteAdr_ = 0;
    nowError_ = drvErrNone;
}

void clsCmcOrb5Drv::ClearRxBuffer()
{
    rx_.clear();
    hunting_ = true;
}
