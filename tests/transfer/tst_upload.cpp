// The command sequence of an upload and how the upload button starts it.
#include "rig.h"
#include "tests/support/fakes.h"
#include "transfer/upload.h"

#include <QCheckBox>
#include <QtTest>

namespace {
struct Rig {
    Pages pages;
    fakes::FakeSerialPort port;
    fakes::FakeTimer tmrCheckGSM;
    fakes::FakeDialogs dialogs;
    FakeHost host;
    unitlink::UnitLink link{port, tmrCheckGSM, dialogs, host};
    explicit Rig(const QString &model) : pages(model)
    {
        host.editors = &pages.editors;
        port.open(1, {});
    }
    void click(const QString &model)
    {
        transfer::cmdUpload_Click(pages.editors, model, link, dialogs, [this] { host.clearLog(); });
    }
};
} // namespace

class TstUpload : public QObject {
    Q_OBJECT
private slots:
    void sequence_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<bool>("chksys");
        QTest::addColumn<QString>("commands"); // word + value, "/"-joined

        const QString head = "SYS PASS 5831/SYS NAME GSM Unit/";
        const QString tail = "TEL MAST +27829/TEL CLRN";
        const QString numbers = "/TEL ADDN 27821,13/TEL ADDN ,"; // an empty row is still sent
        QTest::newRow("gate, system, two numbers")
            << Module1::kGate << true
            << head + "SYS EREP ON/SYS OCNF OFF/SYS MONI 24/SYS INP1 Input 1/SYS INP2 Input 2/"
                      "SYS INP3 Input 3/SYS INP4 Door/" + tail + numbers;
        QTest::newRow("gate without system") << Module1::kGate << false << head + tail + numbers;
        QTest::newRow("intercom with system") << Module1::kIntercom << true
                                              << head + tail + "/TEL ADDN 27821,7/TEL ADDN ,";
        QTest::newRow("empty list still cleared") << Module1::kIntercom << false << head + tail;
    }
    void sequence()
    {
        QFETCH(QString, model);
        QFETCH(QString, commands);
        QFETCH(bool, chksys);
        Pages p(model);
        p.sys.chksys()->setChecked(chksys);
        p.editors.setOutputConfirmation(false);
        p.editors.setMonitorInput(0, false);
        p.editors.setMonitorInput(2, false);
        p.editors.setInputName(3, "Door");
        p.editors.setMasterNumber("+27829");
        if (QTest::currentDataTag() != QByteArray("empty list still cleared")) {
            const bool gate = model == Module1::kGate;
            p.addRow(gate ? "1" : "7", "+27+821", gate ? QStringList{"*", "", "x"} : QStringList{});
            p.addRow("", "");
        }
        QStringList got;
        for (const auto &c : transfer::upload_commands(p.editors, model))
            got << c.word + c.value;
        QCOMPARE(got.join('/'), commands);
    }

    void noMonitorInputsEndInTheBareWord()
    {
        Pages p;
        for (int k = 0; k < 4; ++k)
            p.editors.setMonitorInput(k, false);
        p.sys.chksys()->setChecked(true);
        const auto commands = transfer::upload_commands(p.editors, Module1::kGate);
        QCOMPARE(commands.at(4).word + commands.at(4).value, "SYS MONI ");
    }

    void clickAsksThenSendsTheFirstCommand()
    {
        Rig r(Module1::kGate);
        r.pages.sys.chksys()->setChecked(true);
        r.pages.addRow("1", "+2782");
        r.pages.addRow("2", "+2783");
        r.host.log = "earlier";
        r.link.set_link_mode("download");
        r.dialogs.answerYes = false;
        r.click(Module1::kGate);
        QCOMPARE(r.dialogs.questions.size(), 1);
        QCOMPARE(r.dialogs.questions.first().text, "This will replace the settings on the GSM unit, proceed?");
        QVERIFY(r.port.writes.isEmpty());
        QCOMPARE(r.host.log, "earlier");
        QCOMPARE(r.link.link_mode(), "download");

        r.dialogs.answerYes = true;
        r.click(Module1::kGate);
        QCOMPARE(r.port.writes, QList<QByteArray>{"*5831 SYS PASS 5831*"});
        QCOMPARE(r.host.log, "\r\nSEND: *5831 SYS PASS 5831 *");
        QCOMPARE(r.link.link_mode(), "upload");
        QCOMPARE(r.link.cmd_count(), 13);
        QCOMPARE(r.host.maximum, 13);
        QCOMPARE(r.host.value, 0);
        QVERIFY(r.dialogs.messages.isEmpty());
    }

    void tooManyCommandsRefusedWhole()
    {
        Rig r(Module1::kIntercom);
        for (int i = 0; i < 997; ++i) // 4 fixed commands + 997 numbers: one too many
            r.pages.addRow("1", "+2782");
        r.click(Module1::kIntercom);
        QVERIFY(r.port.writes.isEmpty());
        QVERIFY(r.dialogs.questions.isEmpty());
        QCOMPARE(r.dialogs.messages.size(), 1);
        QVERIFY(r.dialogs.messages.first().text.contains("Nothing was sent"));

        r.pages.grid().setRows(r.pages.grid().rows() - 1); // exactly the most that fit
        r.click(Module1::kIntercom);
        QCOMPARE(r.port.writes.size(), 1);
        QCOMPARE(r.link.cmd_count(), 1000);
    }
};

QTEST_MAIN(TstUpload)
#include "tst_upload.moc"
