#pragma once
#include "platform/timer.h"

#include <QTimer>

namespace platform {

class QtTimer : public Timer {
    Q_OBJECT
public:
    explicit QtTimer(QObject *parent = nullptr) : Timer(parent)
    {
        connect(&timer_, &QTimer::timeout, this, &Timer::timeout);
    }
    void start(int intervalMs) override { timer_.start(intervalMs); }
    void stop() override { timer_.stop(); }
    bool isActive() const override { return timer_.isActive(); }
    int interval() const override { return timer_.interval(); }

private:
    QTimer timer_;
};

} // namespace platform
