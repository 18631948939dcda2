// The whole program against the simulated unit: the real QSerialPort on a pseudo-terminal,
// the real windows and timers; only the message boxes are answered by the test.
#include "app/frmselect.h"
#include "link/unitlink.h"
#include "mainwindow/frmmain.h"
#include "mainwindow/logbox.h"
#include "mainwindow/outputtestpage.h"
#include "messages/messages.h"
#include "platform/portcatalogue.h"
#include "platform/qtserialport.h"
#include "platform/qttimer.h"
#include "session/unitsession.h"
#include "settings/numberlistmodel.h"
#include "settings/numberpage.h"
#include "settings/settingseditors.h"
#include "settings/systemparameterspage.h"
#include "tests/support/fakes.h"
#include "unitsim/ptyunit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using fakes::FakeDialogs;

namespace {

struct Bench {
    unitsim::PtyUnit unit;
    platform::PortCatalogue catalogue{{}, {}, [this] { return unit.isRunning() ? unit.devicePath() : QString(); }};
    std::unique_ptr<platform::QtSerialPort> port;
    FakeDialogs selectDialogs, dialogs;
    std::unique_ptr<app::FrmSelect> select;
    std::unique_ptr<mainwindow::FrmMain> main;

    bool start(bool gate = true)
    {
        QString error;
        if (!unit.start(&error)) {
            qWarning() << "simulated unit:" << error;
            return false;
        }
        catalogue.refresh(); // the unit runs now
        port = std::make_unique<platform::QtSerialPort>();
        select = std::make_unique<app::FrmSelect>(catalogue, selectDialogs, [this](const mainwindow::Choice &c) {
            mainwindow::Platform p{port.get(), &dialogs, [] { return std::make_unique<platform::QtTimer>(); }, &catalogue, {}, nullptr};
            main = std::make_unique<mainwindow::FrmMain>(p, c);
            return main.get();
        });
        if (select->cmbcomm()->count() != 1)
            return false;
        select->cmbcomm()->setCurrentIndex(0);
        gate ? select->gateClicked() : select->intercomClicked();
        return main && port->isOpen();
    }
    QString log() const { return main->logBox()->text(); }
    QLineEdit *pass() const { return main->numberPage()->txtPass(); }
    void addNumber(const QString &number, const QString &col0, bool flag1 = false)
    {
        settings::NumberListModel &g = main->numberPage()->numberModel();
        // As the page adds one: a step of the undo history, which is what counts as unsaved.
        g.change(g.rows() + QList<settings::NumberRow>{{col0, number, {flag1, false, false, false}}}, "Add");
    }
    quint32 colour(int output) const
    {
        return main->outputPage()->lblOutput(output)->property("colourBgr").toUInt();
    }
};

} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void outputTestsSwitchTheUnit()
    {
        Bench b;
        QVERIFY(b.start());
        QVERIFY(b.dialogs.messages.isEmpty());
        b.main->outputPage()->cmdStart(2)->click();
        QTRY_COMPARE_WITH_TIMEOUT(b.colour(2), mainwindow::kColourGreen, 5000);
        QVERIFY(b.unit.protocol().state().outputs[1]);
        b.main->outputPage()->cmdStop(2)->click();
        QTRY_COMPARE_WITH_TIMEOUT(b.colour(2), mainwindow::kColourRed, 5000);
        QVERIFY(!b.unit.protocol().state().outputs[1]);

        // Output 1 ON locks all eight buttons until the lock timer ticks.
        b.main->outputPage()->cmdStart(1)->click();
        QVERIFY(!b.main->outputPage()->cmdStop(4)->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(b.colour(1), mainwindow::kColourGreen, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(b.main->outputPage()->cmdStop(4)->isEnabled(), 5000);

        QVERIFY(!b.log().contains("SEND: "));
        QCOMPARE(b.log().count("\r\nRECV: "), 3);
        // Replies to output tests are no upload: no completion message, no progress.
        QVERIFY(b.dialogs.messages.isEmpty());
        QCOMPARE(b.main->progressBar()->value(), 0);
    }

    void uploadChainReachesTheUnitAndIsVerified()
    {
        Bench b;
        QVERIFY(b.start());
        b.unit.behaviour().echo = true; // a ")" in the echo must not end the reply early
        b.unit.behaviour().splitReplies = 3;
        b.unit.behaviour().pauseMs = 5;
        b.main->systemPage()->findChild<QCheckBox *>("chksys")->setChecked(true);
        b.main->numberPage()->txtSysName()->setText("Gate (North)");
        for (int k = 0; k < 4; ++k)
            b.main->systemPage()->txtInputName(k)->setText(QStringLiteral("In (%1)").arg(k + 1));
        b.main->numberPage()->txtMastNum()->setText("+27821111111");
        b.addNumber("+27825550001", "1", true);
        b.addNumber("+27825550002", "2");
        b.main->findChild<QPushButton *>("cmdUpload")->click();
        QVERIFY(!b.main->outputPage()->cmdStart(2)->isEnabled()); // no output test across the chain
        // One box, once the settings were read back, saying what was compared.
        QTRY_COMPARE_WITH_TIMEOUT(b.dialogs.messages.size(), 1, 20000);
        QTest::qWait(50);
        QCOMPARE(b.dialogs.messages.size(), 1);
        const QString verified = b.dialogs.messages.last().text;
        QVERIFY2(verified.startsWith("Verified: the password, the name, 4 inputs, the master number and 2 numbers "
                                     "match.\nNot verifiable"),
                 qPrintable(verified));
        QCOMPARE(b.dialogs.messages.first().title, "Verify after upload");
        QCOMPARE(b.dialogs.messages.first().icon, platform::Dialogs::Icon::Information);
        QTRY_VERIFY(b.main->outputPage()->cmdStart(2)->isEnabled());
        QCOMPARE(b.main->progressBar()->value(), 13);
        QCOMPARE(b.log().count("\r\nSEND: "), 13);
        QCOMPARE(b.log().count("\r\nRECV: "), 13);
        QVERIFY(b.log().startsWith("\r\nSEND: *5831 SYS PASS 5831*\r\nRECV: "));
        QVERIFY(b.log().endsWith("\r\nVERIFY: " + QString(verified).replace("\n", "\r\n")));
        const unitsim::UnitState &s = b.unit.protocol().state();
        QCOMPARE(s.systemName, "Gate (North)");
        QCOMPARE(s.inputNames[3], "In (4)");
        QCOMPARE(s.numbers.size(), 2);
        QCOMPARE(s.numbers[0].value, "1");

        // A unit that holds something else: exactly those differences, and the editors untouched.
        b.unit.protocol().dumpFaults().dropNumber = 1;
        b.unit.protocol().dumpFaults().systemName = "Gate South";
        const settings::SettingsSet before = b.main->editors().store();
        b.dialogs.choices = {1}; // the unit is known to hold these settings: send everything anyway
        b.main->findChild<QPushButton *>("cmdUpload")->click();
        QTRY_COMPARE_WITH_TIMEOUT(b.dialogs.messages.size(), 2, 20000);
        QVERIFY(b.dialogs.messages.last().text.startsWith("Verification failed: the unit holds 2 settings other than what was sent (8 match)"));
        QCOMPARE(b.dialogs.messages.last().icon, platform::Dialogs::Icon::Stop);
        QVERIFY(b.main->editors().store() == before);
    }

    // Read the unit, add numbers, upload: only the new numbers go, the list is not cleared, and
    // the read-back finds everything in place.
    void shortestUploadAfterARead()
    {
        Bench b;
        QVERIFY(b.start());
        for (const unitsim::NumberEntry &e : unitsim::sampleNumbers(20))
            b.unit.protocol().state().numbers.append({e.number, "1"});
        QStringList received;
        connect(&b.unit, &unitsim::PtyUnit::commandReceived, this, [&](const QString &c) { received << c; });
        b.main->findChild<QPushButton *>("cmdDownload")->click();
        QTRY_COMPARE_WITH_TIMEOUT(b.main->editors().store().numbers.size(), 20, 10000);
        for (int k = 0; k < 5; ++k)
            b.addNumber(QStringLiteral("+2783000000%1").arg(k), QString::number(21 + k), true);
        received.clear();
        b.dialogs.choices = {0};
        b.main->findChild<QPushButton *>("cmdUpload")->click();
        QCOMPARE(b.dialogs.questions.last().buttons, QStringList({"Yes", "Send everything", "Show the changes", "No"}));
        QVERIFY2(b.dialogs.questions.last().informative.startsWith("Send 5 commands: 5 new numbers (about 0.2 s).\nWith "
                                                                   "the settings read back afterwards: about 2 s in all."),
                 qPrintable(b.dialogs.questions.last().informative));
        QTRY_VERIFY_WITH_TIMEOUT(!b.dialogs.messages.isEmpty() && b.dialogs.messages.last().title == "Verify after upload", 20000);
        QVERIFY2(b.dialogs.messages.last().text.startsWith("Verified: "), qPrintable(b.dialogs.messages.last().text));
        QCOMPARE(received.filter("TEL ADDN").size(), 5);
        QVERIFY(received.filter("TEL CLRN").isEmpty());
        QCOMPARE(b.unit.protocol().state().numbers.size(), 25);
        QCOMPARE(b.main->progressBar()->format(), "All 5 commands acknowledged and verified");
    }

    // While an upload runs only STOP works; Esc ends it after the command in flight and the
    // message says what the unit's list holds.
    void stopEndsAnUploadAndSaysWhatTheUnitHolds()
    {
        Bench b;
        QVERIFY(b.start());
        b.main->systemPage()->chkVerify()->setChecked(false);
        b.unit.behaviour().splitReplies = 2;
        b.unit.behaviour().pauseMs = 20;
        for (int k = 0; k < 40; ++k)
            b.addNumber(QStringLiteral("+278400%1").arg(k, 4, 10, QLatin1Char('0')), QString::number(k + 1), true);
        auto *upload = b.main->findChild<QPushButton *>("cmdUpload");
        auto *stop = b.main->findChild<QPushButton *>("cmdStop");
        QVERIFY(!stop->isEnabled());
        int received = 0;
        connect(&b.unit, &unitsim::PtyUnit::commandReceived, this, [&] { ++received; });
        upload->click();
        QTRY_VERIFY_WITH_TIMEOUT(received >= 10, 10000);
        QVERIFY(stop->isEnabled());
        for (const char *name : {"cmdUpload", "cmdDownload", "cmdLoad"})
            QVERIFY2(!b.main->findChild<QPushButton *>(QLatin1String(name))->isEnabled(), name);
        QVERIFY(b.main->progressBar()->format().startsWith("Command "));
        b.main->activateWindow(); // Esc is the window's shortcut
        QVERIFY(QTest::qWaitForWindowActive(b.main.get()));
        QTest::keyClick(b.main.get(), Qt::Key_Escape);
        QTRY_COMPARE_WITH_TIMEOUT(b.dialogs.messages.size(), 1, 10000);
        const QString told = b.dialogs.messages.first().text;
        QCOMPARE(b.dialogs.messages.first().icon, platform::Dialogs::Icon::Information); // the operator asked for it
        const qsizetype held = b.unit.protocol().state().numbers.size();
        QVERIFY2(held > 0 && held < 40, qPrintable(told));
        QVERIFY2(told.endsWith(QStringLiteral("The unit's list now holds the first %1 of 40 numbers; upload again to complete it.").arg(held)),
                 qPrintable(told));
        QCOMPARE(received, int(held) + 4);
        QTRY_VERIFY(upload->isEnabled());
        QVERIFY(!stop->isEnabled());
    }

    void passwordChangedAndRefusalsNamed()
    {
        Bench b;
        QVERIFY(b.start(false));
        b.main->systemPage()->chkVerify()->setChecked(false);
        b.pass()->setText("1111");
        b.dialogs.passwordAnswer = "5831"; // the unit's current password
        QPushButton *upload = b.main->findChild<QPushButton *>("cmdUpload");
        upload->click();
        // The refused password is asked about, not told in a box of its own.
        QTRY_VERIFY_WITH_TIMEOUT(b.dialogs.messageTexts().contains("Upload complete"), 10000);
        QCOMPARE(b.dialogs.messageTexts(), QStringList({"Upload complete"}));
        QCOMPARE(b.dialogs.passwordQuestions.size(), 1);
        QCOMPARE(b.unit.protocol().state().password, "1111");
        QVERIFY(b.log().contains("\r\nSEND: *5831 SYS PASS 1111*\r\nRECV: "));

        b.dialogs.messages.clear();
        upload->click(); // the new password opens every command now
        QTRY_COMPARE_WITH_TIMEOUT(b.dialogs.messageTexts(), QStringList{"Upload complete"}, 10000);
        QCOMPARE(b.dialogs.passwordQuestions.size(), 1);

        b.dialogs.messages.clear();
        b.unit.protocol().refuse("SYS NAME", 11);
        upload->click();
        QTRY_COMPARE_WITH_TIMEOUT(b.dialogs.messageTexts(), QStringList{"The unit refused \"System name\" (code 11). The upload stopped at command 2 of 4."}, 10000);
    }

    void downloadReadsTheUnitBack()
    {
        Bench b;
        QVERIFY(b.start(false));
        unitsim::UnitState &s = b.unit.protocol().state();
        s.systemName = "Block C";
        s.inputNames[1] = "Door";
        s.numbers = {{"27831110001", "12"}, {"27831110002", "7"}};
        b.unit.protocol().setModel(unitsim::Model::Intercom);
        b.unit.behaviour().echo = true;
        b.unit.behaviour().dumpPauseMs = 400; // a pause shorter than the quiet second
        b.addNumber("+2700", "1");

        b.dialogs.choices = {1}; // the number typed is not worth a file: discard it
        b.main->findChild<QPushButton *>("cmdDownload")->click();
        QCOMPARE(b.dialogs.questions.size(), 1);
        QVERIFY(!b.main->outputPage()->cmdStop(1)->isEnabled()); // no output test across the download
        const settings::NumberListModel &g = b.main->numberPage()->numberModel();
        QTRY_COMPARE_WITH_TIMEOUT(b.main->numberPage()->txtSysName()->text(), "Block C", 10000);
        QCOMPARE(fakes::textsOf(g.rows(), [](const settings::NumberRow &r) { return r.unit + ':' + r.number; }),
                 QStringList({"12:+27831110001", "7:+27831110002"}));
        QCOMPARE(b.main->editors().inputName(1), "Door");
        QVERIFY(b.log().contains("<END>"));
        QVERIFY(!b.log().contains("SEND: "));
        QVERIFY(b.dialogs.messages.isEmpty());
        QVERIFY(b.main->outputPage()->cmdStop(1)->isEnabled());
        QVERIFY(!b.main->isWindowModified()); // what the unit holds is nothing unsaved
    }

    // On a line at 9600 baud the unit goes on sending an answer the program stopped reading;
    // the next read takes none of it for its own answer.
    void readStopReadOnAPacedLine()
    {
        Bench b;
        QVERIFY(b.start());
        b.unit.behaviour().pace9600 = true;
        b.unit.protocol().state().numbers = unitsim::sampleNumbers(150); // about 4 s at 960 characters a second
        QStringList received;
        connect(&b.unit, &unitsim::PtyUnit::commandReceived, this, [&](const QString &c) { received << c; });
        QPushButton *read = b.main->findChild<QPushButton *>("cmdDownload");
        read->click();
        QTest::qWait(1500);
        b.main->findChild<QPushButton *>("cmdStop")->click();
        QTRY_COMPARE(b.dialogs.messages.size(), 1); // stopped, nothing changed
        QCOMPARE(b.main->numberPage()->numberModel().rowCount(), 0);
        QTRY_VERIFY(read->isEnabled());
        read->click();
        QTRY_COMPARE_WITH_TIMEOUT(b.main->numberPage()->numberModel().rowCount(), 150, 20000);
        QCOMPARE(received, QStringList({"SYS SPEW", "SYS SPEW"}));
        QCOMPARE(b.dialogs.messages.size(), 1);
        QCOMPARE(b.main->numberPage()->numberModel().rows().last().number, "+27820000149");
    }

    void uploadResumesWhenTheUnitComesBack()
    {
        Bench b;
        QVERIFY(b.start());
        b.main->systemPage()->chkVerify()->setChecked(false); // only the upload's own commands
        for (int i = 0; i < 50; ++i)
            b.addNumber(QStringLiteral("+2782555%1").arg(i, 4, 10, QLatin1Char('0')), QString::number(i + 1));
        QStringList received;
        connect(&b.unit, &unitsim::PtyUnit::commandReceived, this, [&](const QString &command) {
            received << command;
            if (received.size() == 20)
                b.unit.unplug(); // the unit has obeyed command 20; its answer is lost
        });
        QSignalSpy lost(b.port.get(), &platform::SerialPort::lost);
        b.main->findChild<QPushButton *>("cmdUpload")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!b.port->isOpen(), 10000);
        const session::UnitSession &session = b.main->session();
        QCOMPARE(session.link().chainState(), unitlink::UnitLink::ChainState::Aborted);
        QCOMPARE(lost.count(), 1);
        QCOMPARE(b.dialogs.messages.size(), 1);
        // The settings stay in the editors, and an output test meanwhile sends nothing but says so.
        QCOMPARE(b.main->numberPage()->numberModel().rowCount(), 50);
        const QString logBefore = b.log();
        b.main->outputPage()->cmdStop(3)->click();
        QTRY_COMPARE(b.dialogs.messages.size(), 2);
        QCOMPARE(b.log(), logBefore);
        // The device monitor sees it go and come back, on a pseudo-terminal of its own.
        b.catalogue.refresh();
        QVERIFY(b.unit.start());
        b.catalogue.refresh();
        // Resumed, the upload is read back although "Verify after upload" is not ticked.
        QTRY_COMPARE_WITH_TIMEOUT(b.dialogs.messages.size(), 3, 20000);
        QVERIFY(b.dialogs.messageTexts().last().startsWith("Verified: "));
        QCOMPARE(b.dialogs.questions.size(), 2); // the upload's own, then the offer
        const QList<transfer::UploadCommand> &plan = session.currentPlan().commands;
        QVERIFY(b.dialogs.questions.last().text.startsWith(QString("Resume the upload at command 20 of %1? First").arg(plan.size())));

        // Commands 1 to 20, the read that makes sure it is the same unit, then command 20 again
        // (its answer was lost) and the rest, once each, then the request for the settings.
        const QStringList expected = fakes::textsOf(plan, [](const transfer::UploadCommand &c) { return c.word + c.value; });
        QCOMPARE(received.mid(0, received.size() - 1), expected.mid(0, 20) + QStringList{"SYS SPEW"} + expected.mid(19));
        const QList<unitsim::NumberEntry> &numbers = b.unit.protocol().state().numbers;
        QCOMPARE(numbers.size(), 50);
        for (int i = 0; i < 50; ++i)
            QCOMPARE(numbers[i].number, QStringLiteral("2782555%1").arg(i, 4, 10, QLatin1Char('0')));
        QCOMPARE(b.main->progressBar()->value(), int(plan.size()));
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_e2e.moc"
