// Figures of the program against the simulated radio, paced at 9600 bit/s,
// over the real serial port code path:
//  - time from "Connect" to an editable console, against the time its
//    bytes need on the wire plus the waits the radio needs after commands;
//  - time from a step of a console value to its frame being written to the
//    port, over 100 steps;
//  - duration of a fine BPF sweep and of an LVA search, against the same;
//  - a whole image written back and verified by reading it back, against
//    the bytes of the write and of the read-back on the wire.
// With --adapter NAME the simulator puts a USB adapter profile between the
// line and the port (none, ftdi, ftdi-low, cp210x); the wire figures stay
// the line's, so the ratios show what the adapter costs.
// Usage: bench_paced [--fast] [--adapter NAME]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <sstream>
#include <vector>

#include "app/DorvelApp.h"
#include "records/BackupStore.h"
#include "records/ImageFile.h"
#include "app/MemoryWindow.h"
#include "console/ConsoleEventReceiver.h"
#include "platform/ForwardingSerialPort.h"
#include "platform/qt/QtSerialPort.h"
#include "platform/qt/QtTimer.h"
#include "tests/integration/Processes.h"
#include "tests/integration/SessionRun.h"

namespace {

// Forwards to the real port and notes when each frame was written.
class TimedPort : public platform::ForwardingSerialPort {
public:
    explicit TimedPort(platform::SerialPort& p) : ForwardingSerialPort(p), port(p) { clock.start(); }
    void output(const ByteStr& bytes) override
    {
        port.output(bytes);
        writes.push_back({clock.nsecsElapsed(), bytes});
    }

    struct Write {
        qint64 ns;
        ByteStr bytes;
    };
    platform::SerialPort& port;
    QElapsedTimer clock;
    std::vector<Write> writes;
};

// Passes the console's events on to the model and adds up the waits the
// console asks for after its frames.
class WaitRecorder : public ConsoleEventReceiver {
public:
    explicit WaitRecorder(ConsoleEventReceiver& m) : model(m) {}
    std::string ConsEv_Disp(clsConsole& c, int16_t& i, int16_t ev, int16_t v) override { return model.ConsEv_Disp(c, i, ev, v); }
    void ConsEv_SendE8(clsConsole& c, int16_t& i, int16_t ev, int16_t v) override { model.ConsEv_SendE8(c, i, ev, v); }
    void ConsEv_Enter(clsConsole& c, int16_t& i, int16_t ev, int16_t v) override { model.ConsEv_Enter(c, i, ev, v); }
    void setWaitE8Required(int32_t ms) override
    {
        totalMs += ms;
        model.setWaitE8Required(ms);
    }
    ConsoleEventReceiver& model;
    long totalMs = 0;
};

// Bytes on the wire in the simulator's log from line `fromLine` on.
long wireBytes(const std::string& logPath, size_t fromLine, size_t* lines = nullptr)
{
    std::istringstream in(ReadFile(logPath));
    long bytes = 0;
    size_t n = 0;
    for (std::string line; std::getline(in, line); ++n) {
        if (n < fromLine)
            continue;
        std::istringstream l(line);
        long ms;
        std::string side, hex;
        if (l >> ms >> side >> hex)
            bytes += static_cast<long>(hex.size() / 2);
    }
    if (lines != nullptr)
        *lines = n;
    return bytes;
}

void runUntil(const std::function<bool()>& done)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done())
            loop.quit();
    });
    poll.start(1);
    loop.exec();
}

void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Waits the radio needs after each adjustment command (the items' wait
// after their frame); other frames need none.
int requiredWaitMs(int sub)
{
    switch (sub) {
    case 0x05: case 0x08: case 0x09: case 0x0A: case 0x0B: case 0x0C: case 0x0F: case 0x10: case 0x13: case 0x14:
        return 200;
    case 0x06: case 0x07:
        return 500;
    default:
        return 0;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication qapp(argc, argv);
    bool fast = false;
    std::string adapter = "none";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--fast") {
            fast = true;
        } else if (a == "--adapter" && i + 1 < argc) {
            adapter = argv[++i];
        } else {
            std::fprintf(stderr, "usage: bench_paced [--fast] [--adapter none|ftdi|ftdi-low|cp210x]\n");
            return 2;
        }
    }
    TempDir dir;
    std::vector<std::string> simArgs{"--log", dir.file("wire.log"), "--adapter", adapter};
    if (fast)
        simArgs.push_back("--fast");
    SimProcess sim(simArgs);

    platform::QtSerialPort qport([&](int16_t) { return sim.device(); });
    TimedPort port(qport);
    platform::QtTimer timer;
    platform::SystemTickClock clock;
    MemoryWindow window;
    // Backups as the program takes them: a restore writes nothing without one.
    FileBackupStore backups(dir.file("backups"));
    AppPlatform platform{&port, &timer, &clock};
    platform.backupStore = &backups;
    DorvelApp app(platform, window.controls);
    app.Main();

    QElapsedTimer t;
    t.start();
    app.mainWindow().cmd00_Click(0);
    runUntil([&] { return app.model().RigTavikProp_EditEnabled() || !window.msgBox.shown.empty(); });
    const double connectS = static_cast<double>(t.nsecsElapsed()) / 1e9;
    if (!window.msgBox.shown.empty()) {
        std::fprintf(stderr, "Connect failed: %s\n", window.msgBox.shown[0].text.c_str());
        return 1;
    }
    std::printf("Adapter profile %s; the port found: %s\n", adapter.c_str(),
                platform::AdapterText(port.adapter()).c_str());
    // Bytes on the wire and required waits up to now, from the simulator's log.
    runFor(100);   // the log is written as the frames end
    long bytes = 0;
    long waitsMs = 0;
    {
        const std::string log = ReadFile(dir.file("wire.log"));
        std::istringstream in(log);
        long ms;
        std::string side, hex;
        while (in >> ms >> side >> hex)
            bytes += static_cast<long>(hex.size() / 2);
        for (const WireCommand& c : LoggedCommands(log))
            waitsMs += requiredWaitMs(c.sub);
    }
    const double wireS = static_cast<double>(bytes) * 10 / 9600;
    std::printf("Connect to an editable console: %.3f s\n", connectS);
    std::printf("  bytes on the wire %ld (%.3f s at 9600 bit/s), required waits %.3f s\n", bytes, wireS,
                static_cast<double>(waitsMs) / 1000);
    std::printf("  ratio to wire time plus waits: %.4f%s\n", connectS / (wireS + static_cast<double>(waitsMs) / 1000),
                fast ? " (unpaced simulator: not meaningful)" : "");

    // Key presses: step " Power(Hi)" up and down, about one step every 300 ms.
    runUntil([&] { return app.seq().Operation() == 0 && !app.model().RigTavikProp_Waiting(); });
    std::vector<double> latMs;
    clsConsole& console = app.model().myConsole;
    for (int i = 0; i < 100; ++i) {
        const size_t before = port.writes.size();
        const qint64 t0 = port.clock.nsecsElapsed();
        console.UpDown(1, i % 2 == 0 ? 1 : -1);
        runUntil([&] {
            for (size_t k = before; k < port.writes.size(); ++k)
                if (port.writes[k].bytes.size() > 9 && port.writes[k].bytes[4] == 0xE8 && port.writes[k].bytes[9] == 0x09)
                    return true;
            return false;
        });
        for (size_t k = before; k < port.writes.size(); ++k)
            if (port.writes[k].bytes[4] == 0xE8 && port.writes[k].bytes[9] == 0x09) {
                latMs.push_back(static_cast<double>(port.writes[k].ns - t0) / 1e6);
                break;
            }
        // Key presses come at any moment of the tick: vary the pause.
        runFor(300 + (i * 37) % 50);
    }
    std::sort(latMs.begin(), latMs.end());
    std::printf("Step to frame written, %zu steps: median %.1f ms, worst %.1f ms\n", latMs.size(),
                latMs[latMs.size() / 2], latMs.back());

    // Automatic adjustments: Enter on the item, until the sequence ends.
    auto sequence = [&](const char* name, int16_t item) {
        runUntil([&] { return app.seq().Operation() == 0 && !app.model().RigTavikProp_Waiting(); });
        runFor(200);
        WaitRecorder waits(app.model());
        console.myEventClass = &waits;
        size_t fromLine = 0;
        wireBytes(dir.file("wire.log"), 0, &fromLine);
        QElapsedTimer st;
        st.start();
        console.EnterPushed(item);
        runUntil([&] { return app.model().RigTavikProp_AutoRunning(); });
        runUntil([&] { return !app.model().RigTavikProp_AutoRunning(); });
        const double took = static_cast<double>(st.nsecsElapsed()) / 1e9;
        runFor(100);
        console.myEventClass = &app.model();
        const long seqBytes = wireBytes(dir.file("wire.log"), fromLine);
        const double wire = static_cast<double>(seqBytes) * 10 / 9600;
        const double w = static_cast<double>(waits.totalMs) / 1000;
        std::printf("%s: %.3f s; bytes on the wire %ld (%.3f s), waits %.3f s; ratio %.4f\n", name, took, seqBytes, wire,
                    w, took / (wire + w));
    };
    sequence("Fine BPF sweep (BPF T1)", app.model().idxBpfT1);
    sequence("LVA search (RX LVA)", app.model().idxRxLva);

    // The simulator's starting image back into it: from the operator's word
    // to "verified".
    ByteStr image;
    std::string reason;
    if (RunProgram({BinPath("dorvel-sim"), "--write-image", dir.file("start.bin")}).status != 0 ||
        !LoadImageFile(dir.file("start.bin"), image, reason)) {
        std::fprintf(stderr, "no image to write: %s\n", reason.c_str());
        return 1;
    }
    ImageRestore& restore = app.restore();
    restore.start(image, std::nullopt);
    runUntil([&] { return restore.phase() == ImageRestore::Phase::Confirming || !restore.busy(); });
    runFor(100);
    size_t fromLine = 0;
    wireBytes(dir.file("wire.log"), 0, &fromLine);
    QElapsedTimer wt;
    wt.start();
    restore.answer(true);
    runUntil([&] { return restore.phase() != ImageRestore::Phase::Writing; });
    const double writeS = static_cast<double>(wt.nsecsElapsed()) / 1e9;
    runUntil([&] { return !restore.busy(); });
    const double totalS = static_cast<double>(wt.nsecsElapsed()) / 1e9;
    runFor(100);
    // The write ends with the radio's E6 answer; the read-back follows.
    long writeBytes = 0;
    long verifyBytes = 0;
    {
        std::istringstream in(ReadFile(dir.file("wire.log")));
        size_t n = 0;
        bool written = false;
        for (std::string line; std::getline(in, line); ++n) {
            std::istringstream l(line);
            long ms;
            std::string side, hex;
            if (n < fromLine || !(l >> ms >> side >> hex))
                continue;
            (written ? verifyBytes : writeBytes) += static_cast<long>(hex.size() / 2);
            written = written || (side == "radio" && hex.rfind("FEFEEFEEE6", 0) == 0);
        }
    }
    if (restore.outcome() != ImageRestore::Outcome::Verified) {
        std::fprintf(stderr, "the write was not verified: %s\n", restore.message().c_str());
        return 1;
    }
    const double writeWire = static_cast<double>(writeBytes) * 10 / 9600;
    const double verifyWire = static_cast<double>(verifyBytes) * 10 / 9600;
    std::printf("Write and verify of a whole image: %.3f s (write %.3f s, read-back %.3f s)\n", totalS, writeS,
                totalS - writeS);
    std::printf("  bytes on the wire: write %ld (%.3f s), read-back %ld (%.3f s); ratio %.4f\n", writeBytes, writeWire,
                verifyBytes, verifyWire, totalS / (writeWire + verifyWire));
    app.Shutdown();
    return 0;
}
