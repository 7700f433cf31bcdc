#pragma once
// A periodic timer on the user-interface thread.
#include <functional>

namespace platform {

class Timer {
public:
    virtual ~Timer() = default;
    virtual void setInterval(int ms) = 0;
    virtual void setEnabled(bool on) = 0;
    virtual bool enabled() const = 0;
    virtual void setHandler(std::function<void()> onTick) = 0;
};

}  // namespace platform
