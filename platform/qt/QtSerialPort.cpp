#include "platform/qt/QtSerialPort.h"

#include <QMetaObject>
#include <unistd.h>

#include <algorithm>
#include <sstream>
#include <thread>
#include <vector>

namespace platform {

QtSerialPort::QtSerialPort(Resolver resolver, QObject* parent) : QObject(parent), resolver_(std::move(resolver))
{
    connect(&port_, &QSerialPort::readyRead, this, &QtSerialPort::onReadyRead);
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
}

QtSerialPort::~QtSerialPort()
{
    sink_ = nullptr;
    closePort();
}

// The adapter's latency flag goes back to what it was before the device is
// let go.
void QtSerialPort::closePort()
{
    if (port_.isOpen()) {
        if (!vanished_)
            RestoreLatency(*adapterSys_, static_cast<int>(port_.handle()), adapter_);
        port_.close();
    }
}

void QtSerialPort::setParams(const SerialParams& params)
{
    params_ = params;
    if (port_.isOpen()) {
        // Lines that a pseudo-terminal or a bare adapter cannot drive are
        // not an error: the cloning cable needs neither.
        port_.setDataTerminalReady(params_.dtrEnable);
        port_.setRequestToSend(params_.rtsEnable);
        port_.clearError();
    }
}

// "9600,N,8,1": bit rate, parity, data bits, stop bits.
bool QtSerialPort::applyLineSettings()
{
    std::vector<std::string> parts;
    std::stringstream in(settings_);
    for (std::string p; std::getline(in, p, ',');)
        parts.push_back(p);
    if (parts.size() != 4)
        return false;
    int baud = 0;
    int bits = 0;
    try {
        baud = std::stoi(parts[0]);
        bits = std::stoi(parts[2]);
    } catch (...) {
        return false;
    }
    QSerialPort::Parity parity;
    switch (parts[1].empty() ? '?' : parts[1][0]) {
    case 'N': case 'n': parity = QSerialPort::NoParity; break;
    case 'E': case 'e': parity = QSerialPort::EvenParity; break;
    case 'O': case 'o': parity = QSerialPort::OddParity; break;
    case 'M': case 'm': parity = QSerialPort::MarkParity; break;
    case 'S': case 's': parity = QSerialPort::SpaceParity; break;
    default: return false;
    }
    QSerialPort::StopBits stop;
    if (parts[3] == "1")
        stop = QSerialPort::OneStop;
    else if (parts[3] == "1.5")
        stop = QSerialPort::OneAndHalfStop;
    else if (parts[3] == "2")
        stop = QSerialPort::TwoStop;
    else
        return false;
    if (baud <= 0 || bits < 5 || bits > 8)
        return false;
    // Start bit, data bits, parity bit and stop bits.
    const int bitsPerChar = 1 + bits + (parity == QSerialPort::NoParity ? 0 : 1) + (stop == QSerialPort::OneStop ? 1 : 2);
    byteTime_ = std::chrono::nanoseconds(1000000000LL * bitsPerChar / baud);
    return port_.setBaudRate(baud) && port_.setParity(parity) &&
           port_.setDataBits(static_cast<QSerialPort::DataBits>(bits)) && port_.setStopBits(stop) &&
           port_.setFlowControl(QSerialPort::NoFlowControl);
}

bool QtSerialPort::setPortOpen(bool open)
{
    if (!open) {
        lineErrors_.stop();
        closePort();
        port_.clearError();
        return true;
    }
    if (port_.isOpen())
        return true;
    path_ = AbsoluteDevicePath(resolver_ ? resolver_(portNo_) : std::string());
    openError_.clear();
    adapter_ = {};
    if (path_.empty()) {
        openError_ = "no device for this port number";
        return false;
    }
    // A lock file that no running program holds would keep the device
    // locked (the serial library only takes such a file as stale when it is
    // old): it is left over, and goes.
    for (const std::string& stale : StaleLockFiles(path_))
        ::unlink(stale.c_str());
    port_.setPortName(QString::fromStdString(path_));
    port_.setReadBufferSize(0);
    if (!port_.open(QIODevice::ReadWrite)) {
        openError_ = port_.errorString().toStdString();
        port_.clearError();
        return false;
    }
    if (!applyLineSettings()) {
        openError_ = "line settings refused: " + settings_;
        port_.close();
        port_.clearError();
        return false;
    }
    port_.setDataTerminalReady(params_.dtrEnable);
    port_.setRequestToSend(params_.rtsEnable);
    port_.clearError();
    vanished_ = false;
    lineFreeAt_ = {};
    const int fd = static_cast<int>(port_.handle());
    adapter_ = OpenLowLatency(*adapterSys_, fd, path_);
    lineErrors_.start([fd](LineErrorCounts& c) { return ReadLineErrorCounts(fd, c); });
    return true;
}

std::string QtSerialPort::openFailure() const
{
    if (openError_.empty())
        return {};
    return "COM " + std::to_string(portNo_) + ", " + ExplainOpenFailure(path_, openError_);
}

int QtSerialPort::inBufferCount()
{
    return port_.isOpen() ? static_cast<int>(port_.bytesAvailable()) : 0;
}

ByteStr QtSerialPort::input()
{
    if (!port_.isOpen())
        return {};
    const QByteArray data = port_.readAll();
    return ByteStr(data.begin(), data.end());
}

void QtSerialPort::output(const ByteStr& bytes)
{
    if (!port_.isOpen())
        return;
    port_.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    // Hand the bytes to the device now rather than on the next event loop
    // pass, so that a frame reaches the wire within the tick that sent it.
    port_.flush();
    const auto now = std::chrono::steady_clock::now();
    lineFreeAt_ = std::max(now, lineFreeAt_) + byteTime_ * static_cast<int64_t>(bytes.size());
}

// Qt's own buffer and the driver's queue alike wait to go out.
int QtSerialPort::outBufferCount()
{
    if (!port_.isOpen())
        return 0;
    return static_cast<int>(port_.bytesToWrite()) + KernelOutputQueue(static_cast<int>(port_.handle()));
}

void QtSerialPort::drainOutput()
{
    using Clock = std::chrono::steady_clock;
    if (!port_.isOpen() || vanished_)
        return;
    const int fd = static_cast<int>(port_.handle());
    const auto start = Clock::now();
    // Bounded by what is still queued at the line rate, and by the
    // program's own account of the line, plus a margin. The account covers
    // an adapter's own FIFO, which no driver reports; it is held to the
    // largest such FIFO, since a far end faster than the line (a simulator
    // on a pseudo-terminal) lets the program write ahead of its account.
    constexpr int64_t kAdapterFifoBytes = 640;
    const int64_t queued = port_.bytesToWrite() + KernelOutputQueue(fd);
    const auto onLine = std::min<Clock::duration>(lineFreeAt_ > start ? lineFreeAt_ - start : Clock::duration::zero(),
                                                  byteTime_ * kAdapterFifoBytes);
    const auto deadline = start + std::max<Clock::duration>(byteTime_ * queued, onLine) + std::chrono::milliseconds(20);
    while (port_.isOpen() && !vanished_) {
        const auto now = Clock::now();
        if (now >= deadline)
            break;
        if (port_.bytesToWrite() > 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
            if (!port_.waitForBytesWritten(static_cast<int>(std::max<int64_t>(1, left))))
                break;   // nothing more goes out (the device has an error)
            continue;
        }
        if (KernelOutputQueue(fd) == 0 && now >= lineFreeAt_ + byteTime_ * 2)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

bool QtSerialPort::discardOutput()
{
    if (!port_.isOpen())
        return true;   // nothing waits on a closed port
    return port_.clear(QSerialPort::Output);
}

void QtSerialPort::notify(int16_t code)
{
    if (sink_ != nullptr)
        sink_->OnComm(code);
}

void QtSerialPort::onReadyRead()
{
    if (!port_.isOpen())
        return;
    // A damaged byte empties the driver's receive buffer before the bytes
    // that came with it are read, so that it never passes as data.
    for (int16_t event : lineErrors_.poll()) {
        notify(event);
        if (!port_.isOpen())
            return;   // a receive buffer overflow closes the port
    }
    const qint64 waiting = port_.bytesAvailable();
    if (waiting > params_.inBufferSize) {
        notify(comEventRxOver);
        return;
    }
    if (params_.rThreshold > 0 && waiting >= params_.rThreshold)
        notify(comEvReceive);
}

void QtSerialPort::onError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ResourceError:
        // The device went away (cable pulled, adapter unplugged). Bytes that
        // came before are still delivered; then the port is closed so that Qt
        // stops polling a dead descriptor, and the exchange under way times
        // out and is reported like a silent transceiver.
        vanished_ = true;
        QMetaObject::invokeMethod(this, [this] {
            if (port_.isOpen() && port_.bytesAvailable() > 0)
                notify(comEvReceive);
            if (port_.isOpen())
                port_.close();
            port_.clearError();
        }, Qt::QueuedConnection);
        break;
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::UnknownError:
        port_.clearError();
        notify(comEventDCB);
        break;
    default:
        // Opening failures are reported by setPortOpen; a line the port
        // cannot drive (DTR on a pseudo-terminal) is no failure at all.
        break;
    }
}

}  // namespace platform
