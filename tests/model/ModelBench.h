#pragma once
// The whole program on in-memory parts: the composition root with a window
// of in-memory controls, a scripted transceiver behind a fake port, and a
// manual clock. Each tick lets the transceiver answer what was written,
// moves the clock by 50 ms and fires the heartbeat.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/DorvelApp.h"
#include "app/MemoryWindow.h"
#include "link/Common.h"
#include "tests/support/FakeTimer.h"
#include "tests/support/ManualTickClock.h"
#include "tests/support/ScriptedRadio.h"

struct ModelBench {
    FakeSerialPort port;
    FakeTimer timer;
    ManualTickClock clk;
    MemoryWindow win;
    DorvelApp app{platformParts(), win.controls};
    ScriptedRadio trx{port};
    bool started = (app.Main(), true);
    clsIndOp_RigTavik& m = app.model();
    clsConsole& con = app.model().myConsole;
    // When set, A/D requests get this answer body instead of the radio's.
    std::function<ByteStr(int code)> adAnswer;
    size_t bytesPerTick = 0;          // above 0: received bytes trickle in
    std::vector<uint32_t> writtenAt;  // clock time of each written frame

    void tick()
    {
        if (!adAnswer)
            trx.serve();
        for (; adAnswer && trx.seen < port.written.size(); ++trx.seen) {
            const ByteStr& f = port.written[trx.seen];   // echo, record, answer
            port.receive(f);
            if (f.size() < 13 || f[4] != 0xE8)
                continue;
            trx.commands.push_back({f[9], HexByteStrToInt(ByteStr(f.begin() + 10, f.begin() + 12))});
            if (f[9] == 0x03)
                port.receive(RadioFrame(0xE8, adAnswer(trx.commands.back().value)));
        }
        if (bytesPerTick > 0) {
            held.insert(held.end(), port.rxQueue.begin(), port.rxQueue.end());
            const auto n = static_cast<std::ptrdiff_t>(std::min(bytesPerTick, held.size()));
            port.rxQueue.assign(held.begin(), held.begin() + n);
            held.erase(held.begin(), held.begin() + n);
        }
        clk.advance(50);
        timer.fire();
        writtenAt.resize(port.written.size(), clk.now);
    }
    bool runUntil(const std::function<bool()>& pred, int limit = 20000)
    {
        for (int i = 0; i < limit; ++i) {
            tick();
            if (pred())
                return true;
        }
        return false;
    }
    void ticks(int n) { runUntil([] { return false; }, n); }
    // "Connect", then on to the end of the first edit cycle.
    bool connect()
    {
        app.mainWindow().cmd00_Click(0);
        return runUntil([&] { return m.taskState == 28; });
    }
    // On until everything changed has gone out and the cycle is at its end.
    bool settle()
    {
        return runUntil([&] {
            for (int16_t i = 0; i < con.ListCount(); ++i)
                if (con.flgChanged(i))
                    return false;
            return m.taskState == 28 && app.seq().Operation() == 0;
        });
    }
    // Commands from index `from` on as "sub:value" text, A/D requests
    // (sub-command 03) left out unless asked for.
    std::string commands(size_t from = 0, bool withAd = false) const
    {
        std::string s;
        for (size_t i = from; i < trx.commands.size(); ++i)
            if (withAd || trx.commands[i].sub != 0x03)
                s += (s.empty() ? "" : " ") + ByteToHex2(static_cast<int16_t>(trx.commands[i].sub)) + ":" +
                     std::to_string(trx.commands[i].value);
        return s;
    }
    int lastValue(int sub) const
    {
        for (auto it = trx.commands.rbegin(); it != trx.commands.rend(); ++it)
            if (it->sub == sub)
                return it->value;
        return -1;
    }
    std::string line(int16_t i) const { return win.lboConsole.line(i); }
    // A channel record: frequencies in hertz, byte 12 (power, inhibit marks)
    // and byte 13 (bit 7 narrow).
    void putChannel(int n, uint32_t rx, uint32_t tx, uint8_t flags = 0, uint8_t mode = 0)
    {
        const size_t r = 0x160 + 18 * static_cast<size_t>(n);
        for (size_t i = 0; i < 4; ++i) {
            trx.image[r + i] = static_cast<uint8_t>(rx >> (24 - 8 * i));
            trx.image[r + 4 + i] = static_cast<uint8_t>(tx >> (24 - 8 * i));
        }
        trx.image[r + 12] = flags;
        trx.image[r + 13] = mode;
    }

private:
    AppPlatform platformParts()
    {
        AppPlatform p;   // no instance lock, no settings file
        p.port = &port;
        p.timer = &timer;
        p.clock = &clk;
        return p;
    }
    ByteStr held;
};
