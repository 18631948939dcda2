// The upload's commands and start, and reading the settings back from the unit.
#include "app/globals.h"
#include "link/unitlink.h"
#include "rig.h"
#include "tests/support/fakes.h"
#include "transfer/download.h"
#include "transfer/upload.h"

#include <QCheckBox>
#include <QtTest>

namespace {
struct Rig : unitlink::LinkHost {
    Pages pages;
    fakes::FakeSerialPort port;
    fakes::FakeTimer tmrCheckGSM, noAnswer;
    fakes::FakeDialogs dialogs;
    QString log = "earlier";
    unitlink::UnitLink link{port, tmrCheckGSM, dialogs, *this};
    transfer::Download download{link, tmrCheckGSM, noAnswer, pages.editors, dialogs, [this] { clearLog(); },
                                [this](const QString &t) { appendLog(t); }};
    Rig() { port.open(1, {}); }

    QString password() const override { return pages.editors.password(); }
    void appendLog(const QString &text) override { log += text; }
    void clearLog() override { log.clear(); }
    void setProgress(int, int) override {} // moves only on acknowledgements, which these tests never give
    int progressValue() const override { return 0; }
    int progressMaximum() const override { return 0; }
    void setOutputColour(int, quint32) override {}

    void upload()
    {
        transfer::cmdUpload_Click(pages.editors, Module1::kIntercom, link, dialogs, [this] { clearLog(); });
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
        QTest::addColumn<QString>("commands"); // word + value, "/"-joined
        const QString head = "SYS PASS 5831/SYS NAME GSM Unit/";
        const QString sys = "SYS EREP ON/SYS OCNF OFF/SYS MONI 24/SYS INP1 Input 1/SYS INP2 Input 2/SYS INP3 Input 3/"
                            "SYS INP4 Door/";
        const QString tail = "TEL MAST +27829/TEL CLRN";
        const QString gateRows = "/TEL ADDN 27821,13/TEL ADDN ,"; // an empty row is still sent
        QTest::newRow("gate, system, numbers") << Module1::kGate << true << true << head + sys + tail + gateRows;
        QTest::newRow("gate without system") << Module1::kGate << false << true << head + tail + gateRows;
        QTest::newRow("intercom with system") << Module1::kIntercom << true << true
                                              << head + tail + "/TEL ADDN 27821,7/TEL ADDN ,";
        QTest::newRow("empty list still cleared") << Module1::kGate << true << false << head + sys + tail;
    }
    void uploadCommands()
    {
        QFETCH(QString, model);
        QFETCH(bool, chksys);
        QFETCH(bool, numbers);
        QFETCH(QString, commands);
        const bool gate = model == Module1::kGate;
        Pages p;
        p.sys.chksys()->setChecked(chksys);
        p.editors.setOutputConfirmation(false);
        p.editors.setMonitorInput(0, false);
        p.editors.setMonitorInput(2, false);
        p.editors.setInputName(3, "Door");
        p.editors.setMasterNumber("+27829");
        if (numbers) {
            p.addRow(gate ? "1" : "7", "+27+821", gate ? QStringList{"*", "", "x"} : QStringList{});
            p.addRow("", "");
        }
        QStringList got;
        for (const auto &c : transfer::upload_commands(p.editors.store(), model))
            got << c.word + c.value;
        QCOMPARE(got.join('/'), commands);
    }

    void uploadRefusedWholeOrAskedFirst()
    {
        Rig r;
        r.link.set_link_mode(unitlink::kModeDownload);
        r.pages.grid.setRows(998); // 4 fixed commands + 997 numbers: one more than fits
        r.upload();
        QCOMPARE(r.dialogs.messages.size(), 1);
        r.pages.grid.setRows(997);
        r.dialogs.answerYes = false;
        r.upload();
        QCOMPARE(r.dialogs.questions.size(), 1); // none for the refused upload
        QCOMPARE(r.dialogs.questions.first().text, "This will replace the settings on the GSM unit, proceed?");
        QCOMPARE(QString::number(r.port.writes.size()) + r.log + r.link.link_mode(), "0earlierdownload");

        r.dialogs.answerYes = true;
        r.upload();
        QCOMPARE(r.log + r.link.link_mode(), "\r\nSEND: *5831 SYS PASS 5831 *upload");
        QCOMPARE(r.link.cmd_count(), 1000);
    }

    void downloadFailuresChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("leftover"); // in the buffer before the request
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("message");
        QTest::newRow("silent") << QByteArray("OK (1") << QByteArray()
                                << "The unit did not answer the request for its settings. Check the cable, the "
                                   "COMM PORT and the password; nothing was changed.";
        QTest::newRow("cut short") << QByteArray() << QByteArray("\r\n|MP,1\r\n|SN,Half\r\n|TN,2799,1")
                                   << "The unit's answer was incomplete, so nothing was changed.";
        QTest::newRow("wrong password") << QByteArray("OK (1") << QByteArray("PASSWORD ERROR (39)\r\n")
                                        << "Incorrect GSM unit password";
    }
    void downloadFailuresChangeNothing()
    {
        QFETCH(QByteArray, leftover);
        QFETCH(QByteArray, answer);
        QFETCH(QString, message);
        Rig r;
        r.pages.addRow("1", "+2700");
        r.port.feedNow(leftover);
        r.download.cmdDownload_Click();
        QCOMPARE(r.port.writes, QList<QByteArray>{"*5831 SYS SPEW*\r"});
        if (!answer.isEmpty())
            r.port.feedNow(answer);
        r.noAnswer.fire(); // an answer on its way is not "no answer"
        r.tmrCheckGSM.fire();
        QCOMPARE(r.dialogs.messageTexts(), QStringList{message});
        QCOMPARE(int(r.dialogs.messages.first().icon), int(platform::Dialogs::Icon::Stop));
        QCOMPARE(r.pages.state(), kStart + "1:+2700");
        QCOMPARE(r.log, "");

        // The rest of a late answer is still read; stray text is dropped without a word.
        r.port.feedNow("|SN,Late|<END>");
        r.tmrCheckGSM.fire();
        r.port.feedNow("noise");
        r.tmrCheckGSM.fire();
        QCOMPARE(r.pages.editors.systemName(), "Late");
        QCOMPARE(r.dialogs.messages.size(), 1);
    }

    void downloadWithoutTheLineSaysNothingOfItsOwn()
    {
        Rig r;
        r.port.close();
        r.download.cmdDownload_Click();
        r.noAnswer.fire();
        QCOMPARE(r.log + r.link.link_mode(), "earlier");

        r.port.open(1, {});
        r.download.cmdDownload_Click();
        r.link.set_link_mode(unitlink::kModeUpload); // e.g. an output test took the line over
        r.noAnswer.fire();
        QCOMPARE(r.dialogs.messages.size(), 1); // the link's own, for the closed port
    }
};

QTEST_MAIN(TstExchange)
#include "tst_exchange.moc"
