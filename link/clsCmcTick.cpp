#include "link/clsCmcTick.h"

void clsCmcTick::setcounter(int32_t t)
{
    start_ = clock_->GetTickCount();
    preset_ = t;
    running_ = true;
}

int32_t clsCmcTick::counter()
{
    if (!running_)
        return 0;
    // Unsigned difference: correct across both wrap points of the count.
    const uint32_t elapsed = clock_->GetTickCount() - start_;
    if (elapsed >= 0x80000000u || static_cast<int64_t>(preset_) <= static_cast<int64_t>(elapsed)) {
        running_ = false;
        return 0;
    }
    return preset_ - static_cast<int32_t>(elapsed);
}
