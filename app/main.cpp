#include "app/frmselect.h"
#include "app/startup.h"
#include "mainwindow/frmmain.h"
#include "platform/portcatalogue.h"
#include "platform/qtdialogs.h"
#include "platform/qtserialport.h"
#include "platform/qttimer.h"
#include "settings/unitmodel.h"
#include "unitsim/ptyunit.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    app::StartUp startUp;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("NorvikConf"));
    QApplication::setApplicationVersion(app::FrmSelect::versionText());
    const std::unique_ptr<app::Ports> ports = startUp.ready();

    platform::PortCatalogue &catalogue = ports->catalogue();
    unitsim::PtyUnit &simulated = ports->simulated();
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
