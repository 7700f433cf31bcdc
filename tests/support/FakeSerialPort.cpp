#include "tests/support/FakeSerialPort.h"

#include <algorithm>
#include <cstdlib>

uint64_t FakeSerialPort::nowUs() const
{
    return clock != nullptr ? static_cast<uint64_t>(clock->GetTickCount()) * 1000 : 0;
}

// Ten bit times per byte (start, eight data, stop) at the rate of the line
// settings.
uint64_t FakeSerialPort::byteUs() const
{
    const long baud = std::max(1L, std::atol(lineSettings.c_str()));
    return static_cast<uint64_t>(10000000 / baud);
}

void FakeSerialPort::update()
{
    const uint64_t now = nowUs();
    size_t gone = 0;
    while (gone < txQueue_.size() && txQueue_[gone].leavesUs <= now)
        wire_.push_back(txQueue_[gone++].byte);
    txQueue_.erase(txQueue_.begin(), txQueue_.begin() + static_cast<std::ptrdiff_t>(gone));
}

bool FakeSerialPort::setPortOpen(bool open)
{
    if (open) {
        if (refuseOpen)
            return false;
        isOpen = true;
        ++opens;
        return true;
    }
    update();
    txQueue_.clear();
    isOpen = false;
    return true;
}

ByteStr FakeSerialPort::input()
{
    ++inputs;
    ByteStr out;
    out.swap(rxQueue);
    return out;
}

void FakeSerialPort::output(const ByteStr& bytes)
{
    written.push_back(bytes);
    update();
    uint64_t at = std::max(nowUs(), txQueue_.empty() ? 0 : txQueue_.back().leavesUs);
    for (uint8_t b : bytes) {
        at += clock != nullptr ? byteUs() : 0;
        txQueue_.push_back({b, at});
    }
    update();
}

int FakeSerialPort::outBufferCount()
{
    update();
    return outPending + static_cast<int>(txQueue_.size());
}

bool FakeSerialPort::discardOutput()
{
    update();
    txQueue_.clear();
    outPending = 0;
    ++discards;
    return true;
}

// The real port waits here until the queue has left the line.
void FakeSerialPort::drainOutput()
{
    ++drains;
    for (const Queued& q : txQueue_)
        wire_.push_back(q.byte);
    txQueue_.clear();
}

const ByteStr& FakeSerialPort::wire()
{
    update();
    return wire_;
}

void FakeSerialPort::receive(const ByteStr& bytes, bool notify)
{
    rxQueue.insert(rxQueue.end(), bytes.begin(), bytes.end());
    if (notify && sink != nullptr)
        sink->OnComm(platform::comEvReceive);
}
