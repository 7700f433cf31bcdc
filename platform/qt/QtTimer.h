#pragma once
#include <QTimer>

#include "platform/Timer.h"

namespace platform {

class QtTimer : public Timer {
public:
    QtTimer();
    void setInterval(int ms) override { timer_.setInterval(ms); }
    void setEnabled(bool on) override;
    bool enabled() const override { return timer_.isActive(); }
    void setHandler(std::function<void()> onTick) override { handler_ = std::move(onTick); }

private:
    QTimer timer_;
    std::function<void()> handler_;
};

}  // namespace platform
