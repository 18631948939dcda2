#include "app/frmselect.h"
#include "mainwindow/frmmain.h"
#include "platform/portcatalogue.h"
#include "platform/qtdialogs.h"
#include "platform/qtserialport.h"
#include "platform/qttimer.h"
#include "unitsim/ptyunit.h"

#include <QApplication>
#include <QIcon>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("NorvikConf"));
    QApplication::setApplicationVersion(app::FrmSelect::versionText());
    // Lets the desktop match the windows to the menu entry and its icon once installed.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.norvikconf.NorvikConf"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.norvikconf.NorvikConf")));

    // The built-in simulated unit lets a technician try every function without hardware.
    unitsim::PtyUnit simulated;
    QString simError;
    if (!simulated.start(&simError))
        QTextStream(stderr) << "NorvikConf: the simulated unit is not available: " << simError << '\n';

    platform::SystemPortCatalogue catalogue([&simulated] { return simulated.devicePath(); });
    platform::QtSerialPort probePort(catalogue);
    platform::QtSerialPort unitPort(catalogue);
    platform::QtDialogs selectDialogs;
    platform::QtDialogs mainDialogs;

    app::FrmSelect select(probePort, catalogue, selectDialogs, [&] {
        mainwindow::Platform platform;
        platform.port = &unitPort;
        platform.dialogs = &mainDialogs;
        platform.makeTimer = [] { return std::make_unique<platform::QtTimer>(); };
        auto *main = new mainwindow::FrmMain(platform);
        main->setAttribute(Qt::WA_DeleteOnClose);
        mainDialogs.setParent(main);
        return main;
    });
    selectDialogs.setParent(&select);
    select.show();
    return app.exec();
}
