#pragma once
#include <QObject>
#include <QString>

#include <functional>

namespace platform {
class Timer;
}

namespace unitlink {

class UnitLink;

// The hand test of the unit's four outputs: each press writes one command straight to the
// port, outside the upload queue; the unit's answer colours the output's state label
// reported by the link's usual reply handling.
class OutputTester : public QObject {
    Q_OBJECT
public:
    static constexpr int kLockMs = 1500;

    // `password` opens each command, read at the press.
    OutputTester(UnitLink &link, platform::Timer &lockTimer, std::function<QString()> password,
                 QObject *parent = nullptr);

    // A press of the ON (on) or OFF button of output 1..4.
    void press(int output, bool on);
    // Locks all eight buttons until the next tick of the lock timer.
    void lockButtons();
    // While an upload chain or a download holds the line, a press would cut across it.
    void setLineBusy(bool busy);

signals:
    void buttonsEnabledChanged(bool enabled);

private:
    void update();

    UnitLink &link_;
    platform::Timer &lockTimer_;
    std::function<QString()> password_;
    bool locked_ = false;
    bool busy_ = false;
    bool enabled_ = true;
};

} // namespace unitlink
