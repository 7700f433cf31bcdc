#pragma once
// The system's millisecond tick count, wrapping at 32 bits.
#include <cstdint>

namespace platform {

class TickClock {
public:
    virtual ~TickClock() = default;
    virtual uint32_t GetTickCount() const = 0;
};

// Monotonic milliseconds since an arbitrary start, cut to 32 bits.
class SystemTickClock : public TickClock {
public:
    uint32_t GetTickCount() const override;
};

}  // namespace platform
