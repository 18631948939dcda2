#pragma once
#include <QObject>

namespace platform {

// A single-purpose timer, so that logic driven by ticks can be tested without waiting.
class Timer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~Timer() override = default;
    // (Re)starts a periodic timer with the given interval in milliseconds.
    virtual void start(int intervalMs) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    virtual int interval() const = 0;
signals:
    void timeout();
};

} // namespace platform
