#include "link/outputtester.h"

#include "link/unitlink.h"
#include "platform/latin1.h"
#include "platform/timer.h"

#include <utility>

namespace unitlink {

OutputTester::OutputTester(UnitLink &link, platform::Timer &tmrOut, QObject *parent)
    : QObject(parent), link_(link), tmrOut_(tmrOut)
{
    // The timer keeps running once started; every tick releases the buttons again.
    connect(&tmrOut_, &platform::Timer::timeout, this, [this] {
        locked_ = false;
        update();
    });
}

QString OutputTester::commandText(int output, bool on)
{
    return QStringLiteral(" SET OUT%1 NOW %2*").arg(output).arg(on ? QStringLiteral("ON") : QStringLiteral("OFF"));
}

void OutputTester::press(int output, bool on)
{
    if (output < 1 || output > 4)
        return;
    const QString text = QLatin1Char('*') + link_.password() + commandText(output, on);
    // A press that could not be sent leaves everything as it was (the link has said why),
    // including a download that may be collecting.
    if (!link_.write_command(platform::toWire(text)))
        return;
    link_.set_link_mode(kModeUpload);
    if (output == 1 && on)
        disable_output_buttons();
}

void OutputTester::disable_output_buttons()
{
    locked_ = true;
    update();
    tmrOut_.start(kLockMs);
}

void OutputTester::setLineBusy(bool busy)
{
    busy_ = busy;
    update();
}

void OutputTester::update()
{
    const bool enabled = !locked_ && !busy_;
    if (enabled != std::exchange(enabled_, enabled))
        emit buttonsEnabledChanged(enabled);
}

} // namespace unitlink
