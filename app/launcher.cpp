#include "app/launcher.h"

#include "app/frmselect.h"
#include "mainwindow/document.h"
#include "mainwindow/frmmain.h"

#include <QEvent>
#include <QFileInfo>
#include <QSettings>
#include <utility>

namespace app {

namespace {
const QString kModel = QStringLiteral("start/model");
const QString kPortPath = QStringLiteral("start/portPath");
const QString kPortById = QStringLiteral("start/portById");
const QString kPortSimulated = QStringLiteral("start/portSimulated");
const QString kWindowSize = QStringLiteral("mainWindow/size");
} // namespace

Launcher::Launcher(Launch launch, StartOptions options, QObject *parent)
    : QObject(parent), launch_(std::move(launch)), options_(std::move(options))
{
}

Launcher::~Launcher() { delete main_.data(); }

bool Launcher::start(QString *error)
{
    select_ = std::make_unique<FrmSelect>(*launch_.catalogue, *launch_.selectDialogs,
                                          [this](const mainwindow::Choice &choice) { return createMain(choice); });
    select_->setMainStarted([this](mainwindow::FrmMain &main) {
        main.document().start(std::exchange(options_.file, QString()));
    });
    std::optional<platform::PortEntry> given;
    if (!options_.port.isEmpty() && !(given = givenPort(error)))
        return false;
    if (given && !options_.model.isEmpty()) {
        select_->startMain(options_.model, *given);
        return true;
    }
    std::optional<int> port;
    if (given && given->number > 0)
        port = given->number;
    else if (!given && launch_.settings)
        port = rememberedPort(*launch_.settings, launch_.catalogue->entries());
    QString model = options_.model;
    if (model.isEmpty() && launch_.settings)
        model = launch_.settings->value(kModel).toString();
    select_->preselect(port, model);
    select_->show();
    return true;
}

std::optional<platform::PortEntry> Launcher::givenPort(QString *error) const
{
    const QString &text = options_.port;
    const QList<platform::PortEntry> entries = launch_.catalogue->entries();
    // "sim", as the command line takes it: the simulated unit inside the program.
    if (text == QLatin1String("sim")) {
        for (const platform::PortEntry &e : entries)
            if (e.simulated)
                return e;
        *error = tr("the simulated unit is not in the list");
        return std::nullopt;
    }
    bool isNumber = false;
    const int number = text.toInt(&isNumber);
    if (isNumber) {
        if (const auto entry = launch_.catalogue->find(number))
            return entry;
        *error = tr("there is no port %1: the list holds 1 to %2").arg(number).arg(entries.size());
        return std::nullopt;
    }
    // A device path: the list's entry for it (under any of its names), or the path alone.
    const QString device = QFileInfo(text).canonicalFilePath();
    for (const platform::PortEntry &e : entries)
        if (!e.path.isEmpty() && (e.path == text || (!device.isEmpty() && QFileInfo(e.path).canonicalFilePath() == device)))
            return e;
    if (device.isEmpty()) {
        *error = tr("there is no device \"%1\"").arg(text);
        return std::nullopt;
    }
    platform::PortEntry entry;
    entry.path = text;
    entry.label = text;
    entry.connected = true;
    return entry;
}

mainwindow::FrmMain *Launcher::createMain(const mainwindow::Choice &choice)
{
    mainwindow::Platform platform;
    platform.port = launch_.port;
    platform.dialogs = launch_.mainDialogs;
    platform.makeTimer = launch_.makeTimer;
    platform.catalogue = launch_.catalogue;
    platform.stateFolder = launch_.stateFolder;
    platform.settings = launch_.settings;
    auto *main = new mainwindow::FrmMain(platform, choice);
    main->setAttribute(Qt::WA_DeleteOnClose);
    main->installEventFilter(this);
    main_ = main;
    if (QSettings *settings = launch_.settings) {
        settings->setValue(kModel, choice.unitModel);
        rememberPort(choice.port);
        // A port opened later with OPEN PORT is the one to offer at the next start.
        connect(main, &mainwindow::FrmMain::portOpened, this, &Launcher::rememberPort);
        const QSize size = settings->value(kWindowSize).toSize();
        if (size.isValid())
            main->resize(size);
    }
    if (launch_.mainCreated)
        launch_.mainCreated(choice.unitModel, *main);
    return main;
}

void Launcher::rememberPort(const platform::PortEntry &port)
{
    if (QSettings *settings = launch_.settings) {
        settings->setValue(kPortPath, port.path);
        settings->setValue(kPortById, port.byId);
        settings->setValue(kPortSimulated, port.simulated);
    }
}

bool Launcher::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == main_.data() && event->type() == QEvent::Close && launch_.settings)
        launch_.settings->setValue(kWindowSize, static_cast<QWidget *>(watched)->size());
    return QObject::eventFilter(watched, event);
}

std::optional<int> Launcher::rememberedPort(const QSettings &settings, const QList<platform::PortEntry> &entries)
{
    // Numbers follow the order of the devices at each start: the device is what is remembered.
    if (settings.value(kPortSimulated).toBool()) {
        for (const platform::PortEntry &e : entries)
            if (e.simulated)
                return e.number;
        return std::nullopt;
    }
    const QString byId = settings.value(kPortById).toString();
    const QString path = settings.value(kPortPath).toString();
    for (const platform::PortEntry &e : entries)
        if (!byId.isEmpty() && e.byId == byId)
            return e.number;
    for (const platform::PortEntry &e : entries)
        if (!path.isEmpty() && e.path == path && !e.simulated)
            return e.number;
    return std::nullopt;
}

} // namespace app
