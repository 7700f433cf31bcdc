#pragma once
// Runs the program for the session's commands on a manual clock: each tick
// lets the scripted transceiver answer, moves the clock by 50 ms and fires
// the timer. A run without limit, or a longer one, stops after capMs.
#include "cli/SessionCommands.h"
#include "tests/support/FakeTimer.h"
#include "tests/support/ManualTickClock.h"
#include "tests/support/ScriptedRadio.h"

struct ManualRunner : SessionRunner {
    ManualRunner(ScriptedRadio& r, ManualTickClock& c, FakeTimer& t, int cap) : radio(r), clk(c), timer(t), capMs(cap)
    {
    }
    bool runUntil(const std::function<bool()>& done, int ms) override
    {
        const int limit = ms < 0 || ms > capMs ? capMs : ms;
        for (int t = 0; t < limit; t += 50) {
            if (done())
                return true;
            radio.serve();
            clk.advance(50);
            timer.fire();
        }
        return done();
    }
    ScriptedRadio& radio;
    ManualTickClock& clk;
    FakeTimer& timer;
    int capMs;
};
