#pragma once
// The calendar time, for the dates a service record carries. Everything
// that times the protocol reads the tick clock instead.
#include <cstdint>

namespace platform {

class WallClock {
public:
    virtual ~WallClock() = default;
    // Seconds since 1970-01-01 00:00 UTC.
    virtual int64_t UnixSeconds() const = 0;
};

class SystemWallClock : public WallClock {
public:
    int64_t UnixSeconds() const override;
};

}  // namespace platform
