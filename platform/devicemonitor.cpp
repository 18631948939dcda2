#include "platform/devicemonitor.h"

#include <QSocketNotifier>
#include <QTimer>

#include <libudev.h>
#include <unistd.h>

namespace platform {

namespace {

class UdevMonitor : public DeviceMonitor {
public:
    UdevMonitor(udev *context, udev_monitor *monitor)
        : udev_(context), monitor_(monitor),
          notifier_(udev_monitor_get_fd(monitor), QSocketNotifier::Read)
    {
        connect(&notifier_, &QSocketNotifier::activated, this, [this] {
            // Drain what is queued, then list once for all of it.
            bool any = false;
            while (udev_device *device = udev_monitor_receive_device(monitor_)) {
                udev_device_unref(device);
                any = true;
            }
            if (any)
                emit devicesChanged();
        });
    }
    ~UdevMonitor() override
    {
        notifier_.setEnabled(false);
        udev_monitor_unref(monitor_);
        udev_unref(udev_);
    }

private:
    udev *udev_;
    udev_monitor *monitor_;
    QSocketNotifier notifier_;
};

class PollMonitor : public DeviceMonitor {
public:
    PollMonitor()
    {
        connect(&timer_, &QTimer::timeout, this, &DeviceMonitor::devicesChanged);
        timer_.start(1000);
    }

private:
    QTimer timer_;
};

std::unique_ptr<DeviceMonitor> tryUdev()
{
    // Without the udev daemon the monitor opens but never reports anything.
    if (::access("/run/udev/control", F_OK) != 0)
        return nullptr;
    udev *context = udev_new();
    if (!context)
        return nullptr;
    udev_monitor *monitor = udev_monitor_new_from_netlink(context, "udev");
    if (monitor && udev_monitor_filter_add_match_subsystem_devtype(monitor, "tty", nullptr) >= 0
        && udev_monitor_enable_receiving(monitor) >= 0)
        return std::make_unique<UdevMonitor>(context, monitor);
    if (monitor)
        udev_monitor_unref(monitor);
    udev_unref(context);
    return nullptr;
}

} // namespace

std::unique_ptr<DeviceMonitor> watchSerialDevices()
{
    if (auto udevMonitor = tryUdev())
        return udevMonitor;
    return std::make_unique<PollMonitor>();
}

} // namespace platform
