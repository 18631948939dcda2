#include "app/frmselect.h"
#include "app/launcher.h"
#include "app/startoptions.h"
#include "app/startup.h"
#include "platform/qtdialogs.h"
#include "platform/qtserialport.h"
#include "platform/qttimer.h"
#include "platform/textfile.h"
#include "platform/translations.h"
#include "settings/unitmodel.h"
#include "unitsim/ptyunit.h"

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTextStream>

#include <optional>

namespace {
QStringList argumentsOf(int argc, char *argv[])
{
    QStringList out;
    for (int i = 0; i < argc; ++i)
        out << QString::fromLocal8Bit(argv[i]);
    return out;
}
} // namespace

int main(int argc, char *argv[])
{
    // --help and --version answer before Qt looks for a display. Other errors wait for Qt to
    // take its own options (-platform, -style) out of the list.
    const app::ParsedArguments early = app::parseArguments(argumentsOf(argc, argv), app::FrmSelect::versionText());
    if (early.outcome == app::ParsedArguments::Outcome::Exit) {
        QTextStream(stdout) << early.text;
        return 0;
    }
    app::StartUp startUp;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("NorvikConf"));
    QApplication::setApplicationVersion(app::FrmSelect::versionText());
    platform::installTranslations();
    const app::ParsedArguments parsed = app::parseArguments(QApplication::arguments(), app::FrmSelect::versionText());
    if (parsed.outcome != app::ParsedArguments::Outcome::Run) {
        const bool exit = parsed.outcome == app::ParsedArguments::Outcome::Exit;
        QTextStream(exit ? stdout : stderr) << parsed.text;
        return exit ? 0 : 1;
    }
    // A device path given with --port gets a number in the list, as NORVIKCONF_PORTS paths do;
    // "sim" is the simulated unit the list always holds.
    bool portIsNumber = false;
    parsed.options.port.toInt(&portIsNumber);
    const bool portIsPath = !portIsNumber && parsed.options.port != QLatin1String("sim");
    const std::unique_ptr<app::Ports> ports = startUp.ready(portIsPath ? QStringList{parsed.options.port} : QStringList());

    platform::QtSerialPort unitPort;
    platform::QtDialogs selectDialogs;
    platform::QtDialogs mainDialogs;
    // Only the user's own file, and only when it is a regular one: a FIFO there would hang the
    // start in its first read.
    const QString settingsPath = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                                 + QStringLiteral("/NorvikConf/NorvikConf.conf");
    const QString notRegular = platform::notRegularFile(settingsPath);
    if (!notRegular.isEmpty())
        QTextStream(stderr) << "norvikconf: "
                            << QCoreApplication::translate("main", "the program's settings file \"%1\" is %2, not a "
                                                                   "file; nothing is remembered in this run.")
                                   .arg(settingsPath, notRegular)
                            << '\n';
    std::optional<QSettings> settings;
    if (notRegular.isEmpty())
        settings.emplace(settingsPath, QSettings::IniFormat);
    app::Launch launch;
    launch.catalogue = &ports->catalogue();
    launch.port = &unitPort;
    launch.selectDialogs = &selectDialogs;
    launch.mainDialogs = &mainDialogs;
    launch.makeTimer = [] { return std::make_unique<platform::QtTimer>(); };
    launch.stateFolder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    launch.settings = settings ? &*settings : nullptr;
    unitsim::PtyUnit &simulated = ports->simulated();
    launch.mainCreated = [&](const QString &model, QWidget &main) {
        simulated.protocol().setModel(model == settings::kIntercom ? unitsim::Model::Intercom : unitsim::Model::Gate);
        mainDialogs.setParent(&main);
    };
    app::Launcher launcher(launch, parsed.options);
    QString error;
    if (!launcher.start(&error)) {
        QTextStream(stderr) << "norvikconf: " << error << '\n';
        return 1;
    }
    if (QWidget *select = launcher.selectWindow())
        selectDialogs.setParent(select);
    return app.exec();
}
