// Settings texts read into the editors, and the settings file written and read back.
#include "platform/textfile.h"
#include "rig.h"
#include "tests/support/fakes.h"
#include "transfer/settingsfile.h"
#include "transfer/settingsparser.h"

#include <QtTest>

namespace {
const QString kFilter = "Norvik GSM Files (*.gsm)|*.gsm|All Files (*.*)|*.*";
const QByteArray kGateFile = "<START>|MP,1234|\r\nSN,Gate A|\r\nOP,14|\r\nMO,14|\r\nI1,Input 1|\r\nI2,Input 2|\r\n"
                             "I3,Input 3|\r\nI4,Door|\r\nTN,27821,1|\r\nTN,27822,2|\r\n<END>\r\n";
} // namespace

class TstRecords : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("after"); // Pages::state(); the list held "1:+2700" before
        QTest::addColumn<QString>("tooLong");
        const auto row = [](const char *name, const QString &text, const QString &after, const QString &tooLong = {}) {
            QTest::newRow(name) << text << after + "1:+2700" << tooLong;
        };
        row("first piece skipped, last read", "SN,Front|MP,99", "99/GSM Unit//Input 1/Input 4/1/1 ");
        row("empty, unknown or inexact tags", "x|MP,|SN,|MN,|I1,|TN,|TN||sn,low|Sn,mixed|SN x|OP,1|MO,1", kStart);
        row("commas kept", "|SN,Gate, North|I4,a,b|MN,+27,1", "5831/Gate, North/+27,1/Input 1/a,b/1/1 ");
        row("dot ends the password", "|MP,12.34|I1,x|MP,.34", "12/GSM Unit//x/Input 4/1/1 ");
        QTest::newRow("second value as a number")
            << "|TN,2782,5|TN,2783,05|TN,2784,x|TN,2785, 1 2ab|TN,2786,-07.50,9|TN,2787|TN,,3"
            << kStart + "1:+2700;5:+2782;5:+2783;0:+2784;12:+2785;-7.5:+2786;7:+2787;3:+" << QString();
        // The later, short password replaces the long one, and so drops out of the message.
        row("long values kept whole",
            "|MP,123456|SN,ok|I3,Sixteen chars!!!|SN,Seventeen chars!!|MP,12|MN,+27821234567890123",
            "12/Seventeen chars!!/+27821234567890123/Input 1/Input 4/1/1 ",
            "Some values are longer than the editors allow and were kept whole: System name (17 characters), "
            "Input name 3 (16 characters)");
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QString, after);
        QFETCH(QString, tooLong);
        Pages p;
        p.addRow("1", "+2700");
        settings::SettingsSet set = p.editors.store();
        transfer::parse_settings(text, set);
        QCOMPARE(transfer::long_values_message(p.editors.load(set)), tooLong);
        QCOMPARE(p.state(), after);
    }

    void editorsHoldEverySetting()
    {
        settings::SettingsSet set;
        set.password = "12";
        set.systemName = "North";
        set.masterNumber = "+27829";
        set.inputNames = {"a", "b", "c", "d"};
        set.errorReporting = false;
        set.monitorInputs = {false, true, false, true};
        set.uploadTelephone = true;
        set.numbers = {{"1", "+2781", {true, false, false, true}}, {"2", "+2782", {}}};
        Pages p;
        p.addRow("9", "+1"); // replaced, not kept
        QVERIFY(p.editors.load(set).isEmpty());
        QVERIFY(p.editors.store() == set);
    }

    void save()
    {
        Pages p;
        p.editors.setPassword("1234");
        p.editors.setSystemName("Gate A");
        p.editors.setInputName(3, "Door");
        p.editors.setMonitorInput(1, false);
        p.editors.setMonitorInput(3, false);
        p.addRow("1", "+27821", {"*", "*"});
        p.addRow("2", "27+822");
        fakes::FakeDialogs d;
        transfer::cmdSave_Click(p.editors, d); // cancelled
        d.saveAnswer = dir.filePath("no such folder/x.gsm");
        transfer::cmdSave_Click(p.editors, d);
        d.saveAnswer = dir.filePath("gate.gsm");
        transfer::cmdSave_Click(p.editors, d);
        QByteArray saved;
        QVERIFY(platform::readFile(d.saveAnswer, &saved, nullptr));
        QCOMPARE(saved, kGateFile);
        QCOMPARE(d.fileDialogs, QStringList(3, "Save File\n" + kFilter));
        QCOMPARE(d.messages.size(), 1);
        QVERIFY(d.messages.first().text.contains("no such folder"));
        QCOMPARE(int(d.messages.first().icon), int(platform::Dialogs::Icon::Stop));
    }

    void load()
    {
        Pages p; // options and monitor boxes are written but not read back; loaded rows go after those shown
        p.editors.setErrorReporting(false);
        p.editors.setMonitorInput(0, false);
        p.addRow("9", "+1");
        fakes::FakeDialogs d;
        for (const QString name : {"", "*.csv", "missing.gsm"}) { // "*.csv" counts as cancel
            d.openAnswer = name.endsWith(".gsm") ? dir.filePath(name) : name;
            transfer::cmdLoad_Click(p.editors, d);
        }
        QCOMPARE(p.state(), "5831/GSM Unit//Input 1/Input 4/0/0 9:+1");
        QCOMPARE(d.messages.size(), 1);
        QVERIFY(d.messages.first().text.contains("missing.gsm"));

        d.openAnswer = dir.filePath("split.gsm"); // line breaks carry no meaning, even inside a record
        const QByteArray split = QByteArray(kGateFile).replace("te A", "\r\nte A").replace("TN,", "T\rN,");
        QVERIFY(platform::writeFileAtomically(d.openAnswer, split, nullptr));
        transfer::cmdLoad_Click(p.editors, d);
        QCOMPARE(p.state(), "1234/Gate A//Input 1/Door/0/0 9:+1;1:+27821;2:+27822");
        QCOMPARE(d.fileDialogs, QStringList(4, "File Open\n" + kFilter));
        QCOMPARE(d.messages.size(), 1);
    }
};

QTEST_MAIN(TstRecords)
#include "tst_records.moc"
