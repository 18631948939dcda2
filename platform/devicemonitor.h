#pragma once
#include <QObject>
#include <memory>

namespace platform {

// Tells when serial devices may have come or gone, so the port catalogue lists again.
class DeviceMonitor : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~DeviceMonitor() override = default;
signals:
    void devicesChanged();
};

// Watches udev for tty devices. Where udev does not run (some containers, no udevd), it
// asks for a fresh listing once a second instead.
std::unique_ptr<DeviceMonitor> watchSerialDevices();

} // namespace platform
