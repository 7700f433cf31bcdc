#pragma once
// A tick count the test moves by hand.
#include "platform/TickClock.h"

class ManualTickClock : public platform::TickClock {
public:
    explicit ManualTickClock(uint32_t start = 1000) : now(start) {}
    uint32_t GetTickCount() const override { return now; }
    void advance(uint32_t ms) { now += ms; }
    uint32_t now;
};
