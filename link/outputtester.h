#pragma once
#include <QObject>

namespace platform {
class Timer;
}

namespace unitlink {

class UnitLink;

// The hand test of the unit's four outputs: each press writes one command straight to the
// port, outside the upload queue; the unit's answer colours the output's state label
// through the link's usual reply handling.
class OutputTester : public QObject {
    Q_OBJECT
public:
    static constexpr int kLockMs = 1500;

    OutputTester(UnitLink &link, platform::Timer &tmrOut, QObject *parent = nullptr);

    // The command text after the password, e.g. " SET OUT3 NOW OFF*".
    static QString commandText(int output, bool on);

    // A press of the ON (on) or OFF button of output 1..4.
    void press(int output, bool on);
    // Locks all eight buttons until the next tick of tmrOut.
    void disable_output_buttons();
    // While an upload chain or a download holds the line, a press would cut across it.
    void setLineBusy(bool busy);

signals:
    void buttonsEnabledChanged(bool enabled);

private:
    void update();

    UnitLink &link_;
    platform::Timer &tmrOut_;
    bool locked_ = false;
    bool busy_ = false;
    bool enabled_ = true;
};

} // namespace unitlink
