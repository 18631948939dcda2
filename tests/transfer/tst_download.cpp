// Reading the settings back: the request, the quiet-line check, and what the operator is told.
#include "rig.h"
#include "tests/support/fakes.h"
#include "transfer/download.h"
#include "unitsim/unitprotocol.h"

#include <QtTest>

namespace {
struct Rig {
    Pages pages;
    fakes::FakeSerialPort port;
    fakes::FakeTimer tmrCheckGSM, noAnswer;
    fakes::FakeDialogs dialogs;
    FakeHost host;
    unitlink::UnitLink link{port, tmrCheckGSM, dialogs, host};
    transfer::Download download{link, tmrCheckGSM, noAnswer, pages.editors, dialogs,
                                [this] { host.clearLog(); }, [this](const QString &t) { host.appendLog(t); }};
    explicit Rig(const QString &model = Module1::kGate) : pages(model)
    {
        host.editors = &pages.editors;
        port.open(1, {});
    }
    // Delivers the bytes through the event loop, as the port would.
    void arrive(const QByteArray &bytes)
    {
        const int starts = tmrCheckGSM.starts;
        port.feed(bytes);
        QTRY_VERIFY(tmrCheckGSM.starts > starts);
    }
};
} // namespace

class TstDownload : public QObject {
    Q_OBJECT
private slots:
    void answerInPiecesParsedOnceAfterTheQuietSecond()
    {
        Rig r;
        r.pages.addRow("1", "+2700");
        r.port.feed("left over"); // idle: stays in the buffer, in front of the answer
        QTRY_COMPARE(r.link.rx_buffer(), "left over");
        r.host.log = "earlier";

        for (int round = 0; round < 2; ++round) {
            r.download.cmdDownload_Click();
            QCOMPARE(r.port.writes.last(), "*5831 SYS SPEW*\r");
            QCOMPARE(r.host.log, "");
            QCOMPARE(r.noAnswer.interval(), 5000);
            r.arrive("*5831 SYS SPEW*\r\n|MP,5831\r\n|SN,Ga");
            QCOMPARE(r.pages.rows(), round == 0 ? "1:+2700" : "1:+2782"); // shown until the answer is whole
            r.arrive("te\r\n|TN,2782,1,13\r\n|<END>\r\n");
            QCOMPARE(r.tmrCheckGSM.interval(), 1000);
            r.tmrCheckGSM.fire();
            QCOMPARE(r.pages.editors.systemName(), "Gate");
            QCOMPARE(r.pages.rows(), "1:+2782");
            QCOMPARE(r.host.log, QString(round == 0 ? "left over" : "")
                                     + "*5831 SYS SPEW*\r\n|MP,5831\r\n|SN,Gate\r\n|TN,2782,1,13\r\n|<END>\r\n");
            QVERIFY(!r.tmrCheckGSM.isActive());
            QVERIFY(!r.noAnswer.isActive());
            QCOMPARE(r.link.rx_buffer(), "");
        }
        r.noAnswer.fire();
        QVERIFY(r.dialogs.messages.isEmpty());
    }

    void failedAnswersChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("message");
        QTest::newRow("silent") << QByteArray()
                                << "The unit did not answer the request for its settings. Check the cable, the "
                                   "COMM PORT and the password; nothing was changed.";
        QTest::newRow("cut short") << QByteArray("\r\n|MP,5831\r\n|SN,Half\r\n|TN,2799,1")
                                   << "The unit's answer was incomplete, so nothing was changed.";
        QTest::newRow("wrong password") << QByteArray("PASSWORD ERROR (39)\r\n") << "Incorrect GSM unit password";
    }
    void failedAnswersChangeNothing()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QString, message);
        Rig r;
        r.pages.addRow("1", "+2700");
        r.download.cmdDownload_Click();
        if (!answer.isEmpty())
            r.arrive(answer);
        r.noAnswer.fire(); // an answer on its way is not "no answer"
        r.tmrCheckGSM.fire();
        QCOMPARE(r.dialogs.messageTexts(), QStringList{message});
        QCOMPARE(int(r.dialogs.messages.first().icon), int(platform::Dialogs::Icon::Stop));
        QCOMPARE(r.pages.rows(), "1:+2700");
        QCOMPARE(r.pages.editors.systemName(), "GSM Unit");
        QCOMPARE(r.host.log, "");

        // The rest of a late answer is still read; stray text is dropped without a word.
        r.arrive("|SN,Late|<END>");
        r.tmrCheckGSM.fire();
        r.arrive("noise");
        r.tmrCheckGSM.fire();
        QCOMPARE(r.pages.editors.systemName(), "Late");
        QCOMPARE(r.dialogs.messages.size(), 1);
    }

    void closedPortChangesNothing()
    {
        Rig r;
        r.host.log = "earlier";
        r.port.close();
        r.download.cmdDownload_Click();
        QCOMPARE(r.dialogs.messages.size(), 1); // the link's own message
        QCOMPARE(r.link.link_mode(), "");
        QCOMPARE(r.host.log, "earlier");
        QVERIFY(!r.noAnswer.isActive());
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
        Rig r(model);
        unitsim::UnitProtocol unit;
        unit.setModel(model == Module1::kGate ? unitsim::Model::Gate : unitsim::Model::Intercom);
        unit.setEcho(true);
        auto &s = unit.state();
        s.systemName = "Front, Gate";
        s.masterNumber = "27820000000";
        s.inputNames = {"Door", "Beam", "", "Gate 4"};
        const bool gate = model == Module1::kGate;
        s.numbers = {{"27821234567", gate ? "13" : "12"}, {"27829876543", gate ? "" : "03"}};

        r.download.cmdDownload_Click();
        const QList<unitsim::Exchange> exchanges = unit.feed(r.port.writes.last());
        QCOMPARE(exchanges.size(), 1);
        r.arrive(exchanges.first().reply);
        r.tmrCheckGSM.fire();
        const auto &e = r.pages.editors;
        QCOMPARE(QStringList({e.systemName(), e.masterNumber(), e.inputName(0), e.inputName(1), e.inputName(2),
                              e.inputName(3)}),
                 QStringList({"Front, Gate", "27820000000", "Door", "Beam", "Input 3", "Gate 4"}));
        QCOMPARE(r.pages.rows(), rows);
        QVERIFY(r.dialogs.messages.isEmpty());
    }
};

QTEST_MAIN(TstDownload)
#include "tst_download.moc"
