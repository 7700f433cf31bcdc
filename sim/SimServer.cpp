#include "sim/SimServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "DorvelVersion.h"
#include "sim/SimImage.h"

namespace dsim {

WireLine::WireLine(long baud, bool paced)
    : byteNs_(10LL * 1000000000LL / std::max(1L, baud)), paced_(paced)
{
}

void WireLine::schedule(int64_t now, const std::vector<WireEvent>& events)
{
    for (const WireEvent& ev : events) {
        const int64_t at = paced_ ? std::max(now, lineFree_) : now;
        switch (ev.kind) {
        case WireEvent::Kind::PcBytes: {
            int64_t t = at;
            for (uint8_t b : ev.bytes) {
                if (paced_) t += byteNs_;
                if (ev.echoed) items_.push_back({t, WireItem::Kind::Byte, b, {}});
            }
            if (paced_) lineFree_ = t;
            pcLast_ = true;
            break;
        }
        case WireEvent::Kind::PcFrame:
            items_.push_back({at, WireItem::Kind::LogPc, 0, ev.bytes});
            break;
        case WireEvent::Kind::RadioFrame: {
            int64_t t = at + (paced_ && pcLast_ ? kTurnaroundNs : 0);
            for (uint8_t b : ev.bytes) {
                if (paced_) t += byteNs_;
                items_.push_back({t, WireItem::Kind::Byte, b, {}});
            }
            items_.push_back({t, WireItem::Kind::LogRadio, 0, ev.bytes});
            if (paced_) lineFree_ = t;
            pcLast_ = false;
            break;
        }
        case WireEvent::Kind::Pull:
            // What was already on the wire reaches the PC; the cable comes
            // off a moment later, so the PC's outcome does not depend on
            // whether it read those bytes before the device vanished.
            items_.push_back({std::max(at, lineFree_) + kPullGraceNs, WireItem::Kind::Pull, 0, {}});
            break;
        }
    }
}

bool WireLine::popDue(int64_t now, WireItem& item)
{
    if (items_.empty() || items_.front().due > now) return false;
    item = std::move(items_.front());
    items_.pop_front();
    return true;
}

void WireLine::clear()
{
    items_.clear();
    lineFree_ = 0;
    pcLast_ = false;
}

void PcTransmitQueue::push(int64_t now, const uint8_t* data, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        queue_.push_back({data[i], now + usbOutNs_});
}

int64_t PcTransmitQueue::nextTake(int64_t lineFree) const
{
    if (queue_.empty()) return -1;
    return paced_ ? std::max(lineFree, queue_.front().arrived) : queue_.front().arrived;
}

bool PcTransmitQueue::take(uint8_t& byte)
{
    if (queue_.empty()) return false;
    byte = queue_.front().byte;
    queue_.pop_front();
    return true;
}

std::string logLine(int64_t ms, bool fromPc, const Bytes& frame)
{
    const Bytes hex = toAsciiHex(frame);
    std::string line = std::to_string(ms) + (fromPc ? " pc " : " radio ");
    line.append(hex.begin(), hex.end());
    return line;
}

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const int saved = errno;
    const char c = 1;
    ssize_t ignored = write(g_signalPipe[1], &c, 1);
    (void)ignored;
    errno = saved;
}

int64_t monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

void complain(const std::string& text)
{
    std::fprintf(stderr, "dorvel-sim: %s\n", text.c_str());
}

class Server {
public:
    Server(const Options& opt, Radio& radio)
        : opt_(opt), radio_(radio), line_(opt.baud, !opt.fast), pcQueue_(!opt.fast, opt.adapter.usbOutNs),
          adapter_(opt.adapter)
    {
    }
    int run();

private:
    static constexpr int64_t kHangupProbeNs = 50000000;  // how often to look for a new client

    int setUp();
    void tearDown();
    int makeLink();  // 0, or the exit status
    void dropClient();
    enum class ReadResult { Bytes, Nothing, Gone };
    ReadResult readMaster(int64_t now);
    void takeQueued(int64_t now);
    void readStdin();
    bool passDueItems(int64_t now);  // false once the cable is pulled
    void writeOut();
    void logFrame(const WireItem& item);

    const Options& opt_;
    Radio& radio_;
    WireLine line_;
    PcTransmitQueue pcQueue_;
    AdapterModel adapter_;
    int master_ = -1;
    std::string slave_;
    std::FILE* log_ = nullptr;
    bool linked_ = false;
    bool hungUp_ = false;
    bool stdinOpen_ = true;
    std::string stdinText_;
    Bytes out_;
    int64_t start_ = 0;
};

int Server::setUp()
{
    if (pipe(g_signalPipe) != 0) {
        complain(std::string("cannot create a pipe: ") + std::strerror(errno));
        return 1;
    }
    for (int fd : g_signalPipe) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
    // Started in the background from a terminal, reading stdin fails instead
    // of stopping the simulator; the control input is then simply given up.
    // (Stdin is left blocking: it is shared with the shell, and is read only
    // when poll says it is readable.)
    signal(SIGTTIN, SIG_IGN);

    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    char name[256] = {0};
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0 ||
        ptsname_r(master_, name, sizeof name) != 0) {
        complain(std::string("cannot open a pseudo-terminal: ") + std::strerror(errno));
        return 1;
    }
    slave_ = name;
    termios tio{};
    if (tcgetattr(master_, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(master_, TCSANOW, &tio);
    }
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    // Packet mode: the terminal tells when the PC flushes its output, which
    // drops what the PC's UART has not yet sent.
    int packet = 1;
    if (ioctl(master_, TIOCPKT, &packet) != 0) {
        complain(std::string("cannot watch the pseudo-terminal: ") + std::strerror(errno));
        return 1;
    }

    if (!opt_.logPath.empty()) {
        log_ = std::fopen(opt_.logPath.c_str(), "w");
        if (!log_) {
            complain("cannot create log file " + opt_.logPath + ": " + std::strerror(errno));
            return 1;
        }
    }
    if (!opt_.linkPath.empty()) {
        const int rc = makeLink();
        if (rc != 0) return rc;
    }
    start_ = monotonicNs();
    return 0;
}

int Server::makeLink()
{
    struct stat st {};
    if (lstat(opt_.linkPath.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            complain("--link " + opt_.linkPath + " exists and is not a symbolic link");
            return 2;
        }
        unlink(opt_.linkPath.c_str());  // a link left behind by an earlier run
    }
    if (symlink(slave_.c_str(), opt_.linkPath.c_str()) != 0) {
        complain("cannot create link " + opt_.linkPath + ": " + std::strerror(errno));
        return 1;
    }
    linked_ = true;
    return 0;
}

void Server::tearDown()
{
    if (master_ >= 0) close(master_);
    master_ = -1;
    if (linked_ && !opt_.linkPath.empty()) {
        char target[256] = {0};
        const ssize_t n = readlink(opt_.linkPath.c_str(), target, sizeof target - 1);
        if (n > 0 && slave_ == std::string(target, static_cast<size_t>(n))) unlink(opt_.linkPath.c_str());
    }
    if (log_) std::fclose(log_);
    log_ = nullptr;
    for (int& fd : g_signalPipe) {
        if (fd >= 0) close(fd);
        fd = -1;
    }
}

void Server::dropClient()
{
    if (hungUp_) return;
    hungUp_ = true;
    // What the PC had written still crosses the line, as a closing port
    // waits for its queue to drain: the radio acts on it and the log shows
    // it, though nothing reaches the PC any more.
    takeQueued(std::numeric_limits<int64_t>::max());
    WireItem item;
    while (line_.popDue(std::numeric_limits<int64_t>::max(), item))
        if (item.kind == WireItem::Kind::LogPc || item.kind == WireItem::Kind::LogRadio) logFrame(item);
    // Whatever was still to go to this client is dropped, and so is what it
    // left unread in the terminal, so that the next client starts clean. Only
    // the terminal's input side is flushed: a new client may already have
    // opened it and sent its first frame.
    line_.clear();
    adapter_.clear();
    out_.clear();
    radio_.lineDropped();
    const int fd = open(slave_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0) {
        tcflush(fd, TCIFLUSH);
        close(fd);
    }
}

Server::ReadResult Server::readMaster(int64_t now)
{
    uint8_t buf[4097];
    const ssize_t n = read(master_, buf, sizeof buf);
    if (n > 0) {
        // A data packet starts with 0; any other first byte is the
        // terminal's status alone.
        if (buf[0] == TIOCPKT_DATA)
            pcQueue_.push(now, buf + 1, static_cast<size_t>(n - 1));
        else if (buf[0] & TIOCPKT_FLUSHWRITE)
            pcQueue_.flush();
        return ReadResult::Bytes;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return ReadResult::Nothing;
    return ReadResult::Gone;  // EIO: the client has closed the device
}

// The line takes the PC's bytes one byte time each, when it is free.
void Server::takeQueued(int64_t now)
{
    for (int64_t at; (at = pcQueue_.nextTake(line_.lineFree())) >= 0 && at <= now;) {
        uint8_t byte = 0;
        pcQueue_.take(byte);
        line_.schedule(at, radio_.receive(&byte, 1));
    }
}

void Server::readStdin()
{
    char buf[512];
    const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
    if (n <= 0) {
        stdinOpen_ = false;  // end of the control input: ignored from now on
        return;
    }
    stdinText_.append(buf, static_cast<size_t>(n));
    size_t eol;
    while ((eol = stdinText_.find('\n')) != std::string::npos) {
        std::string lineText = stdinText_.substr(0, eol);
        stdinText_.erase(0, eol + 1);
        if (!lineText.empty() && lineText.back() == '\r') lineText.pop_back();
        std::string err;
        if (!applyControlLine(radio_, lineText, err)) complain(err);
    }
    if (stdinText_.size() > 4096) {
        complain("control line too long, dropped");
        stdinText_.clear();
    }
}

void Server::logFrame(const WireItem& item)
{
    if (!log_) return;
    const int64_t ms = std::max<int64_t>(0, (item.due - start_) / 1000000);
    std::fprintf(log_, "%s\n", logLine(ms, item.kind == WireItem::Kind::LogPc, item.frame).c_str());
    std::fflush(log_);
}

bool Server::passDueItems(int64_t now)
{
    WireItem item;
    while (line_.popDue(now, item)) {
        switch (item.kind) {
        case WireItem::Kind::Byte:
            adapter_.receive(item.due, item.byte);
            break;
        case WireItem::Kind::LogPc:
        case WireItem::Kind::LogRadio:
            logFrame(item);
            break;
        case WireItem::Kind::Pull:
            adapter_.releaseAll(out_);
            writeOut();
            return false;
        }
    }
    adapter_.release(now, out_);
    return true;
}

void Server::writeOut()
{
    size_t done = 0;
    while (done < out_.size() && !hungUp_) {
        const ssize_t n = write(master_, out_.data() + done, out_.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            break;
        } else {
            dropClient();
            return;
        }
    }
    out_.erase(out_.begin(), out_.begin() + static_cast<std::ptrdiff_t>(std::min(done, out_.size())));
}

int Server::run()
{
    const int rc = setUp();
    if (rc != 0) {
        tearDown();
        return rc;
    }
    std::printf("%s\n", slave_.c_str());
    std::fflush(stdout);

    int status = 0;
    for (;;) {
        int64_t now = monotonicNs();
        takeQueued(now);
        if (!passDueItems(now)) break;  // the cable is pulled
        writeOut();
        if (hungUp_) {
            pollfd probe{master_, POLLIN, 0};
            if (poll(&probe, 1, 0) >= 0 && (probe.revents & POLLHUP) == 0) hungUp_ = false;
        }

        pollfd fds[3];
        nfds_t count = 0;
        fds[count++] = {g_signalPipe[0], POLLIN, 0};
        int stdinAt = -1;
        int masterAt = -1;
        if (stdinOpen_) {
            stdinAt = static_cast<int>(count);
            fds[count++] = {STDIN_FILENO, POLLIN, 0};
        }
        if (!hungUp_) {
            masterAt = static_cast<int>(count);
            fds[count++] = {master_, static_cast<short>(POLLIN | (out_.empty() ? 0 : POLLOUT)), 0};
        }
        int64_t waitNs = -1;  // no timeout
        if (hungUp_) waitNs = kHangupProbeNs;
        if (out_.empty() && !line_.empty()) {
            const int64_t untilDue = std::max<int64_t>(0, line_.nextDue() - now);
            waitNs = waitNs < 0 ? untilDue : std::min(waitNs, untilDue);
        }
        const int64_t packet = adapter_.nextPacket();
        if (out_.empty() && packet >= 0) {
            const int64_t untilPacket = std::max<int64_t>(0, packet - now);
            waitNs = waitNs < 0 ? untilPacket : std::min(waitNs, untilPacket);
        }
        const int64_t take = pcQueue_.nextTake(line_.lineFree());
        if (take >= 0) {
            const int64_t untilTake = std::max<int64_t>(0, take - now);
            waitNs = waitNs < 0 ? untilTake : std::min(waitNs, untilTake);
        }
        timespec ts{};
        ts.tv_sec = static_cast<time_t>(waitNs / 1000000000LL);
        ts.tv_nsec = static_cast<long>(waitNs % 1000000000LL);
        const int r = ppoll(fds, count, waitNs < 0 ? nullptr : &ts, nullptr);
        if (r < 0) {
            if (errno == EINTR) continue;
            complain(std::string("poll failed: ") + std::strerror(errno));
            status = 1;
            break;
        }
        if (fds[0].revents != 0) break;  // SIGINT or SIGTERM
        if (stdinAt >= 0 && fds[stdinAt].revents != 0) {
            if (fds[stdinAt].revents & (POLLIN | POLLHUP))
                readStdin();
            else
                stdinOpen_ = false;  // not readable at all (closed descriptor)
        }
        if (masterAt >= 0) {
            const short ev = fds[masterAt].revents;
            // While the device is hung up, what is readable is still the
            // last client's; a new client is served once the loop has seen
            // it back.
            if (ev & (POLLHUP | POLLERR | POLLNVAL)) {
                while ((ev & POLLIN) && readMaster(monotonicNs()) == ReadResult::Bytes) {
                }
                dropClient();
            } else if ((ev & POLLIN) && readMaster(monotonicNs()) == ReadResult::Gone) {
                dropClient();
            }
        }
    }
    tearDown();
    return status;
}

}  // namespace

int runServer(const Options& opt, Radio& radio)
{
    Server server(opt, radio);
    return server.run();
}

int simMain(int argc, const char* const* argv)
{
    Options opt;
    std::string err;
    if (!parseOptions(argc > 0 ? argc - 1 : 0, argv + (argc > 0 ? 1 : 0), opt, err)) {
        complain(err);
        return 2;
    }
    if (opt.help) {
        std::fputs(usageText().c_str(), stdout);
        return 0;
    }
    if (opt.version) {
        std::puts("dorvel-sim " DORVEL_VERSION);
        return 0;
    }
    Bytes image;
    if (!startImage(opt, image, err)) {
        complain(err);
        return 2;
    }
    if (!opt.writeImagePath.empty()) {
        if (!saveImageFile(opt.writeImagePath, image, err)) {
            complain(err);
            return 1;
        }
        return 0;
    }
    Radio radio(std::move(image), opt.identity);
    radio.setSignal(opt.signal);
    radio.setNoise(opt.noise);
    radio.setFault(opt.faults, true);
    return runServer(opt, radio);
}

}  // namespace dsim
