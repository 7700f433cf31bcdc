#include "platform/WallClock.h"

#include <ctime>

namespace platform {

int64_t SystemWallClock::UnixSeconds() const
{
    return static_cast<int64_t>(std::time(nullptr));
}

}  // namespace platform
