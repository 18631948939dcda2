// The selection window's probe and choice, and the main window it prepares per model.
#include "app/frmselect.h"
#include "link/unitlink.h"
#include "mainwindow/frmmain.h"
#include "mainwindow/outputtestpage.h"
#include "messages/messages.h"
#include "platform/devicemonitor.h"
#include "platform/portcatalogue.h"
#include "session/unitsession.h"
#include "settings/numberlistmodel.h"
#include "settings/numberpage.h"
#include "settings/numberview.h"
#include "settings/settingseditors.h"
#include "settings/systemparameterspage.h"
#include "tests/support/fakes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

using fakes::FakeDialogs;
using fakes::FakeSerialPort;

namespace {

struct Harness {
    QList<platform::SerialDevice> devices;
    platform::DeviceMonitor monitor; // stands in for udev: the test says when devices changed
    std::unique_ptr<platform::PortCatalogue> catalogue;
    FakeDialogs selectDialogs, mainDialogs;
    FakeSerialPort unitPort; // the only port there is: listing must never open it
    std::unique_ptr<app::FrmSelect> select;
    std::unique_ptr<mainwindow::FrmMain> main;
    mainwindow::Choice chosen; // what the selection window handed over

    explicit Harness(const QStringList &paths, bool simulated = false)
    {
        plug(paths);
        catalogue = std::make_unique<platform::PortCatalogue>(
            [this] { return devices; }, QString(),
            simulated ? std::function<QString()>([] { return "/dev/pts/sim"; }) : nullptr);
        catalogue->follow(monitor);
        select = std::make_unique<app::FrmSelect>(*catalogue, selectDialogs, [this](const mainwindow::Choice &c) {
            mainwindow::Platform p{&unitPort, &mainDialogs, [] { return std::make_unique<fakes::FakeTimer>(); }, catalogue.get(), {}, nullptr};
            chosen = c;
            main = std::make_unique<mainwindow::FrmMain>(p, c);
            return main.get();
        });
    }
    void plug(const QStringList &paths)
    {
        devices.clear();
        for (const QString &path : paths)
            devices.append({path, "USB adapter", "Acme", QString(), QString()});
        emit monitor.devicesChanged();
    }
    QStringList listed() const
    {
        return fakes::texts(select->cmbcomm()->count(), [this](int i) { return select->cmbcomm()->itemText(i); });
    }
    QStringList tabs() const
    {
        return fakes::texts(main->tabStrip()->count(), [this](int i) { return main->tabStrip()->tabText(i); });
    }
    QStringList header() const
    {
        const settings::NumberListModel &list = main->numberPage()->numberModel();
        return fakes::texts(list.columnCount(), [&list](int c) { return list.headerData(c, Qt::Horizontal).toString(); });
    }
    template <typename T>
    T *mainChild(const char *name) const { return main->findChild<T *>(QLatin1String(name)); }
};

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void listFollowsDevicesAndOpensNothing()
    {
        Harness h({"/dev/ttyS10", "/dev/ttyS2"}, true);
        QCOMPARE(h.listed(), QStringList({"1", "2", "3"}));
        QCOMPARE(h.select->cmbcomm()->currentIndex(), -1);
        QVERIFY(!h.select->cmbcomm()->isEditable());
        h.select->cmbcomm()->setCurrentIndex(0);
        QLabel *info = h.select->portInfo();
        QCOMPARE(info->text(), "/dev/ttyS2 - USB adapter, Acme");
        QCOMPARE(info->accessibleName(), info->text());
        QCOMPARE(h.select->cmbcomm()->accessibleDescription(), info->text());

        // An adapter plugged in while the window is open gets the next number; the chosen
        // device keeps its number when it is pulled, and says so.
        h.plug({"/dev/ttyS10", "/dev/ttyUSB0"});
        QCOMPARE(h.listed(), QStringList({"1", "2", "3", "4"}));
        QCOMPARE(h.select->cmbcomm()->currentText(), "1");
        QCOMPARE(info->text(), "/dev/ttyS2 - USB adapter, Acme (not connected)");
        h.select->cmbcomm()->setCurrentIndex(3);
        QCOMPARE(info->text(), "/dev/ttyUSB0 - USB adapter, Acme");
        QVERIFY(h.unitPort.opened.isEmpty());

        // The number opens the device its label showed, even if the system's list changed since.
        h.devices.clear();
        h.select->gateClicked();
        QCOMPARE(h.unitPort.opened, QStringList({"/dev/ttyUSB0"}));
        QCOMPARE(h.main->windowTitle(), "Untitled.gsm[*] - NorvikConf - COMM PORT 4: /dev/ttyUSB0 - USB adapter, Acme");
        QVERIFY(!h.mainChild<QLabel>("lblSimulated")->isVisibleTo(h.main.get()));
        QCOMPARE(h.mainChild<QComboBox>("cmbPort")->currentText(), "4");
        QCOMPARE(h.mainChild<QLabel>("lblPortDevice")->text(), "/dev/ttyUSB0 - USB adapter, Acme");
    }

    void noPortChosenOnlyAsks()
    {
        Harness h({});
        QVERIFY(h.listed().isEmpty());
        h.select->gateClicked();
        h.select->intercomClicked();
        QCOMPARE(h.selectDialogs.messageTexts(),
                 QStringList({"Please select a valid comm port", "Please select a valid comm port"}));
        QVERIFY(!h.main);
        QVERIFY(h.chosen.unitModel.isEmpty());
    }

    // Each model gets its own pages, columns and boxes; the room left follows one upload's
    // command limit and what the upload sends.
    void preparesTheModel_data()
    {
        QTest::addColumn<bool>("gate");
        QTest::addColumn<QStringList>("tabs");
        QTest::addColumn<QStringList>("header");
        QTest::newRow("gate") << true << QStringList{"Number management", "Output Testing ", "Log"}
                              << QStringList{"No.", " Caller Number      ", "Output 1", "Output 2", "Output 3", "Output 4"};
        QTest::newRow("intercom") << false << QStringList{"Number management", "Log"} << QStringList{"Unit No.", " Number              "};
    }
    void preparesTheModel()
    {
        QFETCH(bool, gate);
        QFETCH(QStringList, tabs);
        QFETCH(QStringList, header);
        Harness h({"/dev/ttyS4"});
        h.select->show();
        h.select->cmbcomm()->setCurrentIndex(0);
        gate ? h.select->gateClicked() : h.select->intercomClicked();
        QVERIFY(h.main);
        QCOMPARE(h.chosen.unitModel, gate ? "gate" : "intercom");
        QCOMPARE(h.unitPort.opened, QStringList({"/dev/ttyS4"}));
        QCOMPARE(h.unitPort.settings.baud, 9600);
        QVERIFY(h.mainDialogs.messages.isEmpty());
        QCOMPARE(h.tabs(), tabs);
        QCOMPARE(h.header(), header);
        QVERIFY(h.main->numberPage()->isVisible() && h.main->systemPage()->isVisible() && h.main->systemPage()->cmbNetwork()->isVisible());
        QCOMPARE(h.main->frmsys()->isVisible(), gate);
        QCOMPARE(h.main->frmRing()->isVisible(), gate);
        QVERIFY(!h.main->frminput()->isVisible());
        QCOMPARE(h.main->editors().undoStack()->count(), 0); // preparing the window is no change to undo
        QCOMPARE(h.main->numberPage()->lblNumCount()->text(), "0 numbers, room for 996 more");
        h.main->systemPage()->chksys()->click();
        QCOMPARE(h.main->numberPage()->lblNumCount()->text(), gate ? "0 numbers, room for 989 more" : "0 numbers, room for 996 more");

        // Choosing "Log" hides the number page and shows the log.
        h.main->tabStrip()->setCurrentIndex(tabs.size() - 1);
        QVERIFY(!h.main->numberPage()->isVisible());
        QVERIFY(h.main->logFrame()->isVisible());
        QCOMPARE(h.main->currentTab(), tabs.size()); // counted from 1
        QVERIFY(!h.main->outputPage()->isVisible());
        h.main->tabStrip()->setCurrentIndex(1);
        QCOMPARE(h.main->outputPage()->isVisible(), gate);
        QVERIFY(!h.select->isVisible());
    }

    void everyControlIsNamedForTestsAndScreenReaders()
    {
        Harness h({"/dev/ttyS0"});
        h.select->cmbcomm()->setCurrentIndex(0);
        QStringList names{"Label1", "Frame1", "Command1", "Command3", "Label2", "cmbcomm", "lblVer", "Picture1"};
        for (const QString &n : names)
            QVERIFY2(h.select->findChild<QWidget *>(n), qPrintable(n));
        // The program's one name, as every other window, the menu entry and the package say it.
        QCOMPARE(h.select->windowTitle(), "NorvikConf :: Select model");
        QCOMPARE(h.select->findChild<QGroupBox *>("Frame1")->title(), "NorvikConf");
        h.select->gateClicked();
        names = QStringList{"frame_0", "frame_1", "frame_3", "frame_4", "frmsys", "chkErep", "chkOcnf", "chksys",
                            "chktel", "chkrep", "cmdReset", "cmbNetwork", "txtSysName", "txtPass", "txtMastNum",
                            "grdNum", "cmdNumClear", "cmdNumDel", "frmAddNum", "txtNum", "Label1", "Label6",
                            "cmdAddNum", "frmRing", "frminput", "txtFilter", "lblNumCount", "cmdUndo", "cmdRedo", "txtLog", "cmdLoad", "cmdSave",
                            "cmdDownload", "cmdUpload", "pbar", "TabStrip1", "cmbPort", "cmdOpenPort",
                            "lblPortDevice", "lblPortState", "lblSimulated"};
        for (int k = 0; k < 4; ++k)
            names << QStringLiteral("chkMonInput_%1").arg(k) << QStringLiteral("txtInputName_%1").arg(k)
                  << QStringLiteral("chkOutput_%1").arg(k) << QStringLiteral("chkInput_%1").arg(k)
                  << QStringLiteral("cmdStart%1").arg(k + 1) << QStringLiteral("cmdStop%1").arg(k + 1)
                  << QStringLiteral("lblOutput%1").arg(k + 1);
        for (const QString &n : names) {
            const auto found = h.main->findChildren<QWidget *>(n);
            QVERIFY2(found.size() == 1, qPrintable(n + QStringLiteral(" found %1 times").arg(found.size())));
            QVERIFY2(!found.first()->accessibleName().isEmpty() || qobject_cast<QLabel *>(found.first()),
                     qPrintable(n + " has no accessible name"));
        }
        // The controls of a row of four each name their own place.
        for (const auto &[name, text] : {std::pair{"txtInputName_0", "Input name 1"}, {"txtInputName_3", "Input name 4"}, {"chkMonInput_2", "Input 3"}})
            QCOMPARE(h.main->findChild<QWidget *>(QLatin1String(name))->accessibleName(), QLatin1String(text));
        QVERIFY(!h.select->cmbcomm()->accessibleName().isEmpty());
    }

    // An edit still open in the grid is written back by the column rule before each of these
    // reads the grid or hides it.
    void openEditWrittenBack_data()
    {
        QTest::addColumn<QString>("trigger");
        for (const char *t : {"cmdSave", "cmdUpload", "cmdDownload", "tab", "close"})
            QTest::newRow(t) << QString::fromLatin1(t);
    }
    void openEditWrittenBack()
    {
        QFETCH(QString, trigger);
        Harness h({"/dev/ttyS0"});
        h.select->cmbcomm()->setCurrentIndex(0);
        h.select->gateClicked();
        settings::NumberManagementPage *page = h.main->numberPage();
        page->txtNum()->setText("0821");
        page->cmdAddNum()->click();
        settings::NumberView *view = page->grdNum();
        view->setCurrentIndex(view->model()->index(0, 1));
        view->edit(view->currentIndex());
        QVERIFY(view->editing());
        auto *editor = qobject_cast<QLineEdit *>(view->indexWidget(view->currentIndex()));
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, "27 825");
        QTemporaryDir dir;
        h.mainDialogs.saveAnswer = dir.filePath("x.gsm");
        h.mainDialogs.answerYes = false;
        if (trigger == "tab")
            h.main->tabStrip()->setCurrentIndex(2);
        else if (trigger == "close")
            h.main->close();
        else
            h.main->findChild<QPushButton *>(trigger)->click();
        QVERIFY(!view->editing());
        QCOMPARE(page->numberModel().rows().at(0).number, "+27825");
        QFile saved(h.mainDialogs.saveAnswer);
        QCOMPARE(saved.open(QIODevice::ReadOnly) && saved.readAll().contains("TN,27825,1,|"), trigger == "cmdSave");
    }

    void portThatWillNotOpenCanBeOpenedLater()
    {
        Harness h({"/dev/ttyS6"}, true);
        h.unitPort.failOpenWith = 2;
        h.unitPort.failOpenText = "Permission denied";
        h.select->cmbcomm()->setCurrentIndex(0);
        h.select->gateClicked();
        QVERIFY(h.main);
        // No message starts with a bare error number.
        QCOMPARE(h.mainDialogs.messageTexts(), QStringList({messages::Texts::portOpenFailed(2, "Permission denied")}));
        QVERIFY(!h.mainDialogs.messageTexts().first().startsWith("2"));
        QCOMPARE(h.mainDialogs.messages.first().title, "NorvikConf");
        QVERIFY(h.main->isVisible());
        // Prepared for the model all the same.
        QCOMPARE(h.main->systemPage()->cmbNetwork()->count(), 3);
        QCOMPARE(h.header().value(1), " Caller Number      ");
        QCOMPARE(h.mainChild<QLabel>("lblPortState")->text(), "Port 1 not open");

        // Another port, chosen in the main window: the simulated unit, which says so.
        h.unitPort.failOpenWith = 0;
        h.mainChild<QComboBox>("cmbPort")->setCurrentIndex(1);
        h.mainChild<QPushButton>("cmdOpenPort")->click();
        QCOMPARE(h.unitPort.opened, QStringList({"/dev/ttyS6", "/dev/pts/sim"}));
        QVERIFY(h.unitPort.isOpen());
        QCOMPARE(h.main->windowTitle(),
                 "Untitled.gsm[*] - NorvikConf - COMM PORT 2: Simulated unit: nothing is sent to a real unit");
        QLabel *sim = h.mainChild<QLabel>("lblSimulated");
        QVERIFY(sim->isVisible());
        QCOMPARE(sim->text(), "Simulated unit: nothing is sent to a real unit");
        QCOMPARE(h.mainChild<QLabel>("lblPortState")->text(), "Port 2 open");
        QCOMPARE(h.mainDialogs.messages.size(), 1);
        QVERIFY(h.mainDialogs.questions.isEmpty()); // no upload to resume
    }

    void returningDeviceIsOpenedAgainAndResumeMayBeDeclined()
    {
        Harness h({"/dev/ttyUSB0"});
        h.select->cmbcomm()->setCurrentIndex(0);
        h.select->gateClicked();
        h.mainChild<QPushButton>("cmdUpload")->click();
        QCOMPARE(h.unitPort.writes.size(), 1);
        h.unitPort.unplug();
        h.plug({});
        QCOMPARE(h.mainChild<QLabel>("lblPortDevice")->text(), "/dev/ttyUSB0 - USB adapter, Acme (not connected)");
        h.mainDialogs.answerYes = false;
        h.plug({"/dev/ttyUSB0"});
        QCOMPARE(h.unitPort.opened, QStringList({"/dev/ttyUSB0", "/dev/ttyUSB0"}));
        QVERIFY(h.unitPort.isOpen());
        QVERIFY(h.mainDialogs.questions.last().text.startsWith(
            QStringLiteral("Resume the upload at command 1 of %1? First the unit's settings are read (about ")
                .arg(h.main->session().currentPlan().commands.size())));
        QCOMPARE(h.unitPort.writes.size(), 1);
        QCOMPARE(h.main->session().link().chainState(), unitlink::UnitLink::ChainState::Aborted);

        // Opening the port again under a running upload loses the answer it waits for: the
        // unit is read first, and the command goes again only once it is known to be the same.
        h.mainDialogs.answerYes = true;
        h.mainChild<QPushButton>("cmdUpload")->click();
        h.mainChild<QPushButton>("cmdOpenPort")->click();
        QCOMPARE(h.mainDialogs.questions.last().text, h.mainDialogs.questions.at(1).text);
        QCOMPARE(h.unitPort.writes.size(), 3);
        QCOMPARE(h.unitPort.writes.at(2), "*5831 SYS SPEW*\r");
        QCOMPARE(h.main->session().link().chainState(), unitlink::UnitLink::ChainState::Aborted);
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
