#pragma once
// A millisecond down-counter on the 32-bit system tick count; every time-out
// and wait of the program uses one.
#include <cstdint>

#include "platform/TickClock.h"

class clsCmcTick {
public:
    explicit clsCmcTick(const platform::TickClock& clock) : clock_(&clock) {}

    // Starts the count-down from t milliseconds (0 or less: expired at once).
    void setcounter(int32_t t);
    // Milliseconds left; 0 when expired or never set.
    int32_t counter();

private:
    const platform::TickClock* clock_;
    uint32_t start_ = 0;
    int32_t preset_ = 0;
    bool running_ = false;
};
