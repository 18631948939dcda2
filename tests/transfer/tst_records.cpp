// Settings texts read into the editors, and the settings file written and read back.
#include "mainwindow/document.h"
#include "platform/textfile.h"
#include "rig.h"
#include "settings/unitmodel.h"
#include "tests/support/fakes.h"
#include "transfer/settingsfile.h"
#include "transfer/settingsparser.h"

#include <QScopeGuard>
#include <QtTest>

#include <unistd.h>

namespace {
const QString kFilter = "Norvik GSM Files (*.gsm)|*.gsm|All Files (*.*)|*";
const QByteArray kGateFile = "<START>|MP,1234|\r\nSN,Gate A|\r\nOP,14|\r\nMO,14|\r\nI1,Input 1|\r\nI2,Input 2|\r\n"
                             "I3,Input 3|\r\nI4,Door|\r\nTN,27821,1|\r\nTN,27822,2|\r\n<END>\r\n";

// The save and load buttons, as the main window's document does them for settings just shown.
void saveClick(Pages &p, const QString &model, fakes::FakeDialogs &d)
{
    QWidget window;
    mainwindow::Document(window, p.editors, model, d, std::make_unique<fakes::FakeTimer>(), QString()).saveAs();
}
void loadClick(Pages &p, fakes::FakeDialogs &d)
{
    QWidget window;
    mainwindow::Document(window, p.editors, settings::kGate, d, std::make_unique<fakes::FakeTimer>(), QString()).open();
}
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
        row("no digits: no box ticked", "|OP,|MO,|", "5831/GSM Unit//Input 1/Input 4/0/0 ");
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

    // What a save writes, that a fresh window reads it all back (a second save is byte-identical),
    // and that a file of the earlier layout (no master number, no marks) still reads as before.
    void fileRoundTrip_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QByteArray>("file");
        const QByteArray file = QByteArray(kGateFile).replace("OP,14", "OP,1");
        QTest::newRow("gate") << settings::kGate << QByteArray(file).replace("I4,Door|\r\n", "I4,Door|\r\nMN,+27829|\r\n").replace("TN,27821,1|", "TN,27821,1,14|").replace("TN,27822,2|", "TN,27822,2,|");
        QTest::newRow("intercom") << settings::kIntercom
                                  << QByteArray(file).replace("I4,Door|\r\n", "I4,Door|\r\nMN,+27829|\r\n");
    }
    void fileRoundTrip()
    {
        QFETCH(QString, model);
        QFETCH(QByteArray, file);
        Pages p;
        p.editors.setPassword("1234");
        p.editors.setSystemName("Gate A");
        p.editors.setInputName(3, "Door");
        p.editors.setMasterNumber("+27829");
        p.editors.setOutputConfirmation(false);
        p.editors.setMonitorInput(1, false);
        p.editors.setMonitorInput(3, false);
        p.addRow("1", "+27821", {"*", "", "", "x"});
        p.addRow("2", "27+822");
        fakes::FakeDialogs d;
        saveClick(p, model, d); // cancelled
        d.saveAnswer = dir.filePath("no such folder/x.gsm");
        saveClick(p, model, d);
        d.saveAnswer = dir.filePath(model + ".gsm");
        saveClick(p, model, d);
        QByteArray saved;
        QVERIFY(platform::readFile(d.saveAnswer, &saved, nullptr));
        QCOMPARE(saved, file);
        QCOMPARE(d.fileDialogs, QStringList(3, "Save File\n" + kFilter));
        QCOMPARE(d.messageTexts(), QStringList{"The settings were not saved; any earlier file of that name is unchanged. "
                                               "Could not create \""
                                               + dir.filePath("no such folder/x.gsm")
                                               + "\": no such file or folder. Check the name and the folder."});

        Pages fresh;
        d.openAnswer = d.saveAnswer;
        loadClick(fresh, d);
        settings::SettingsSet expected = p.editors.store();
        expected.numbers[1].number = "+27822"; // the "+" goes in front
        if (model == settings::kGate)          // intercom rows carry no marks
            QVERIFY(fresh.editors.store() == expected);
        d.saveAnswer += "2";
        saveClick(fresh, model, d);
        QByteArray again;
        QVERIFY(platform::readFile(d.saveAnswer, &again, nullptr));
        QCOMPARE(again, saved);

        // The earlier layout gives what it gave before, and the same as the new one where both
        // say something: a reader that knows two "TN," fields loses nothing of what it read.
        Pages old;
        old.editors.setMasterNumber("+kept");
        QVERIFY(platform::writeFileAtomically(d.openAnswer, kGateFile, nullptr));
        loadClick(old, d);
        QCOMPARE(old.state(), "1234/Gate A/+kept/Input 1/Door/1/1 1:+27821;2:+27822");
        QCOMPARE(old.rows(), fresh.rows());
        QCOMPARE(d.messages.size(), 1);
    }

    void loadIntoListAsks_data()
    {
        QTest::addColumn<QList<int>>("answers"); // replace, add, cancel: as the buttons stand
        QTest::addColumn<QString>("after");
        QTest::newRow("empty list: no question") << QList<int>{} << "1234/Gate A//Input 1/Door/1/1 1:+27821;2:+27822";
        QTest::newRow("replace") << QList<int>{0} << "1234/Gate A//Input 1/Door/1/1 1:+27821;2:+27822";
        QTest::newRow("add") << QList<int>{1} << "1234/Gate A//Input 1/Door/1/1 9:+1;1:+27821;2:+27822";
        QTest::newRow("cancel") << QList<int>{2} << "5831/GSM Unit//Input 1/Input 4/0/0 9:+1";
    }
    void loadIntoListAsks()
    {
        QFETCH(QList<int>, answers);
        QFETCH(QString, after);
        Pages p;
        p.editors.setErrorReporting(false);
        p.editors.setMonitorInput(0, false);
        if (!answers.isEmpty())
            p.addRow("9", "+1");
        fakes::FakeDialogs d;
        d.choices = answers;
        for (const QString name : {"", "*.csv", "missing.gsm"}) { // "*.csv" counts as cancel
            d.openAnswer = name.endsWith(".gsm") ? dir.filePath(name) : name;
            loadClick(p, d);
        }
        QCOMPARE(d.messages.size(), 1);
        QVERIFY(d.messages.first().text.contains("missing.gsm\": no such file or folder"));

        d.openAnswer = dir.filePath("split.gsm"); // line breaks carry no meaning, even inside a record
        const QByteArray split = QByteArray(kGateFile).replace("te A", "\r\nte A").replace("TN,", "T\rN,");
        QVERIFY(platform::writeFileAtomically(d.openAnswer, split, nullptr));
        loadClick(p, d);
        QCOMPARE(p.state(), after);
        QCOMPARE(d.questions.size(), answers.size());
        QCOMPARE(d.fileDialogs, QStringList(4, "File Open\n" + kFilter));
    }

    // Too big a file is refused whole; a value over the limit is cut, and both are told.
    void oversizedFiles()
    {
        fakes::FakeDialogs d;
        d.openAnswer = dir.filePath("big.gsm");
        QByteArray big = "<START>|SN," + QByteArray(transfer::kMaxFileValueLength + 1, 'n') + "|TN,"
                         + QByteArray(transfer::kMaxFileValueLength + 5, '7') + ",1|<END>";
        QVERIFY(platform::writeFileAtomically(d.openAnswer, big, nullptr));
        Pages p;
        loadClick(p, d);
        QCOMPARE(p.editors.systemName().size(), transfer::kMaxFileValueLength);
        QCOMPARE(p.grid.textMatrix(1, 1).size(), transfer::kMaxFileValueLength);
        QCOMPARE(d.messageTexts().join("").section('\n', 0, 0),
                 "Some values in the file are longer than 4096 characters and were cut to that length: System name, "
                 "number 1 of the file");

        big.resize(transfer::kMaxSettingsFileBytes + 1, '7');
        QVERIFY(platform::writeFileAtomically(d.openAnswer, big, nullptr));
        Pages q;
        loadClick(q, d);
        QCOMPARE(q.state(), kStart);
        QVERIFY(d.messages.last().text.contains("is larger than 16 MiB: it was not read"));
    }

    // A full disk: the save fails with one message and the old file keeps every byte.
    void fullDiskKeepsOldFile()
    {
        if (geteuid() != 0)
            QSKIP("Needs root to mount a small tmpfs (CI runs as root).");
        const QString mountPoint = dir.filePath("full");
        QVERIFY(QDir().mkpath(mountPoint));
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", mountPoint}) != 0)
            QSKIP("Could not mount a tmpfs here.");
        const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {mountPoint}); });
        const QString path = mountPoint + "/site.gsm";
        QVERIFY(platform::writeFileAtomically(path, kGateFile, nullptr));
        QFile fill(mountPoint + "/fill");
        QVERIFY(fill.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (fill.write(QByteArray(4096, 'x')) > 0) {
        }
        fill.close();

        Pages p;
        p.addRow("1", "+27821");
        fakes::FakeDialogs d;
        d.saveAnswer = path;
        saveClick(p, settings::kGate, d);
        QByteArray now;
        QVERIFY(platform::readFile(path, &now, nullptr));
        QCOMPARE(now, kGateFile);
        QCOMPARE(d.messageTexts(), QStringList{"The settings were not saved; any earlier file of that name is "
                                               "unchanged. Could not write \""
                                               + path + "\": no space left on the "
                                                        "device. Free some space or choose another place."});
    }
};

QTEST_MAIN(TstRecords)
#include "tst_records.moc"
