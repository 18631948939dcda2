// The selection window's probe and choice, and the main window it prepares per model.
#include "app/frmselect.h"
#include "app/globals.h"
#include "link/unitlink.h"
#include "mainwindow/frmmain.h"
#include "mainwindow/outputtestpage.h"
#include "platform/portcatalogue.h"
#include "settings/celleditor.h"
#include "settings/numbergrid.h"
#include "settings/numberpage.h"
#include "settings/systemparameterspage.h"
#include "tests/support/fakes.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <set>

using fakes::FakeDialogs;
using fakes::FakeSerialPort;

namespace {

// A probe port on which some numbers have no device and some are busy.
class ProbePort : public FakeSerialPort {
public:
    std::set<int> present, busy;
    QList<int> attempts;
    bool open(int number, const platform::LineSettings &s) override
    {
        attempts << number;
        if (!present.count(number)) {
            failOpenWith = platform::kInvalidPortNumber;
            failOpenText = QStringLiteral("Invalid port number");
        } else if (busy.count(number)) {
            failOpenWith = 2;
            failOpenText = QStringLiteral("Permission error while locking the device");
        } else {
            failOpenWith = 0;
        }
        return FakeSerialPort::open(number, s);
    }
};

struct Harness {
    ProbePort probe;
    platform::FixedPortCatalogue catalogue{{}};
    FakeDialogs selectDialogs, mainDialogs;
    FakeSerialPort unitPort;
    std::unique_ptr<app::FrmSelect> select;
    std::unique_ptr<mainwindow::FrmMain> main;

    explicit Harness(std::set<int> present, std::set<int> busy = {})
    {
        probe.present = present;
        probe.busy = busy;
        QList<platform::PortEntry> entries;
        for (int n : present)
            entries.append({n, QStringLiteral("/dev/fake%1").arg(n), QStringLiteral("fake")});
        catalogue.setEntries(entries);
        select = std::make_unique<app::FrmSelect>(probe, catalogue, selectDialogs, [this] {
            mainwindow::Platform p;
            p.port = &unitPort;
            p.dialogs = &mainDialogs;
            p.makeTimer = [] { return std::make_unique<fakes::FakeTimer>(); };
            main = std::make_unique<mainwindow::FrmMain>(p);
            return main.get();
        });
    }
    QStringList listed() const
    {
        QStringList out;
        for (int i = 0; i < select->cmbcomm()->count(); ++i)
            out << select->cmbcomm()->itemText(i);
        return out;
    }
    QStringList tabs() const
    {
        QStringList out;
        for (int i = 0; i < main->tabStrip()->count(); ++i)
            out << main->tabStrip()->tabText(i);
        return out;
    }
    QStringList header() const
    {
        QStringList out;
        for (int c = 0; c < main->frame1()->grdNum()->cols(); ++c)
            out << main->frame1()->grdNum()->textMatrix(0, c);
        return out;
    }
};

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void probeListsWhatExists()
    {
        // 3 has no device, 5 does; a busy port is still offered; nothing above 29 is tried.
        Harness h({1, 2, 5, 17, 29, 30}, {2});
        QCOMPARE(h.listed(), QStringList({"1", "2", "5", "17", "29"}));
        QCOMPARE(h.probe.attempts.size(), 29);
        QCOMPARE(h.probe.attempts.last(), 29);
        QCOMPARE(h.select->cmbcomm()->currentIndex(), -1);
        QVERIFY(!h.select->cmbcomm()->isEditable());
        QVERIFY(!h.probe.isOpen());
        h.select->cmbcomm()->setCurrentIndex(2);
        QVERIFY(h.select->portInfo()->text().contains(QStringLiteral("/dev/fake5")));
    }

    void noPortChosenOnlyAsks()
    {
        Harness h({});
        QVERIFY(h.listed().isEmpty());
        Module1::unit_model = QStringLiteral("untouched");
        h.select->Command1_Click();
        h.select->Command3_Click();
        QCOMPARE(h.selectDialogs.messageTexts(),
                 QStringList({"Please select a valid comm port", "Please select a valid comm port"}));
        QCOMPARE(h.selectDialogs.messages.first().icon, platform::Dialogs::Icon::None);
        QVERIFY(!h.main);
        QCOMPARE(Module1::unit_model, QStringLiteral("untouched"));
    }

    void gatePreparesThreeTabs()
    {
        Harness h({4});
        h.select->show();
        h.select->cmbcomm()->setCurrentIndex(0);
        h.select->Command1_Click();
        QVERIFY(h.main);
        QCOMPARE(Module1::unit_model, QStringLiteral("gate"));
        QCOMPARE(Module1::comm_port, qint16(4));
        QCOMPARE(Module1::tab_frames, QVector<qint16>({0, 1, 3, 4}));
        QCOMPARE(h.unitPort.openedNumber, 4);
        QVERIFY(h.unitPort.isOpen());
        QCOMPARE(h.unitPort.settings.baud, 9600);
        QVERIFY(h.mainDialogs.messages.isEmpty());
        QCOMPARE(h.tabs(), QStringList({"Number management", "Output Testing ", "Log"}));
        QVERIFY(h.main->frame1()->isVisible());
        QVERIFY(!h.main->frame3()->isVisible());
        QVERIFY(h.main->frame0()->isVisible());
        QVERIFY(h.main->frmsys()->isVisible());
        QVERIFY(h.main->frmRing()->isVisible());
        QVERIFY(!h.main->frminput()->isVisible());
        QCOMPARE(h.header(), QStringList({"No.", " Caller Number      ", "Output 1", "Output 2", "Output 3", "Output 4", ""}));
        QCOMPARE(h.main->frame1()->grdNum()->rows(), 1);
        QComboBox *net = h.main->frame0()->cmbNetwork();
        QCOMPARE(net->count(), 3);
        QCOMPARE(net->itemText(0) + net->itemText(1) + net->itemText(2), QStringLiteral("VodacomMTNCellC"));
        QCOMPARE(net->currentText(), QStringLiteral("Vodacom"));

        // Choosing "Log" hides the number page and shows the log.
        h.main->tabStrip()->setCurrentIndex(2);
        QVERIFY(!h.main->frame1()->isVisible());
        QVERIFY(h.main->frame4()->isVisible());
        QCOMPARE(h.main->current_tab(), 3);
        h.main->tabStrip()->setCurrentIndex(1);
        QVERIFY(!h.main->frame4()->isVisible());
        QVERIFY(h.main->frame3()->isVisible());
        QVERIFY(!h.select->isVisible());
    }

    void intercomPreparesTwoTabs()
    {
        Harness h({1});
        h.select->cmbcomm()->setCurrentIndex(0);
        h.select->Command3_Click();
        QVERIFY(h.main);
        QCOMPARE(Module1::unit_model, QStringLiteral("intercom"));
        QCOMPARE(h.tabs(), QStringList({"Number management", "Log"}));
        QCOMPARE(h.header(), QStringList({"Unit No.", " Number              "}));
        QVERIFY(!h.main->frmsys()->isVisible());
        QVERIFY(!h.main->frmRing()->isVisible());
        QVERIFY(!h.main->frminput()->isVisible());
        // The upload selection and the network stay reachable on page 0.
        QVERIFY(h.main->frame0()->isVisible());
        QVERIFY(h.main->frame0()->cmbNetwork()->isVisible());
        h.main->tabStrip()->setCurrentIndex(1);
        QVERIFY(h.main->frame4()->isVisible());
        QVERIFY(!h.main->frame3()->isVisible());
    }

    void everyControlIsNamedForTestsAndScreenReaders()
    {
        Harness h({1});
        h.select->cmbcomm()->setCurrentIndex(0);
        QStringList names{"Label1", "Frame1", "Command1", "Command3", "Label2", "cmbcomm", "lblVer", "Picture1"};
        for (const QString &n : names)
            QVERIFY2(h.select->findChild<QWidget *>(n), qPrintable(n));
        h.select->Command1_Click();
        names = QStringList{"frame_0", "frame_1", "frame_3", "frame_4", "frmsys", "chkErep", "chkOcnf", "chksys",
                            "chktel", "chkrep", "cmdReset", "cmbNetwork", "txtSysName", "txtPass", "txtMastNum",
                            "grdNum", "cmdNumClear", "cmdNumDel", "frmAddNum", "txtNum", "Label1", "Label6",
                            "cmdAddNum", "frmRing", "frminput", "Text1", "txtLog", "cmdLoad", "cmdSave",
                            "cmdDownload", "cmdUpload", "pbar", "TabStrip1"};
        for (int k = 0; k < 4; ++k)
            names << QStringLiteral("chkMonInput_%1").arg(k) << QStringLiteral("txtInputName_%1").arg(k)
                  << QStringLiteral("chkOutput_%1").arg(k) << QStringLiteral("chkInput_%1").arg(k)
                  << QStringLiteral("cmdStart%1").arg(k + 1) << QStringLiteral("cmdStop%1").arg(k + 1)
                  << QStringLiteral("lblOutput%1").arg(k + 1);
        for (const QString &n : names) {
            const auto found = h.main->findChildren<QWidget *>(n);
            QVERIFY2(found.size() == 1, qPrintable(n + QStringLiteral(" found %1 times").arg(found.size())));
            QVERIFY2(!found.first()->accessibleName().isEmpty() || qobject_cast<QLabel *>(found.first()),
                     qPrintable(n + QStringLiteral(" has no accessible name")));
        }
        // clang-format off
        const QList<std::pair<const char *, const char *>> accessible{
            {"txtPass", "System password"}, {"txtSysName", "System name"}, {"txtMastNum", "Master number"},
            {"txtNum", "Telephone number"}, {"cmbNetwork", "Network"},        {"grdNum", "Telephone list"},
            {"txtLog", "Log"},              {"pbar", "Progress"},             {"Text1", "Cell editor"},
            {"txtInputName_0", "Input name 1"}, {"txtInputName_3", "Input name 4"}, {"cmdUpload", "UPLOAD SETTINGS TO GSM UNIT"},
            {"chkMonInput_2", "Input 3"}};
        // clang-format on
        for (const auto &[name, text] : accessible)
            QCOMPARE(h.main->findChild<QWidget *>(QLatin1String(name))->accessibleName(), QLatin1String(text));
        QCOMPARE(h.select->cmbcomm()->accessibleName(), QStringLiteral("COMM PORT"));
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
        Harness h({1});
        h.select->cmbcomm()->setCurrentIndex(0);
        h.select->Command1_Click();
        settings::NumberManagementPage *page = h.main->frame1();
        page->cmdAddNum()->click();
        page->grdNum()->setCurrentCell(0, 1);
        page->cellEditor().edit_cell('+');
        QTest::keyClicks(page->Text1(), "27+825");
        QTemporaryDir dir;
        h.mainDialogs.saveAnswer = dir.filePath("x.gsm");
        h.mainDialogs.answerYes = false;
        if (trigger == "tab")
            h.main->tabStrip()->setCurrentIndex(2);
        else if (trigger == "close")
            h.main->close();
        else
            h.main->findChild<QPushButton *>(trigger)->click();
        QVERIFY(!page->cellEditor().editing());
        QCOMPARE(page->grdNum()->textMatrix(1, 1), "+27825");
        QFile saved(h.mainDialogs.saveAnswer);
        QCOMPARE(saved.open(QIODevice::ReadOnly) && saved.readAll().contains("TN,27825,1,|"), trigger == "cmdSave");
    }

    void portThatWillNotOpen()
    {
        Harness h({6});
        h.unitPort.failOpenWith = 2;
        h.unitPort.failOpenText = QStringLiteral("Permission denied");
        h.select->cmbcomm()->setCurrentIndex(0);
        h.select->Command1_Click();
        QVERIFY(h.main);
        QCOMPARE(h.mainDialogs.messageTexts(), QStringList({"2:Permission denied"}));
        QCOMPARE(h.mainDialogs.messages.first().title, QStringLiteral("NorvikConf"));
        QCOMPARE(h.main->frame0()->cmbNetwork()->count(), 0);
        QVERIFY(h.main->frame1()->grdNum()->textMatrix(0, 1) != QStringLiteral(" Caller Number      "));
        QVERIFY(h.main->isVisible());
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
