#pragma once
// The whole program on in-memory controls, a scripted transceiver and a manual clock. Each
// tick moves the clock by 50 ms, lets the transceiver answer what reached the line meanwhile
// (the port's transmit queue empties at 9600 bit/s) and fires the timer.
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
    ModelBench() = default;
    explicit ModelBench(const HistorySettings* settings) : history(settings) {}

    const HistorySettings* history = nullptr;   // null: no history kept
    FakeSerialPort port;
    FakeTimer timer;
    ManualTickClock clk;
    MemoryWindow win;
    DorvelApp app{platform(), win.controls};   // no instance lock, no settings file
    ScriptedRadio trx{port};
    bool started = (port.clock = &clk, app.Main(), true);
    clsIndOp_RigTavik& m = app.model();
    clsConsole& con = app.model().myConsole;
    size_t bytesPerTick = 0;          // above 0: received bytes trickle in
    std::vector<uint32_t> writtenAt;  // clock time of each written frame

    AppPlatform platform()
    {
        AppPlatform p{&port, &timer, &clk};
        p.history = history;
        return p;
    }
    void tick()
    {
        clk.advance(50);
        trx.serve();
        if (bytesPerTick > 0) {
            held.insert(held.end(), port.rxQueue.begin(), port.rxQueue.end());
            port.rxQueue.assign(held.begin(), held.begin() + static_cast<std::ptrdiff_t>(std::min(bytesPerTick, held.size())));
            held.erase(held.begin(), held.begin() + static_cast<std::ptrdiff_t>(port.rxQueue.size()));
        }
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
    // On until everything changed has gone out and the cycle is at its end.
    bool settle()
    {
        return runUntil([&] { return m.RigTavikProp_EditEnabled() && m.RigTavikProp_AtRest(); });
    }
    // Enter on an item, on until the model has taken it.
    void enter(int16_t i)
    {
        con.EnterPushed(i);
        runUntil([&] { return !con.flgEnterOn(i); });
    }
    // On until the sequence has ended and everything changed has gone out.
    bool runToEnd() { return runUntil([&] { return !m.RigTavikProp_AutoRunning(); }) && settle(); }
    // "Connect", then on to the end of the first edit cycle.
    bool connect()
    {
        app.mainWindow().cmd00_Click(0);
        return settle();
    }
    // Commands from index `from` on as "sub:value", A/D requests (03) only when asked for.
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
        const auto it = std::find_if(trx.commands.rbegin(), trx.commands.rend(), [&](const auto& c) { return c.sub == sub; });
        return it == trx.commands.rend() ? 0 : it->value;
    }
    std::vector<const JournalEvent*> events(JournalEvent::Kind k) const
    {
        std::vector<const JournalEvent*> out;
        for (const JournalEvent& e : m.myJournal.events())
            if (e.kind == k)
                out.push_back(&e);
        return out;
    }
    // The n-th event of a kind (from 0); past the end an empty event.
    const JournalEvent& nth(JournalEvent::Kind k, size_t n) const
    {
        static const JournalEvent none;
        const auto all = events(k);
        return n < all.size() ? *all[n] : none;
    }
    std::string line(int16_t i) const { return win.lboConsole.line(i); }
    int image(int adr) { return app.radio().eepImage().ReadByte(adr); }
    // A channel record: frequencies in hertz, byte 12 (power, inhibit marks), byte 13 (bit 7 narrow).
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

    ByteStr held;   // received bytes not yet let through
};

// The moments the model announced, in order.
struct Moments : ModelListener {
    explicit Moments(clsIndOp_RigTavik& m) { m.addListener(this); }
    std::vector<std::string> seen;
    void imageLoaded() override { seen.push_back("image loaded"); }
    void editingStarted() override { seen.push_back("editing"); }
    void parameterDisplayShown() override { seen.push_back("parameters shown"); }
    void readoutFailed() override { seen.push_back("readout failed"); }
    void connectFailed() override { seen.push_back("connect failed"); }
};
