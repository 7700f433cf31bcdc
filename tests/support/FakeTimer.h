#pragma once
#include <functional>

#include "platform/Timer.h"

// A timer that fires only when the test calls fire().
class FakeTimer : public platform::Timer {
public:
    void setInterval(int ms) override { interval = ms; }
    void setEnabled(bool on) override { on_ = on; }
    bool enabled() const override { return on_; }
    void setHandler(std::function<void()> h) override { handler = std::move(h); }
    void fire()
    {
        if (on_ && handler)
            handler();
    }
    int interval = 0;
    std::function<void()> handler;

private:
    bool on_ = false;
};
