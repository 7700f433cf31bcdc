#include "platform/qt/QtTimer.h"

namespace platform {

QtTimer::QtTimer()
{
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        if (handler_)
            handler_();
    });
}

void QtTimer::setEnabled(bool on)
{
    if (on && !timer_.isActive())
        timer_.start();
    else if (!on)
        timer_.stop();
}

}  // namespace platform
