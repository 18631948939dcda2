#include "link/outputtester.h"

#include "link/unitlink.h"
#include "link/wire.h"
#include "platform/timer.h"

#include <utility>

namespace unitlink {

OutputTester::OutputTester(UnitLink &link, platform::Timer &lockTimer, std::function<QString()> password,
                           QObject *parent)
    : QObject(parent), link_(link), lockTimer_(lockTimer), password_(std::move(password))
{
    // The timer keeps running once started; every tick releases the buttons again.
    connect(&lockTimer_, &platform::Timer::timeout, this, [this] {
        locked_ = false;
        update();
    });
}

void OutputTester::press(int output, bool on)
{
    if (output < 1 || output > 4)
        return;
    // A press that could not be sent leaves everything as it was (the link has said why),
    // including a download that may be collecting.
    if (!link_.writeCommand(wire::bytes(wire::output_text(password_(), output, on))))
        return;
    link_.setLineUser(LineUser::Commands);
    if (output == 1 && on)
        lockButtons();
}

void OutputTester::lockButtons()
{
    locked_ = true;
    update();
    lockTimer_.start(kLockMs);
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
