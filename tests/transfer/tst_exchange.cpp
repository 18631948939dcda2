// The upload's commands and start, and reading the settings back from the unit.
#include "link/unitlink.h"
#include "rig.h"
#include "tests/support/fakes.h"
#include "transfer/download.h"
#include "transfer/upload.h"
#include "unitsim/unitprotocol.h"

#include <QCheckBox>
#include <QtTest>

namespace {
struct Rig : unitlink::LinkHost {
    Pages pages;
    fakes::FakeSerialPort port;
    fakes::FakeTimer tmrCheckGSM, noAnswer;
    fakes::FakeDialogs dialogs;
    QString log;
    int value = 0, maximum = 100;
    unitlink::UnitLink link{port, tmrCheckGSM, dialogs, *this};
    transfer::Download download{link, tmrCheckGSM, noAnswer, pages.editors, dialogs, [this] { clearLog(); },
                                [this](const QString &t) { appendLog(t); }};
    explicit Rig(const QString &model = Module1::kGate) : pages(model) { port.open(1, {}); }

    QString password() const override { return pages.editors.password(); }
    void appendLog(const QString &text) override { log += text; }
    void clearLog() override { log.clear(); }
    void setProgress(int v, int m) override { value = v, maximum = m; }
    int progressValue() const override { return value; }
    int progressMaximum() const override { return maximum; }
    void setOutputColour(int, quint32) override {}

    void upload(const QString &model = Module1::kGate)
    {
        transfer::cmdUpload_Click(pages.editors, model, link, dialogs, [this] { clearLog(); });
    }
    // Bytes from the unit, through the event loop as the port delivers them.
    void arrive(const QByteArray &bytes)
    {
        const int starts = tmrCheckGSM.starts;
        port.feed(bytes);
        QTRY_VERIFY(tmrCheckGSM.starts > starts);
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
        Pages p(model);
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
        for (const auto &c : transfer::upload_commands(p.editors, model))
            got << c.word + c.value;
        QCOMPARE(got.join('/'), commands);

        for (int k = 0; k < 4; ++k)
            p.editors.setMonitorInput(k, false);
        if (gate && chksys)
            QCOMPARE(transfer::upload_commands(p.editors, model).at(4).value, "");
    }

    void uploadAsksThenSendsTheFirstCommand()
    {
        Rig r;
        r.pages.sys.chksys()->setChecked(true);
        r.pages.addRow("1", "+2782");
        r.pages.addRow("2", "+2783");
        r.log = "earlier";
        r.link.set_link_mode("download");
        r.dialogs.answerYes = false;
        r.upload();
        QCOMPARE(r.dialogs.questions.size(), 1);
        QCOMPARE(r.dialogs.questions.first().text, "This will replace the settings on the GSM unit, proceed?");
        QCOMPARE(QString::number(r.port.writes.size()) + r.log + r.link.link_mode(), "0earlierdownload");

        r.dialogs.answerYes = true;
        r.upload();
        QCOMPARE(r.port.writes, QList<QByteArray>{"*5831 SYS PASS 5831*"});
        QCOMPARE(r.log, "\r\nSEND: *5831 SYS PASS 5831 *");
        QCOMPARE(r.link.link_mode(), "upload");
        QCOMPARE(r.link.cmd_count(), 13);
        QCOMPARE(r.maximum, 13);
    }

    void uploadTooLongRefusedWhole()
    {
        Rig r(Module1::kIntercom);
        for (int i = 0; i < 997; ++i) // 4 fixed commands + 997 numbers: one more than fits
            r.pages.addRow("1", "+2782");
        r.upload(Module1::kIntercom);
        QVERIFY(r.port.writes.isEmpty() && r.dialogs.questions.isEmpty());
        QCOMPARE(r.dialogs.messages.size(), 1);
        r.pages.grid.setRows(r.pages.grid.rows() - 1);
        r.upload(Module1::kIntercom);
        QCOMPARE(r.link.cmd_count(), 1000);
    }

    void downloadParsesOnceAfterTheQuietSecond()
    {
        Rig r;
        r.pages.addRow("1", "+2700");
        r.port.feed("left over"); // idle: stays in front of the answer
        QTRY_COMPARE(r.link.rx_buffer(), "left over");
        for (const QString before : {"left over", ""}) {
            r.download.cmdDownload_Click();
            QCOMPARE(r.port.writes.last(), "*5831 SYS SPEW*\r");
            QCOMPARE(r.log, "");
            r.arrive("*5831 SYS SPEW*\r\n|MP,5831\r\n|SN,Ga");
            QCOMPARE(r.pages.rows().size(), 7); // the old list stays until the answer is whole
            r.arrive("te\r\n|TN,2782,1,13\r\n|<END>\r\n");
            r.tmrCheckGSM.fire();
            QCOMPARE(r.pages.editors.systemName(), "Gate");
            QCOMPARE(r.pages.rows(), "1:+2782"); // twice gives the list once
            QCOMPARE(r.log, before + "*5831 SYS SPEW*\r\n|MP,5831\r\n|SN,Gate\r\n|TN,2782,1,13\r\n|<END>\r\n");
            QVERIFY(!r.tmrCheckGSM.isActive() && !r.noAnswer.isActive() && r.link.rx_buffer().isEmpty());
        }
        QVERIFY(r.dialogs.messages.isEmpty());
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
        r.port.feed(leftover);
        QTRY_COMPARE(r.link.rx_buffer(), leftover);
        r.download.cmdDownload_Click();
        QCOMPARE(r.noAnswer.interval(), 5000);
        if (!answer.isEmpty())
            r.arrive(answer);
        r.noAnswer.fire(); // an answer on its way is not "no answer"
        r.tmrCheckGSM.fire();
        QCOMPARE(r.dialogs.messageTexts(), QStringList{message});
        QCOMPARE(int(r.dialogs.messages.first().icon), int(platform::Dialogs::Icon::Stop));
        QCOMPARE(r.pages.state(), "5831/GSM Unit//Input 1/Input 4/1/1 1:+2700");
        QCOMPARE(r.log, "");

        // The rest of a late answer is still read; stray text is dropped without a word.
        r.arrive("|SN,Late|<END>");
        r.tmrCheckGSM.fire();
        r.arrive("noise");
        r.tmrCheckGSM.fire();
        QCOMPARE(r.pages.editors.systemName(), "Late");
        QCOMPARE(r.dialogs.messages.size(), 1);
    }

    void downloadWithoutTheLineSaysNothingOfItsOwn()
    {
        Rig r;
        r.log = "earlier";
        r.port.close();
        r.download.cmdDownload_Click();
        QCOMPARE(r.dialogs.messages.size(), 1); // the link's own message
        QCOMPARE(r.log + r.link.link_mode(), "earlier");
        QVERIFY(!r.noAnswer.isActive());

        r.port.open(1, {});
        r.download.cmdDownload_Click();
        r.link.set_link_mode("upload"); // e.g. an output test took the line over
        r.noAnswer.fire();
        QCOMPARE(r.dialogs.messages.size(), 1);
    }

    void realDumpRoundTrips_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("rows");
        QTest::newRow("gate") << Module1::kGate << "1:+27821234567;2:+27829876543";
        QTest::newRow("intercom") << Module1::kIntercom << "12:+27821234567;3:+27829876543";
    }
    void realDumpRoundTrips()
    {
        QFETCH(QString, model);
        QFETCH(QString, rows);
        const bool gate = model == Module1::kGate;
        Rig r(model);
        unitsim::UnitProtocol unit;
        unit.setModel(gate ? unitsim::Model::Gate : unitsim::Model::Intercom);
        unit.setEcho(true);
        auto &s = unit.state();
        s.systemName = "Front, Gate";
        s.masterNumber = "27820000000";
        s.inputNames = {"Door", "Beam", "", "Gate 4"};
        s.numbers = {{"27821234567", gate ? "13" : "12"}, {"27829876543", gate ? "" : "03"}};

        r.download.cmdDownload_Click();
        const QList<unitsim::Exchange> exchanges = unit.feed(r.port.writes.last());
        QCOMPARE(exchanges.size(), 1);
        r.arrive(exchanges.first().reply);
        r.tmrCheckGSM.fire();
        QCOMPARE(r.pages.state(), "5831/Front, Gate/27820000000/Door/Gate 4/1/1 " + rows);
        QCOMPARE(r.pages.editors.inputName(2), "Input 3"); // an empty record leaves the box alone
        QVERIFY(r.dialogs.messages.isEmpty());
    }
};

QTEST_MAIN(TstExchange)
#include "tst_exchange.moc"
