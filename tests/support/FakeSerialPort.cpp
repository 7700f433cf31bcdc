#include "tests/support/FakeSerialPort.h"

bool FakeSerialPort::setPortOpen(bool open)
{
    if (open) {
        if (refuseOpen)
            return false;
        isOpen = true;
        ++opens;
        return true;
    }
    if (isOpen)
        ++closes;
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
    if (autoEcho)
        rxQueue.insert(rxQueue.end(), bytes.begin(), bytes.end());
}

void FakeSerialPort::receive(const ByteStr& bytes, bool notify)
{
    rxQueue.insert(rxQueue.end(), bytes.begin(), bytes.end());
    if (notify && sink != nullptr)
        sink->OnComm(platform::comEvReceive);
}
