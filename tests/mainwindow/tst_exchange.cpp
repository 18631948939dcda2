// The upload's commands and start, and reading the settings back from the unit.
#include "link/unitlink.h"
#include "mainwindow/download.h"
#include "mainwindow/frmmain.h"
#include "mainwindow/outputtestpage.h"
#include "mainwindow/uploadbutton.h"
#include "platform/portcatalogue.h"
#include "settings/unitmodel.h"
#include "tests/support/fakes.h"
#include "tests/transfer/rig.h"
#include "transfer/dumpreader.h"
#include "transfer/upload.h"
#include "transfer/uploadjob.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

namespace {
// The buttons as the window wires them, its log a string.
struct Rig {
    Pages pages;
    fakes::FakeSerialPort port;
    fakes::FakeTimer tmrCheckGSM, deadline;
    fakes::FakeDialogs dialogs;
    QString log = "earlier";
    unitlink::UnitLink link{port};
    transfer::DumpReader reader{link, tmrCheckGSM, deadline, [this](const QString &t) { log += t; }};
    transfer::Download download{reader, pages.editors, dialogs, [this] { log.clear(); },
                                [this](const QString &t) { log += t; }};
    transfer::UploadJob job{link, reader};
    Rig()
    {
        port.open("/dev/unit", {});
        QObject::connect(&link, &unitlink::UnitLink::commandSent,
                         [this](int, int, const QString &text) { log += "\r\nSEND: " + text; });
        QObject::connect(&link, &unitlink::UnitLink::notSent, [this] { dialogs.message(mainwindow::not_open_text(), {}, {}); });
    }

    void upload(const QString &model = settings::kIntercom)
    {
        mainwindow::cmdUpload_Click(pages.editors, model, false, link, job, dialogs, [this] { log.clear(); });
    }
};
} // namespace

class TstExchange : public QObject {
    Q_OBJECT
private slots:
    void uploadCommands_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<bool>("chksys");
        QTest::addColumn<bool>("numbers");
        QTest::addColumn<bool>("chktel");
        QTest::addColumn<QString>("commands"); // word + value, "/"-joined
        const QString head = "SYS PASS 5831/SYS NAME GSM Unit/";
        const QString sys = "SYS EREP ON/SYS OCNF OFF/SYS MONI 24/SYS INP1 Input 1/SYS INP2 Input 2/SYS INP3 Input 3/"
                            "SYS INP4 Door/";
        const QString tail = "TEL MAST +27829/TEL CLRN";
        const QString gateRows = "/TEL ADDN 27821,13/TEL ADDN ,"; // an empty row is still sent
        QTest::newRow("gate, system, numbers") << settings::kGate << true << true << true << head + sys + tail + gateRows;
        QTest::newRow("gate without system") << settings::kGate << false << true << true << head + tail + gateRows;
        QTest::newRow("intercom with system") << settings::kIntercom << true << true << true
                                              << head + tail + "/TEL ADDN 27821,7/TEL ADDN ,";
        QTest::newRow("empty list still cleared") << settings::kGate << true << false << true << head + sys + tail;
        // Unticked, the unit keeps its master number and list.
        QTest::newRow("gate, numbers left alone") << settings::kGate << true << true << false << head + sys.chopped(1);
        QTest::newRow("intercom, numbers left alone") << settings::kIntercom << false << true << false << head.chopped(1);
    }
    void uploadCommands()
    {
        QFETCH(QString, model);
        QFETCH(bool, chksys);
        QFETCH(bool, numbers);
        QFETCH(bool, chktel);
        QFETCH(QString, commands);
        const bool gate = model == settings::kGate;
        Pages p;
        QVERIFY(p.sys.chktel()->isChecked()); // by default an upload does what it always did
        p.sys.chksys()->setChecked(chksys);
        p.sys.chktel()->setChecked(chktel);
        p.editors.setOutputConfirmation(false);
        p.editors.setMonitorInput(0, false);
        p.editors.setMonitorInput(2, false);
        p.editors.setInputName(3, "Door");
        p.editors.setMasterNumber("+27829");
        if (numbers) {
            p.addRow(gate ? "1" : "7", "+27+821", gate ? QStringList{"*", "", "x"} : QStringList{});
            p.addRow("", "");
        }
        const auto sent = [](const transfer::UploadCommand &c) { return c.word + c.value; };
        QCOMPARE(fakes::textsOf(transfer::upload_commands(p.editors.store(), model), sent).join('/'), commands);
    }

    void uploadRefusedWholeOrAskedFirst()
    {
        Rig r;
        r.link.set_link_mode(unitlink::kModeDownload);
        r.pages.setCount(997); // 4 fixed commands + 997 numbers: one more than fits
        r.upload();
        QCOMPARE(r.dialogs.messages.size(), 1);
        r.pages.setCount(996);
        r.dialogs.answerYes = false;
        r.upload();
        QCOMPARE(r.dialogs.questions.size(), 1); // none for the refused upload
        QCOMPARE(r.dialogs.questions.first().text, "This will replace the settings on the GSM unit, proceed?");
        QCOMPARE(QString::number(r.port.writes.size()) + r.log + r.link.link_mode(), "0earlierdownload");

        r.dialogs.answerYes = true;
        r.upload();
        QCOMPARE(r.log + r.link.link_mode(), "\r\nSEND: *5831 SYS PASS 5831*upload");
        QCOMPARE(r.link.cmd_count(), 1000);
    }

    // The question says what will be replaced, and why everything goes when the unit is known
    // to hold a number no longer listed; a value the unit cannot take stops the upload before
    // the question, naming the field, but only when that value would be sent.
    void uploadSaysWhatOrStops_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<bool>("chktel");
        QTest::addColumn<QString>("marks"); // one per row: "*" output 1 marked, "-" none, "|" none and a "|" in the unit
        QTest::addColumn<QString>("master");
        QTest::addColumn<bool>("heldMore"); // the unit is known to hold one number more than listed
        QTest::addColumn<QString>("told");  // the question after its first line, or the message
        const QString both = "System password and name, system options and input names";
        QTest::newRow("gate") << settings::kGate << true << "*-"
                              << "+27" << false
                              << both + ", master number, and 2 numbers: the unit's list is cleared first.";
        QTest::newRow("intercom") << settings::kIntercom << true << "-"
                                  << "+27" << false
                                  << "System password and name, master number, and 1 number: the unit's list is cleared first.";
        QTest::newRow("numbers left alone") << settings::kGate << false << "-"
                                            << "+2*7" << false
                                            << both + "; the unit's master number and telephone list are left as they are.";
        QTest::newRow("no output") << settings::kGate << true << "--"
                                   << "+27" << false
                                   << both + ", master number, and 2 numbers: the unit's list is cleared first.\nWarning: no number in the list may switch an output, so no call will open anything.";
        QTest::newRow("empty list") << settings::kGate << true << ""
                                    << "+27" << false
                                    << both + ", master number, and no numbers: the unit's list is emptied.";
        QTest::newRow("a number removed") << settings::kGate << true << "*"
                                          << "+27" << true
                                          << "1 number was removed; the unit has no command to remove one number, so its list is cleared and the 1 number is sent again.\n"
                                                 + both + ", master number, and 1 number: the unit's list is cleared first.";
        QTest::newRow("star in master number") << settings::kGate << true << "*-"
                                               << "+2*7" << false
                                               << "The master number holds \"*\", which the unit cannot take. Change it, then upload again. Nothing was sent.";
        QTest::newRow("bar in a unit number") << settings::kIntercom << true << "-|"
                                              << "+27" << false
                                              << "The unit number in row 2 of the list holds \"|\", which the unit cannot take. Change it, then upload again. Nothing was sent.";
    }
    void uploadSaysWhatOrStops()
    {
        QFETCH(QString, model);
        QFETCH(bool, chktel);
        QFETCH(QString, marks);
        QFETCH(QString, master);
        QFETCH(bool, heldMore);
        QFETCH(QString, told);
        Rig r;
        r.pages.sys.chksys()->setChecked(true);
        r.pages.sys.chktel()->setChecked(chktel);
        r.pages.editors.setMasterNumber(master);
        for (const QChar m : marks)
            r.pages.addRow(m == '|' ? "1|" : "1", "+2782", {m == '*' ? "*" : ""});
        if (heldMore) {
            settings::SettingsSet held = r.pages.editors.store();
            held.numbers.append({"2", "+2799", {}});
            r.job.setHeld(held);
        }
        r.dialogs.answerYes = false;
        r.upload(model);
        QVERIFY(r.port.writes.isEmpty());
        const bool stopped = told.startsWith("The ");
        QCOMPARE(r.dialogs.messages.size(), int(stopped));
        QCOMPARE(r.dialogs.questions.size(), int(!stopped));
        // Every plan here is the whole sequence: Yes and No, the plan, then what it replaces.
        const QString informative = stopped ? QString() : r.dialogs.questions.first().informative;
        if (!stopped)
            QVERIFY2(informative.startsWith("Send ") && informative.section('\n', 0, 0).endsWith(" s).") && r.dialogs.questions.first().buttons.isEmpty(), qPrintable(informative));
        QCOMPARE(stopped ? r.dialogs.messages.first().text : informative.section('\n', 1), told);
    }

    // A press while an upload runs (a shortcut, a queued click) neither asks nor restarts it.
    void secondUploadPressDoesNothing()
    {
        Rig r;
        r.upload();
        QCOMPARE(r.port.writes.size(), 1);
        r.port.feedNow("OK (38)\r\n");
        QCOMPARE(r.port.writes.size(), 2);
        QVERIFY(r.job.running());
        r.upload();
        QCOMPARE(r.dialogs.questions.size(), 1);
        QCOMPARE(r.port.writes.size(), 2);
        QCOMPARE(r.link.acknowledged_count(), 1);
    }

    void downloadFailuresChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("quiet"); // the line went quiet; otherwise the deadline passed
        QTest::addColumn<QString>("message");
        QTest::newRow("silent") << QByteArray() << false
                                << "The unit did not answer the request for its settings within 5 s. Check the "
                                   "cable, the COMM PORT and the password; nothing was changed.";
        QTest::newRow("cut short") << QByteArray("\r\n|MP,1\r\n|SN,Half\r\n|TN,2799,1") << true
                                   << "The unit's answer stopped after 29 characters and 1 number: the line was "
                                      "quiet for 1 s before its end, so nothing was changed. Read the settings "
                                      "again; if it stops again, check the cable and that nothing else uses the "
                                      "unit's line.";
        QTest::newRow("a damaged record") << QByteArray("\r\n|MP,1\r\n|SN,Half\r\n|TN,2799,1\r\n|I1,Tab\there\r\n|<END>\r\n")
                                          << true
                                          << "The unit's answer could not be read, so nothing was changed: record 4 "
                                             "(I1,Tab?here): the name of input 1 holds a control character "
                                             "(character 9).";
        QTest::newRow("39 among other codes") << QByteArray("SYS SPEW (1)\r\nPASSWORD ERROR (39)(39)\r\n") << true
                                              << "Incorrect GSM unit password";
        QTest::newRow("no beginning") << QByteArray("\r\n|TN,2799,1\r\n|SN,Rest") << true
                                      << "Only the end of an earlier answer came (22 characters), not the beginning "
                                         "of the answer to this request, so nothing was changed. Read the settings "
                                         "again.";
        QTest::newRow("no name record") << QByteArray("\r\n|MP,1\r\n|TN,2799,1\r\n|<END>\r\n") << false
                                        << "The unit's answer could not be read, so nothing was changed: its \"SN,\" "
                                           "record is missing, which every answer of the unit carries.";
    }
    void downloadFailuresChangeNothing()
    {
        QFETCH(QByteArray, answer);
        QFETCH(bool, quiet);
        QFETCH(QString, message);
        Rig r;
        r.pages.addRow("1", "+2700");
        r.port.feedNow("|SN,Leftover|<END> (39)"); // from before the request: not part of the answer
        r.download.cmdDownload_Click();
        QCOMPARE(r.port.writes, QList<QByteArray>{"*5831 SYS SPEW*\r"});
        QVERIFY(r.reader.busy());
        if (!answer.isEmpty())
            r.port.feedNow(answer);
        if (!answer.contains("<END>"))
            (quiet ? r.tmrCheckGSM : r.deadline).fire();
        QTRY_COMPARE(r.dialogs.messageTexts(), QStringList{message});
        QCOMPARE(r.pages.state(), kStart + "1:+2700");
        QVERIFY(!r.reader.busy());

        // A late answer is logged, never read, and told once.
        r.port.feedNow("|SN,Late|<END>");
        r.tmrCheckGSM.fire();
        r.port.feedNow("|SN,Later|<END>");
        r.tmrCheckGSM.fire();
        QCOMPARE(r.pages.editors.systemName(), "GSM Unit");
        QVERIFY(r.log.endsWith("|SN,Late|<END>|SN,Later|<END>"));
        QTRY_COMPARE(r.dialogs.messages.size(), 2);
        QVERIFY(r.dialogs.messages.last().text.startsWith("The unit's answer came after reading the settings had "
                                                          "failed; it was ignored"));
    }

    // A read takes only its own answer, whole: what an earlier read left on the line, a
    // piece without its beginning, and a slow answer. Steps: "read", "stop", "quiet",
    // "deadline", "slowly:" (one character at a time, the first-byte wait ticking between
    // them), or characters the unit sends.
    void readTakesOnlyItsOwnWholeAnswer_data()
    {
        const auto dump = [](const QString &name, int numbers) {
            QString text = "\r\n|MP,5831\r\n|SN," + name + "\r\n|MN,\r\n|I1,Door";
            for (int i = 0; i < numbers; ++i)
                text += QString("\r\n|TN,278200000%1,%2,1").arg(i).arg(i + 1);
            return text + "\r\n|<END>\r\n";
        };
        const QString old = dump("Old", 3), fresh = dump("New", 1);
        const QString head = old.left(old.indexOf("|TN,") + 10), rest = old.mid(head.size());
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("shown"); // the name and the rows at the end
        QTest::addColumn<int>("requests");
        QTest::addColumn<int>("messages");
        const QString untouched = "GSM Unit 1:+2700";
        QTest::newRow("cut answer, its rest before the next")
            << QStringList{"read", head, "quiet", "read", rest, "quiet", fresh} << "New 1:+2782000000" << 2 << 1;
        QTest::newRow("stopped mid-read, then read")
            << QStringList{"read", head, "stop", "read", rest, "quiet", fresh} << "New 1:+2782000000" << 2 << 1;
        QTest::newRow("rest and the next answer back to back")
            << QStringList{"read", head, "stop", "read", "quiet", rest + fresh} << "New 1:+2782000000" << 2 << 1;
        QTest::newRow("only a rest, then quiet") << QStringList{"read", rest, "quiet"} << untouched << 1 << 1;
        QTest::newRow("slower than the list on screen suggests")
            << QStringList{"read", head, "deadline", rest} << "Old 1:+2782000000;2:+2782000001;3:+2782000002" << 1 << 0;
        QTest::newRow("slower than the line")
            << QStringList{"read", "slowly:" + old} << "Old 1:+2782000000;2:+2782000001;3:+2782000002" << 1 << 0;
    }
    void readTakesOnlyItsOwnWholeAnswer()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, shown);
        QFETCH(int, requests);
        QFETCH(int, messages);
        Rig r;
        r.pages.addRow("1", "+2700");
        for (const QString &step : steps) {
            if (step == "read")
                r.download.cmdDownload_Click();
            else if (step == "stop")
                r.reader.stop();
            else if (step == "quiet")
                r.tmrCheckGSM.fire();
            else if (step == "deadline")
                r.deadline.fire();
            else if (step.startsWith("slowly:"))
                for (const QChar c : step.mid(7)) {
                    r.port.feedNow(QByteArray(1, c.toLatin1()));
                    r.deadline.fire();
                }
            else
                r.port.feedNow(step.toLatin1());
        }
        QVERIFY(!r.reader.busy());
        QCOMPARE(r.port.writes.size(), requests);
        QCOMPARE(r.pages.editors.systemName() + ' ' + r.pages.rows(), shown);
        QTRY_COMPARE(r.dialogs.messages.size(), messages);
    }

    void lineThatNeverGoesQuiet()
    {
        Rig r;
        r.download.cmdDownload_Click();
        const QByteArray noise(64 * 1024, 'x');
        for (int i = 0; i < 48; ++i) { // 3 MiB, the quiet timer never firing
            r.port.feedNow(noise);
            QVERIFY(r.link.rx_buffer().size() <= transfer::DumpReader::answerBound() + noise.size());
        }
        QTRY_COMPARE(r.dialogs.messages.size(), 1);
        QVERIFY2(r.dialogs.messageTexts().first().endsWith("without ending its settings, more than any unit holds; "
                                                           "the line may be noisy. Nothing was changed: check the "
                                                           "cable and try again."),
                 qPrintable(r.dialogs.messageTexts().first()));
        QVERIFY(!r.reader.busy());
    }

    void downloadWithoutTheLineSaysNothingOfItsOwn()
    {
        Rig r;
        r.port.close();
        r.download.cmdDownload_Click();
        r.deadline.fire();
        QCOMPARE(r.log + r.link.link_mode(), "earlier");
        QCOMPARE(r.dialogs.messages.size(), 1); // the link's own, for the closed port
        QVERIFY(!r.reader.busy());

        r.port.open("/dev/unit", {});
        r.download.cmdDownload_Click();
        r.port.feedNow("|SN,Half");
        r.link.set_link_mode(unitlink::kModeUpload); // an upload took the line over
        r.tmrCheckGSM.fire();
        QVERIFY(!r.reader.busy());
        QTRY_VERIFY(r.dialogs.messageTexts().last().startsWith("Reading the settings was interrupted"));
    }

    // A message box runs an event loop of its own: the link goes on reading the port under it,
    // and a line of noise fills no memory however long the box stays up.
    void linkReadsWhileAMessageIsUp()
    {
        struct Dialogs : fakes::FakeDialogs {
            std::function<void()> whileUp;
            void message(const QString &text, Icon icon, const QString &title) override
            {
                fakes::FakeDialogs::message(text, icon, title);
                if (whileUp)
                    std::exchange(whileUp, nullptr)();
            }
        } dialogs;
        fakes::FakeSerialPort port;
        platform::PortCatalogue catalogue({}, "/dev/unit", nullptr);
        mainwindow::Platform p{&port, &dialogs, [] { return std::make_unique<fakes::FakeTimer>(); }, &catalogue, {}, nullptr};
        mainwindow::FrmMain main(p, {settings::kGate, {0, 1, 3, 4}, catalogue.entries().value(0)});
        main.runit();
        qsizetype most = 0;
        dialogs.whileUp = [&] {
            for (int i = 0; i < 160; ++i) { // 10 MiB without a ")"
                port.feed(QByteArray(64 * 1024, '('));
                QCoreApplication::processEvents();
                most = std::max(most, main.link().rx_buffer().size());
            }
            port.feed(")(14)"); // the noise ends, then the unit reports output 1
            QCoreApplication::processEvents();
        };
        main.frame3()->cmdStart(1)->click();
        port.feedNow("ERROR (39)"); // the message is shown once this handler has returned
        QCOMPARE(dialogs.messages.size(), 0);
        QTRY_COMPARE(dialogs.messageTexts(), QStringList{"Incorrect GSM unit password"});
        QVERIFY(port.pending.isEmpty());
        QVERIFY2(most > 0 && most <= 2 * unitlink::kRxTailKept, qPrintable(QString::number(most)));
        QCOMPARE(main.frame3()->lblOutput(1)->property("colourBgr").toUInt(), mainwindow::kColourGreen);
    }
};

QTEST_MAIN(TstExchange)
#include "tst_exchange.moc"
