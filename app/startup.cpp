#include "app/startup.h"

#include "platform/devicemonitor.h"

#include <QApplication>
#include <QFontMetrics>
#include <QIcon>
#include <QTextStream>
#include <fontconfig/fontconfig.h>

namespace app {

Ports::Ports(platform::PortCatalogue::Lister systemDevices, const QStringList &extraPaths)
{
    // The built-in simulated unit lets a technician try every function without hardware.
    QString simError;
    if (!simulated_.start(&simError))
        QTextStream(stderr) << "NorvikConf: the simulated unit is not available: " << simError << '\n';
    QStringList paths{platform::PortCatalogue::envPorts()};
    paths += extraPaths;
    paths.removeAll(QString());
    catalogue_.emplace(std::move(systemDevices), paths.join(QLatin1Char(':')),
                       [this] { return simulated_.isRunning() ? simulated_.devicePath() : QString(); });
    monitor_ = platform::watchSerialDevices();
    catalogue_->follow(*monitor_);
}

Ports::~Ports() = default;

StartUp::StartUp()
    : fontconfig_(std::async(std::launch::async, [] { return FcInit() == FcTrue; })),
      // Listing the serial devices reads much of /sys.
      systemDevices_(platform::PortCatalogue::listingAhead(platform::PortCatalogue::systemLister()))
{
}

std::unique_ptr<Ports> StartUp::ready(const QStringList &extraPaths)
{
    // Lets the desktop match the windows to the menu entry and its icon once installed.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.norvikconf.NorvikConf"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.norvikconf.NorvikConf")));

    // Qt's own call to FcInit must not race the one on the thread, or both would load the
    // configuration. The first text drawn would load the rest; done now, it is done while the
    // port listing still runs.
    fontconfig_.get();
    QFontMetrics(QApplication::font()).height();

    return std::make_unique<Ports>(std::move(systemDevices_), extraPaths);
}

} // namespace app
