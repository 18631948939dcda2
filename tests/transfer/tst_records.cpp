// Settings texts read into the editors, and the settings file written and read back.
#include "platform/textfile.h"
#include "rig.h"
#include "tests/support/fakes.h"
#include "transfer/settingsfile.h"
#include "transfer/settingsparser.h"

#include <QtTest>

namespace {
const QString kStart = "5831/GSM Unit//Input 1/Input 4/1/1 ";
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
        const QString row = "1:+2700";
        QTest::newRow("file form") << "<START>|MP,1234|SN,Gate A|<END>" << "1234/Gate A//Input 1/Input 4/1/1 " + row;
        QTest::newRow("no bar") << "MP,1234" << kStart + row;
        QTest::newRow("first piece skipped, last read") << "SN,Front|MP,99" << "99/GSM Unit//Input 1/Input 4/1/1 " + row;
        QTest::newRow("empty contents") << "x|MP,|SN,|MN,|I1,|TN,|TN|" << kStart + row;
        QTest::newRow("tags are exact") << "|sn,low|Sn,mixed|SN x|OP,1|MO,1" << kStart + row;
        QTest::newRow("commas kept") << "|SN,Gate, North|I4,a,b|MN,+27,1" << "5831/Gate, North/+27,1/Input 1/a,b/1/1 " + row;
        QTest::newRow("dot ends the password") << "|MP,12.34|I1,x" << "12/GSM Unit//x/Input 4/1/1 " + row;
        QTest::newRow("nothing before the dot") << "|MP,.34" << kStart + row;
        QTest::newRow("second value as a number") << "|TN,2782,5|TN,2783,05|TN,2784,x|TN,2785, 1 2ab|TN,2786,-07.50,9"
                                                  << kStart + row + ";5:+2782;5:+2783;0:+2784;12:+2785;-7.5:+2786";
        QTest::newRow("two fields keep the row") << "|TN,2782|TN,,3" << kStart + row + ";2:+2782;3:+";
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QString, after);
        Pages p;
        p.addRow("1", "+2700");
        const transfer::ParseResult result = transfer::parse_settings(text, p.editors);
        QCOMPARE(p.state(), after);
        QCOMPARE(result.rowsAdded, p.grid.rows() - 2);
        QVERIFY(result.longValues.isEmpty());
    }

    void longValuesKeptWholeAndReportedOnce()
    {
        Pages p;
        const auto result = transfer::parse_settings(
            "|MP,123456|SN,ok|I3,Sixteen chars!!!|SN,Seventeen chars!!|MP,12|MN,+27821234567890123", p.editors);
        QCOMPARE(p.editors.systemName(), "Seventeen chars!!");
        QCOMPARE(p.editors.password(), "12"); // the later, short password replaced the long one
        QCOMPARE(result.records, 6);
        QCOMPARE(transfer::long_values_message(result),
                 "Some values are longer than the editors allow and were kept whole: Input name 3 (16 characters), "
                 "System name (17 characters)");
    }

    void saveThenLoad()
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
        d.saveAnswer = d.openAnswer = dir.filePath("gate.gsm");
        transfer::cmdSave_Click(p.editors, d);
        QByteArray saved;
        QVERIFY(platform::readFile(d.saveAnswer, &saved, nullptr));
        QCOMPARE(saved, kGateFile);

        Pages q; // options, monitor boxes, master number and marks are not read back
        q.editors.setMasterNumber("+999");
        q.editors.setErrorReporting(false);
        q.editors.setMonitorInput(0, false);
        transfer::cmdLoad_Click(q.editors, d);
        QCOMPARE(q.state(), "1234/Gate A/+999/Input 1/Door/0/0 1:+27821;2:+27822");
        transfer::cmdLoad_Click(q.editors, d);
        QCOMPARE(q.rows(), "1:+27821;2:+27822;1:+27821;2:+27822");
        QCOMPARE(d.fileDialogs, QStringList({"Save File\n" + kFilter, "File Open\n" + kFilter, "File Open\n" + kFilter}));
        QVERIFY(d.messages.isEmpty());
        QVERIFY(transfer::settings_file_text(Pages().editors).endsWith("I4,Input 4|\r\n<END>"));
    }

    void lineBreaksCarryNoMeaning_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("after");
        const QString loaded = "1234/Gate A//Input 1/Door/1/1 1:+27821;2:+27822";
        QTest::newRow("one line") << QByteArray(kGateFile).replace("\r\n", "") << loaded;
        QTest::newRow("split records") << QByteArray(kGateFile).replace("te A", "\r\nte A").replace("TN,", "T\rN,")
                                       << loaded;
        QTest::newRow("empty file") << QByteArray() << kStart;
        QTest::newRow("no bar") << QByteArray("<START>\r\nMP,1234\r\nSN,Gate A\r\n") << kStart;
    }
    void lineBreaksCarryNoMeaning()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, after);
        fakes::FakeDialogs d;
        d.openAnswer = dir.filePath("edited.gsm");
        QVERIFY(platform::writeFileAtomically(d.openAnswer, content, nullptr));
        Pages p;
        transfer::cmdLoad_Click(p.editors, d);
        QCOMPARE(p.state(), after);
    }

    void cancelAndFailuresChangeNothing()
    {
        Pages p;
        fakes::FakeDialogs d;
        for (const QString answer : {"", "*.csv", "missing.gsm"}) {
            d.openAnswer = answer.endsWith(".gsm") ? dir.filePath(answer) : answer; // "*.csv" counts as cancel
            transfer::cmdLoad_Click(p.editors, d);
        }
        transfer::cmdSave_Click(p.editors, d); // cancelled
        d.saveAnswer = dir.filePath("no such folder/x.gsm");
        transfer::cmdSave_Click(p.editors, d);
        QCOMPARE(d.messages.size(), 2);
        QVERIFY(d.messages.at(0).text.contains("missing.gsm"));
        QVERIFY(d.messages.at(1).text.contains("no such folder"));
        QCOMPARE(int(d.messages.at(1).icon), int(platform::Dialogs::Icon::Stop));
        QCOMPARE(p.state(), kStart);
    }
};

QTEST_MAIN(TstRecords)
#include "tst_records.moc"
