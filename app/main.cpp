#include "app/frmselect.h"
#include "app/startup.h"
#include "mainwindow/frmmain.h"
#include "platform/devicemonitor.h"
#include "platform/portcatalogue.h"
#include "platform/qtdialogs.h"
#include "platform/qtserialport.h"
#include "platform/qttimer.h"
#include "settings/unitmodel.h"
#include "unitsim/ptyunit.h"

#include <QApplication>
#include <QIcon>
#include <QTextStream>
#include <utility>

int main(int argc, char *argv[])
{
    app::FontsAhead fonts;
    // Listing the serial devices reads much of /sys: let it run while Qt starts.
    platform::PortCatalogue::Lister systemDevices =
        platform::PortCatalogue::listingAhead(platform::PortCatalogue::systemLister());
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("NorvikConf"));
    QApplication::setApplicationVersion(app::FrmSelect::versionText());
    // Lets the desktop match the windows to the menu entry and its icon once installed.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.norvikconf.NorvikConf"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.norvikconf.NorvikConf")));

    fonts.finish();

    // The built-in simulated unit lets a technician try every function without hardware.
    unitsim::PtyUnit simulated;
    QString simError;
    if (!simulated.start(&simError))
        QTextStream(stderr) << "NorvikConf: the simulated unit is not available: " << simError << '\n';

    platform::PortCatalogue catalogue(std::move(systemDevices), platform::PortCatalogue::envPorts(),
                                      [&simulated] { return simulated.isRunning() ? simulated.devicePath() : QString(); });
    const auto monitor = platform::watchSerialDevices();
    catalogue.follow(*monitor);
    platform::QtSerialPort unitPort;
    platform::QtDialogs selectDialogs;
    platform::QtDialogs mainDialogs;

    app::FrmSelect select(catalogue, selectDialogs, [&](const mainwindow::Choice &choice) {
        // The simulated unit answers as the model the operator works with.
        simulated.protocol().setModel(choice.unitModel == settings::kIntercom ? unitsim::Model::Intercom
                                                                              : unitsim::Model::Gate);
        mainwindow::Platform platform;
        platform.port = &unitPort;
        platform.dialogs = &mainDialogs;
        platform.makeTimer = [] { return std::make_unique<platform::QtTimer>(); };
        platform.catalogue = &catalogue;
        auto *main = new mainwindow::FrmMain(platform, choice);
        main->setAttribute(Qt::WA_DeleteOnClose);
        mainDialogs.setParent(main);
        return main;
    });
    selectDialogs.setParent(&select);
    select.show();
    return app.exec();
}
