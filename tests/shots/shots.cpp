// Drives the real windows against the simulated unit and saves a picture of each page:
// scripts/screenshots runs it under a virtual display. Usage: norvik-shots OUTPUT_DIR
#include "app/frmselect.h"
#include "mainwindow/frmmain.h"
#include "mainwindow/outputtestpage.h"
#include "platform/portcatalogue.h"
#include "platform/qtserialport.h"
#include "platform/qttimer.h"
#include "settings/settingseditors.h"
#include "settings/settingsset.h"
#include "tests/support/fakes.h"
#include "unitsim/ptyunit.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QPushButton>
#include <QTabBar>
#include <QTextStream>

namespace {

QDir out;

bool waitFor(const std::function<bool()> &done, int ms = 10000)
{
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

void settle()
{
    waitFor([] { return false; }, 300);
}

bool save(QWidget *w, const QString &name)
{
    settle();
    const QString path = out.filePath(name + QStringLiteral(".png"));
    const bool ok = w->grab().save(path);
    QTextStream(stdout) << (ok ? "wrote " : "could not write ") << path << Qt::endl;
    return ok;
}

void showTab(mainwindow::FrmMain &main, const QString &title)
{
    for (int i = 0; i < main.tabStrip()->count(); ++i)
        if (main.tabStrip()->tabText(i) == title)
            main.tabStrip()->setCurrentIndex(i);
}

bool walk(bool gate)
{
    unitsim::PtyUnit unit;
    if (!unit.start())
        return false;
    unit.protocol().setModel(gate ? unitsim::Model::Gate : unitsim::Model::Intercom);
    platform::PortCatalogue catalogue({}, {}, [&unit] { return unit.devicePath(); });
    platform::QtSerialPort port;
    fakes::FakeDialogs selectDialogs, dialogs;
    std::unique_ptr<mainwindow::FrmMain> main;
    app::FrmSelect select(catalogue, selectDialogs, [&](const mainwindow::Choice &choice) {
        mainwindow::Platform p;
        p.port = &port;
        p.dialogs = &dialogs;
        p.makeTimer = [] { return std::make_unique<platform::QtTimer>(); };
        p.catalogue = &catalogue;
        main = std::make_unique<mainwindow::FrmMain>(p, choice);
        return main.get();
    });
    select.show();
    select.cmbcomm()->setCurrentIndex(0);
    if (gate && !save(&select, QStringLiteral("select")))
        return false;
    gate ? select.gateClicked() : select.intercomClicked();
    if (!main)
        return false;
    const QString model = gate ? QStringLiteral("gate") : QStringLiteral("intercom");

    settings::SettingsSet set = main->editors().store();
    set.systemName = gate ? QStringLiteral("Gate North") : QStringLiteral("Block B");
    set.masterNumber = QStringLiteral("+27821234567");
    const char *numbers[] = {"+27825550101", "+27825550102", "+27835550103", "+27845550104"};
    for (int i = 0; i < 4; ++i)
        set.numbers.append({QString::number(gate ? i + 1 : 101 + i), QString::fromLatin1(numbers[i]), {true, i % 2 == 0, i == 3, false}});
    main->editors().load(set);
    if (!save(main.get(), model + QStringLiteral("-numbers")))
        return false;

    if (gate) {
        showTab(*main, QStringLiteral("Output Testing "));
        main->outputPage()->cmdStart(1)->click();
        waitFor([&] { return main->outputPage()->cmdStart(2)->isEnabled(); });
        if (!save(main.get(), model + QStringLiteral("-outputs")))
            return false;
    }

    main->findChild<QPushButton *>(QStringLiteral("cmdUpload"))->click();
    if (!waitFor([&] { return dialogs.messageTexts().contains(QStringLiteral("Upload complete")); }))
        return false;
    showTab(*main, QStringLiteral("Log"));
    return save(main.get(), model + QStringLiteral("-log"));
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    out = QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    if (!out.mkpath(QStringLiteral(".")))
        return 1;
    return walk(true) && walk(false) ? 0 : 1;
}
