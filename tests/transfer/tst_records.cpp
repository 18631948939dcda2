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
#include <functional>

#include <sys/stat.h>
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
    // The unit's dump read into the editors, whole or not at all.
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("after"); // Pages::state(); the list held "1:+2700" before
        QTest::addColumn<QString>("problem");
        const auto row = [](const char *name, const QString &text, const QString &after) {
            QTest::newRow(name) << text << after + "1:+2700" << QString();
        };
        row("first piece skipped, last is the end", "SN,Front|MP,99|<END>", "99/GSM Unit//Input 1/Input 4/1/1 ");
        row("empty records, unknown tags", "x|MP,|SN,|MN,|I1,|TN,||XY,new|OP,1|MO,1|<END>", "5831////Input 4/1/1 ");
        row("no digits: no box ticked", "|OP,|MO,|<END>", "5831/GSM Unit//Input 1/Input 4/0/0 ");
        row("commas kept", "|SN,Gate, North|I4,a,b|MN,+27821|<END>", "5831/Gate, North/+27821/Input 1/a,b/1/1 ");
        row("dot ends the password", "|MP,12.34|I1,x|MP,.34|<END>", "12/GSM Unit//x/Input 4/1/1 ");
        row("nothing after the end is read", "|SN,A|<END>|SN,B|TN,1,1", "5831/A//Input 1/Input 4/1/1 ");
        QTest::newRow("second value as a number")
            << "|TN,2782,5|TN,2783,05|TN,2787|TN,2788,|TN,2789,4,13|<END>"
            << kStart + "1:+2700;5:+2782;5:+2783;4:+2787;5:+2788;4:+2789" << QString();

        // Every refused text starts with a good record: nothing of it may stick.
        const auto bad = [](const char *name, const QString &record, const QString &problem) {
            QTest::newRow(name) << "echo|SN,Changed|" + record + "|<END>" << kStart + "1:+2700" << problem;
        };
        QTest::newRow("no end") << "|SN,Changed|TN,2782,1" << kStart + "1:+2700"
                                << "the answer does not end with \"<END>\"";
        bad("a bar inside a value", "SN,North|Gate",
            "record 3 (Gate): not a settings record (a value holding \"|\" is cut in two by it)");
        bad("tab in a name", "I2,Do\tor", "record 2 (I2,Do?or): the name of input 2 holds a control character "
                                          "(character 9)");
        bad("character 1", "SN,a\x01", "record 2 (SN,a?): the system name holds a control character (character 1)");
        bad("character 127", "I4,\x7f", "record 2 (I4,?): the name of input 4 holds a control character "
                                        "(character 127)");
        bad("star", "SN,Gate*1", "record 2 (SN,Gate*1): the system name holds \"*\", which the unit cannot take");
        bad("name too long", "I3,Sixteen chars!!!", "record 2 (I3,Sixteen chars!!!): the name of input 3 is 16 "
                                                    "characters long; the unit takes at most 15");
        bad("password too long", "MP,12345",
            "record 2 (MP,12345): the password is 5 characters long; the unit takes at most 4");
        bad("21 digits", "TN,123456789012345678901,1",
            "record 2 (TN,123456789012345678901...): the number has more than 20 digits");
        bad("letter in a number", "TN,2782x,1", "record 2 (TN,2782x,1): the number holds \"x\", which is not a digit");
        bad("letter in a unit", "TN,2782,1x", "record 2 (TN,2782,1x): the unit number holds \"x\", which is not a "
                                              "digit");
        bad("output 5", "TN,2782,1,15",
            "record 2 (TN,2782,1,15): the outputs hold \"5\"; only the digits 1234 mean something");
        bad("a fifth field", "TN,2782,1,1,2", "record 2 (TN,2782,1,1,2): a number record has at most three values "
                                              "after its tag");
        bad("blank in the master number", "MN,+27 82", "record 2 (MN,+27 82): the master number holds \" \", which "
                                                       "is not a digit");
        bad("options without monitor", "OP,1", "it holds the system options (\"OP,\") but not the monitor inputs "
                                               "(\"MO,\")");
        bad("unknown option", "OP,2|MO,", "record 2 (OP,2): the system options hold \"2\"; only the digits 14 mean "
                                          "something");
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QString, after);
        QFETCH(QString, problem);
        Pages p;
        p.addRow("1", "+2700");
        settings::SettingsSet set = p.editors.store();
        const transfer::ParseResult result = transfer::parse_settings(text, set, transfer::TextKind::Dump);
        QCOMPARE(result.problem, problem);
        QVERIFY(p.editors.load(set).isEmpty());
        QCOMPARE(p.state(), after);
        // The options are known only from a text that carries them.
        QCOMPARE(set.systemOptionsKnown, !problem.isEmpty() || text.contains("|OP,"));
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
        QTest::addColumn<QString>("shown"); // the number listed before the load
        const QString one = "+1";
        QTest::newRow("empty list: no question") << QList<int>{} << "1234/Gate A//Input 1/Door/1/1 1:+27821;2:+27822"
                                                 << one;
        QTest::newRow("replace") << QList<int>{0} << "1234/Gate A//Input 1/Door/1/1 1:+27821;2:+27822" << one;
        QTest::newRow("add") << QList<int>{1} << "1234/Gate A//Input 1/Door/1/1 9:+1;1:+27821;2:+27822" << one;
        QTest::newRow("add, a number already listed") << QList<int>{1} << "1234/Gate A//Input 1/Door/1/1 9:+27822;1:+27821"
                                                      << "+27822";
        QTest::newRow("cancel") << QList<int>{2} << "5831/GSM Unit//Input 1/Input 4/0/0 9:+1" << one;
    }
    void loadIntoListAsks()
    {
        QFETCH(QList<int>, answers);
        QFETCH(QString, after);
        QFETCH(QString, shown);
        Pages p;
        p.editors.setErrorReporting(false);
        p.editors.setMonitorInput(0, false);
        if (!answers.isEmpty())
            p.addRow("9", shown);
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
        QCOMPARE(d.messages.last().text.contains("The number +27822 came twice; the list holds it once."),
                 shown != "+1");
        QCOMPARE(d.questions.size(), answers.size());
        QCOMPARE(d.fileDialogs, QStringList(4, "File Open\n" + kFilter));
    }

    // A damaged file is refused whole with its reason, in the window too, and changes nothing.
    void damagedFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("why");
        QTest::newRow("empty") << QByteArray() << "it is empty";
        QTest::newRow("not a settings file") << QByteArray("number,outputs\r\n27821,1\r\n")
                                             << "it is not a settings file";
        QTest::newRow("garbage") << QByteArray("\x7f"
                                               "ELF\x02\x01|\x00\x00|",
                                               10)
                                 << "it is not a settings file";
        QTest::newRow("no end") << QByteArray(kGateFile).replace("<END>\r\n", "")
                                << "it is incomplete: its last record is not \"<END>\"";
        QTest::newRow("a record without its bar") << QByteArray(kGateFile).replace("Gate A|", "Gate A")
                                                  << "line 2 (SN,Gate A) ends without its \"|\" before the record on "
                                                     "the next line";
        QTest::newRow("records after the end") << QByteArray(kGateFile).replace("<END>\r\n", "<END>|\r\nTN,1,1|\r\n<END>\r\n")
                                               << "record 11 (<END>): records follow the end of the file";
        QTest::newRow("a record the file does not know") << QByteArray(kGateFile).replace("OP,14", "XP,14")
                                                         << "record 3 (XP,14): not a record of a settings file";
        QTest::newRow("a bad value") << QByteArray(kGateFile).replace("TN,27822,2", "TN,27822,2\x01")
                                     << "record 10 (TN,27822,2?): the unit number holds character 1, which is not "
                                        "a digit";
        QTest::newRow("only the markers") << QByteArray("<START>|<END>\r\n") << "it holds no settings";
        QTest::newRow("over 16 MiB") << QByteArray(transfer::kMaxSettingsFileBytes + 1, '7') << "";
    }
    void damagedFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, why);
        fakes::FakeDialogs d;
        d.openAnswer = dir.filePath("damaged.gsm");
        QVERIFY(platform::writeFileAtomically(d.openAnswer, file, nullptr));
        Pages p;
        loadClick(p, d);
        QCOMPARE(p.state(), kStart);
        QCOMPARE(d.messages.size(), 1);
        const QString text = d.messages.first().text;
        if (why.isEmpty())
            QVERIFY(text.contains("is larger than 16 MiB: it was not read"));
        else
            QCOMPARE(text, "The settings file was not loaded; nothing was changed. \"" + d.openAnswer
                               + "\" cannot be used: " + why + ".");
    }

    // A file cut at any byte is refused; the whole one is read.
    void everyCutRefused()
    {
        const QString path = dir.filePath("cut.gsm");
        settings::SettingsSet start;
        start.numbers.append({"9", "+99", {}});
        for (qsizetype n = 0; n <= kGateFile.size(); ++n) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(kGateFile.left(n)) == n);
            file.close();
            settings::SettingsSet set = start;
            QString error;
            const bool read = transfer::read_settings_file(path, set, &error);
            QVERIFY2(read == (n == kGateFile.size()), qPrintable(QString::number(n) + ": " + error));
            QCOMPARE(error.isEmpty(), read);
            QCOMPARE(set.numbers.size(), read ? 3 : 1);
        }
    }

    // A new settings file is its owner's only; an existing one keeps the mode it had.
    void createdPrivate()
    {
        const QString path = dir.filePath("private.gsm");
        const auto mode = [&] {
            struct stat st {};
            return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
        };
        QVERIFY(transfer::write_settings_file(path, settings::SettingsSet{}, settings::kGate, nullptr));
        QCOMPARE(mode(), 0600);
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup));
        QVERIFY(transfer::write_settings_file(path, settings::SettingsSet{}, settings::kGate, nullptr));
        QCOMPARE(mode(), 0640);
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
        // Some room left, less than the file needs: the first write is partial and only the
        // next one is refused for want of space.
        QVERIFY(fill.resize(fill.size() - 8192));
        fill.close();

        Pages p;
        for (int i = 0; i < 1000; ++i)
            p.addRow(QString::number(i + 1), QStringLiteral("+2782%1").arg(i, 7, 10, QLatin1Char('0')));
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

    // What is not a regular file is refused at once, named, and never replaced by a save; a
    // read-only file system is named as such.
    void specialFilesRefused_data()
    {
        QTest::addColumn<QString>("kind"); // how the place is made
        QTest::addColumn<QString>("says"); // what both a read and a save say
        QTest::newRow("FIFO") << "fifo"
                              << "is a FIFO (named pipe), not a file";
        QTest::newRow("device") << "device"
                                << "is a device, not a file";
        QTest::newRow("read-only file system") << "readonly"
                                               << "read-only file system";
    }
    void specialFilesRefused()
    {
        QFETCH(QString, kind);
        QFETCH(QString, says);
        QString path = dir.filePath("fifo.gsm");
        std::function<void()> unmount = [] {};
        const auto guard = qScopeGuard([&] { unmount(); });
        if (kind == "fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (kind == "device") {
            path = "/dev/null";
        } else {
            if (geteuid() != 0)
                QSKIP("Needs root to mount a read-only tmpfs (CI runs as root).");
            const QString mountPoint = dir.filePath("ro");
            QVERIFY(QDir().mkpath(mountPoint));
            if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "ro,size=64k", "tmpfs", mountPoint}) != 0)
                QSKIP("Could not mount a tmpfs here.");
            unmount = [mountPoint] { QProcess::execute("umount", {mountPoint}); };
            path = mountPoint + "/site.gsm";
        }
        settings::SettingsSet set;
        QString error;
        if (kind != "readonly") {
            QVERIFY(!transfer::read_settings_file(path, set, &error));
            QVERIFY2(error.contains(says), qPrintable(error));
            QVERIFY(!platform::notRegularFile(path).isEmpty());
        }
        error.clear();
        QVERIFY(!transfer::write_settings_file(path, set, settings::kGate, &error));
        QVERIFY2(error.contains(says), qPrintable(error));
        QFileInfo after(path);
        QCOMPARE(after.exists(), kind != "readonly");
        QVERIFY(!after.isFile()); // nothing replaced it
    }
};

QTEST_MAIN(TstRecords)
#include "tst_records.moc"
