#pragma once

#include "platform/portcatalogue.h"
#include "unitsim/ptyunit.h"

#include <QStringList>

#include <future>
#include <memory>
#include <optional>

namespace platform {
class DeviceMonitor;
}

namespace app {

// The serial ports the program offers: the built-in simulated unit, and the catalogue that
// lists it with the system's devices and follows adapters coming and going.
class Ports {
public:
    // `extraPaths` are listed as the environment's are (a device given on the command line).
    explicit Ports(platform::PortCatalogue::Lister systemDevices, const QStringList &extraPaths = {});
    ~Ports();
    unitsim::PtyUnit &simulated() { return simulated_; }
    platform::PortCatalogue &catalogue() { return *catalogue_; }

private:
    unitsim::PtyUnit simulated_;
    std::optional<platform::PortCatalogue> catalogue_; // made once the simulated unit runs
    std::unique_ptr<platform::DeviceMonitor> monitor_;
};

// What the program does before its first window, ordered so that the slow parts overlap:
// fontconfig reads its configuration and the serial devices are listed, each on a thread of
// its own, while Qt starts. Made before QApplication; ready() is called once it exists.
class StartUp {
public:
    StartUp();
    // Names the program to the desktop, loads the fonts and makes the ports (to be let go
    // before QApplication is).
    std::unique_ptr<Ports> ready(const QStringList &extraPaths = {});

private:
    std::future<bool> fontconfig_;
    platform::PortCatalogue::Lister systemDevices_;
};

} // namespace app
