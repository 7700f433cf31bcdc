#pragma once
// Runs the program for the session's commands on the model bench's manual
// clock, a tick at a time. A run without limit, or a longer one, stops after
// capMs.
#include "cli/SessionCommands.h"
#include "tests/model/ModelBench.h"

struct ManualRunner : SessionRunner {
    ManualRunner(ModelBench& b, int cap) : bench(b), capMs(cap) {}
    bool runUntil(const std::function<bool()>& done, int ms) override
    {
        const int limit = ms < 0 || ms > capMs ? capMs : ms;
        for (int t = 0; t < limit; t += 50) {
            if (done())
                return true;
            bench.tick();
        }
        return done();
    }
    ModelBench& bench;
    int capMs;
};
