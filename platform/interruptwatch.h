#pragma once
#include <QObject>

class QSocketNotifier;

namespace platform {

// Turns Ctrl-C (SIGINT) and SIGTERM into a signal of the event loop. The signal handler
// only writes one byte to a socket pair; everything else happens in the loop.
class InterruptWatch : public QObject {
    Q_OBJECT
public:
    explicit InterruptWatch(QObject *parent = nullptr);
    ~InterruptWatch() override;
    bool isWatching() const { return notifier_ != nullptr; }

signals:
    void interrupted();

private:
    void onReadable();
    QSocketNotifier *notifier_ = nullptr;
};

} // namespace platform
