// Saving the settings to a file and loading them back.
#include "platform/textfile.h"
#include "rig.h"
#include "tests/support/fakes.h"
#include "transfer/settingsfile.h"

#include <QtTest>

namespace {
const QByteArray kGateFile = "<START>|MP,1234|\r\nSN,Gate A|\r\nOP,14|\r\nMO,14|\r\nI1,Input 1|\r\nI2,Input 2|\r\n"
                             "I3,Input 3|\r\nI4,Door|\r\nTN,27821,1|\r\nTN,27822,2|\r\n<END>\r\n";

QByteArray fileBytes(const QString &path)
{
    QByteArray bytes;
    return platform::readFile(path, &bytes, nullptr) ? bytes : QByteArray("<unreadable>");
}

// pass/name/master/input 4/error reporting/monitor 1, then the rows.
QString state(Pages &p)
{
    const auto &e = p.editors;
    return QStringList({e.password(), e.systemName(), e.masterNumber(), e.inputName(3),
                        QString::number(e.errorReporting()), QString::number(e.monitorInput(0))})
               .join('/')
           + " " + p.rows();
}
} // namespace

class TstSettingsFile : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }

private slots:
    void saveWritesTheRecordsAndLoadReadsThemBack()
    {
        Pages p;
        p.editors.setPassword("1234");
        p.editors.setSystemName("Gate A");
        p.editors.setInputName(3, "Door");
        p.editors.setMonitorInput(1, false);
        p.editors.setMonitorInput(3, false);
        p.editors.setMasterNumber("+27820");
        p.addRow("1", "+27821", {"*", "*"});
        p.addRow("2", "27+822");
        fakes::FakeDialogs d;
        d.saveAnswer = path("gate.gsm");
        transfer::cmdSave_Click(p.editors, d);
        QCOMPARE(d.fileDialogs, QStringList{"Save File\nNorvik GSM Files (*.gsm)|*.gsm|All Files (*.*)|*.*"});
        QCOMPARE(fileBytes(d.saveAnswer), kGateFile);
        QVERIFY(d.messages.isEmpty());

        Pages q;
        q.editors.setMasterNumber("+999");
        q.editors.setErrorReporting(false);
        q.editors.setMonitorInput(0, false);
        d.openAnswer = d.saveAnswer;
        transfer::cmdLoad_Click(q.editors, d);
        QCOMPARE(d.fileDialogs.last(), "File Open\nNorvik GSM Files (*.gsm)|*.gsm|All Files (*.*)|*.*");
        // Options, monitor boxes, master number and marks are not read back.
        QCOMPARE(state(q), "1234/Gate A/+999/Door/0/0 1:+27821;2:+27822");
        transfer::cmdLoad_Click(q.editors, d);
        QCOMPARE(q.rows(), "1:+27821;2:+27822;1:+27821;2:+27822");
        QVERIFY(d.messages.isEmpty());
    }

    void emptyListEndsAfterTheInputNames()
    {
        Pages p;
        QVERIFY(transfer::settings_file_text(p.editors).endsWith("I4,Input 4|\r\n<END>"));
    }

    void lineBreaksCarryNoMeaning_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("after");
        const QString loaded = "1234/Gate A//Door/1/1 1:+27821;2:+27822";
        const QString untouched = "5831/GSM Unit//Input 4/1/1 ";
        QByteArray oneLine = kGateFile;
        oneLine.replace("\r\n", "");
        QTest::newRow("one line") << oneLine << loaded;
        QTest::newRow("split records") << QByteArray(kGateFile).replace("Gate A", "Ga\r\nte A").replace("TN,", "T\rN,")
                                       << loaded;
        QTest::newRow("empty file") << QByteArray() << untouched;
        QTest::newRow("no bar") << QByteArray("<START>\r\nMP,1234\r\nSN,Gate A\r\n") << untouched;
    }
    void lineBreaksCarryNoMeaning()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, after);
        const QString file = path("edited.gsm");
        QVERIFY(platform::writeFileAtomically(file, content, nullptr));
        Pages p;
        fakes::FakeDialogs d;
        d.openAnswer = file;
        transfer::cmdLoad_Click(p.editors, d);
        QCOMPARE(state(p), after);
    }

    void cancelAndFailuresChangeNothing()
    {
        Pages p;
        p.addRow("1", "+2700");
        const QString before = state(p);
        fakes::FakeDialogs d;
        for (const QString &answer : {QString(), QString("*.csv")}) {
            d.openAnswer = answer;
            transfer::cmdLoad_Click(p.editors, d);
        }
        transfer::cmdSave_Click(p.editors, d); // saveAnswer empty: cancelled
        QCOMPARE(d.fileDialogs.size(), 3);
        QVERIFY(d.messages.isEmpty());

        d.openAnswer = path("missing.gsm");
        transfer::cmdLoad_Click(p.editors, d);
        d.saveAnswer = path("no such folder/x.gsm");
        transfer::cmdSave_Click(p.editors, d);
        QCOMPARE(d.messages.size(), 2);
        QVERIFY(d.messages.at(0).text.contains("missing.gsm"));
        QVERIFY(d.messages.at(1).text.contains("no such folder"));
        QCOMPARE(int(d.messages.at(1).icon), int(platform::Dialogs::Icon::Stop));
        QCOMPARE(state(p), before);
        QVERIFY(!QFile::exists(d.saveAnswer));
    }
};

QTEST_MAIN(TstSettingsFile)
#include "tst_settingsfile.moc"
