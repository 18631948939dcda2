// The command-line program as a script runs it: the real binary, without a display, against
// the simulated unit on a pseudo-terminal that this test drives.
#include "mainwindow/frmmain.h"
#include "platform/portcatalogue.h"
#include "settings/settingseditors.h"
#include "settings/settingsset.h"
#include "settings/systemparameterspage.h"
#include "tests/support/fakes.h"
#include "transfer/settingsfile.h"
#include "unitsim/ptyunit.h"

#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Run {
    int code = -1;
    QStringList errLines;
    QJsonObject json;
};

const QString kGateSite = QStringLiteral("<START>|MP,5831|\r\nSN,North Gate|\r\nOP,14|\r\nMO,12|\r\nI1,Door|\r\n"
                                         "I2,Beam|\r\nI3,Loop|\r\nI4,Spare|\r\nMN,+27825550000|\r\nTN,27821234567,1,13|\r\n"
                                         "TN,27829876543,2,2|\r\nTN,27823334444,3,1234|\r\n<END>\r\n");
const QString kIntercomSite = QStringLiteral("<START>|MP,5831|\r\nSN,Block B|\r\nOP,|\r\nMO,|\r\nI1,a|\r\nI2,b|\r\n"
                                             "I3,c|\r\nI4,d|\r\nTN,27821234567,12|\r\nTN,27829876543,7|\r\n<END>\r\n");

settings::SettingsSet parsed(const QString &path)
{
    settings::SettingsSet set;
    transfer::read_settings_file(path, set, nullptr);
    return set;
}

// A unit that keeps every byte it receives and accepts every command, on a pseudo-terminal.
class RawUnit {
public:
    RawUnit()
    {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
            qFatal("no pseudo-terminal");
        path_ = QString::fromLocal8Bit(::ptsname(master_));
        slave_ = ::open(::ptsname(master_), O_RDWR | O_NOCTTY); // reading the master fails while no one holds it
        notifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
            char buf[4096];
            for (ssize_t n; (n = ::read(master_, buf, sizeof buf)) > 0;)
                for (ssize_t i = 0; i < n; ++i) {
                    received += buf[i];
                    // Each command is framed by two stars: the second closes it.
                    if (buf[i] == '*' && ++stars_ % 2 == 0 && ::write(master_, "OK (12)\r\n", 9) != 9)
                        qWarning("answer not written");
                }
        });
    }
    ~RawUnit()
    {
        notifier_.reset();
        ::close(slave_);
        ::close(master_);
    }
    QString path() const { return path_; }
    QByteArray received;

private:
    int master_ = -1, slave_ = -1, stars_ = 0;
    QString path_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

// What the window writes for the settings of `path` with its boxes set as given, every
// command acknowledged at once.
QByteArray windowWrites(const QString &path, const QString &model, bool system, bool numbers)
{
    fakes::FakeSerialPort port;
    fakes::FakeDialogs dialogs;
    platform::PortCatalogue catalogue({}, "/dev/unit", nullptr);
    mainwindow::Platform p{&port, &dialogs, [] { return std::make_unique<fakes::FakeTimer>(); }, &catalogue, {}, nullptr};
    const bool gate = model == "gate";
    mainwindow::FrmMain main(p, {model, gate ? QVector<qint16>{0, 1, 3, 4} : QVector<qint16>{0, 1, 4},
                                 catalogue.entries().value(0)});
    main.runit();
    main.editors().load(parsed(path));
    main.frame0()->chksys()->setChecked(system);
    main.frame0()->chktel()->setChecked(numbers);
    main.frame0()->chkVerify()->setChecked(false);
    main.findChild<QPushButton *>("cmdUpload")->click();
    for (qsizetype answered = 0; answered < port.writes.size(); ++answered)
        port.feedNow("OK (12)\r\n");
    return port.writes.join();
}

} // namespace

class TstCli : public QObject {
    Q_OBJECT

    std::unique_ptr<unitsim::PtyUnit> unit;
    std::unique_ptr<QTemporaryDir> scratch; // fresh for every test
    QStringList received;

    QString file(const QString &name, const QString &text)
    {
        QFile f(scratch->filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(text.toLatin1()) != text.size())
            qFatal("cannot write %s", qPrintable(f.fileName()));
        return f.fileName();
    }

    // Runs the program to its end while this event loop plays the unit. `whenSent` runs on
    // each command the unit receives, with the process at hand.
    Run run(const QStringList &args, const std::function<void(QProcess &, int)> &whenSent = {},
            const QString &passwordVariable = {})
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "NORVIKCONF_PASSWORD"})
            env.remove(QString::fromLatin1(name));
        if (!passwordVariable.isEmpty())
            env.insert("NORVIKCONF_PASSWORD", passwordVariable);
        p.setProcessEnvironment(env);
        QMetaObject::Connection hook;
        if (whenSent)
            hook = connect(unit.get(), &unitsim::PtyUnit::commandReceived, &p,
                           [&] { whenSent(p, int(received.size())); });
        QSignalSpy done(&p, &QProcess::finished);
        p.start(QStringLiteral(NORVIKCONF_CLI), args);
        if (!done.wait(60000))
            p.kill();
        disconnect(hook);
        Run r;
        r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.errLines = QString::fromLocal8Bit(p.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
        r.json = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
        return r;
    }

private slots:
    void init()
    {
        received.clear();
        scratch = std::make_unique<QTemporaryDir>();
        unit = std::make_unique<unitsim::PtyUnit>();
        QVERIFY(unit->start());
        connect(unit.get(), &unitsim::PtyUnit::commandReceived, this, [this](const QString &c) { received << c; });
    }
    void cleanup() { unit.reset(); }

    // report writes the access list without a display; an existing PDF is kept without --force,
    // and files it cannot read or write end with 7, nothing asked of any unit.
    void report()
    {
        const QString site = file("oak.gsm", kGateSite);
        const QString pdf = scratch->filePath("oak.pdf");
        QCOMPARE(run({"report", site, "--pdf", pdf}).code, 0);
        QProcess text;
        text.start("pdftotext", {pdf, "-"});
        QVERIFY(text.waitForFinished(60000));
        const QString got = QString::fromUtf8(text.readAllStandardOutput());
        if (text.exitCode() == 0) { // poppler-utils installed
            QVERIFY(got.contains("Page 1 of") && got.contains("North Gate") && got.contains("oak.gsm"));
            for (const char *number : {"+27821234567", "+27829876543", "+27823334444"})
                QCOMPARE(got.count(number), 1);
        }
        QFile::resize(pdf, 3); // stands for a PDF worth keeping
        const Run kept = run({"report", site, "--pdf", pdf});
        QCOMPARE(kept.code, 7);
        QVERIFY(kept.errLines.join('\n').contains("--force"));
        QCOMPARE(QFileInfo(pdf).size(), 3);
        QCOMPARE(run({"report", site, "--pdf", pdf, "--force"}).code, 0);
        QVERIFY(QFileInfo(pdf).size() > 1000);
        QCOMPARE(run({"report", scratch->filePath("none.gsm"), "--pdf", scratch->filePath("n.pdf")}).code, 7);
        QCOMPARE(run({"report", site, "--pdf", scratch->filePath("no/such/folder.pdf")}).code, 7);
        QCOMPARE(run({"report", site}).code, 1);
        QVERIFY(received.isEmpty());
    }

    // Upload and download against a unit of each model: the file read back holds what was
    // sent, and --json says what happened.
    void roundTrip_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("site");
        QTest::addColumn<int>("commands");
        QTest::newRow("gate") << "gate" << kGateSite << 14;
        QTest::newRow("intercom") << "intercom" << kIntercomSite << 6;
    }
    void roundTrip()
    {
        QFETCH(QString, model);
        QFETCH(QString, site);
        QFETCH(int, commands);
        unit->protocol().setModel(model == "gate" ? unitsim::Model::Gate : unitsim::Model::Intercom);
        const QString sent = file("site.gsm", site);
        const QStringList where{"--port", unit->devicePath(), "--model", model};

        // The unit starts with another password: the file's own replaces it on the way.
        unit->protocol().state().password = "1111";
        Run r = run(QStringList{"upload", sent, "--system-parameters", "--verify", "--json", "--password-file", file("secret", "1111\n")} + where);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.json.value("commands").toInt(), commands);
        QCOMPARE(r.json.value("acknowledged").toInt(), commands);
        const QJsonArray codes = r.json.value("codes").toArray();
        QVERIFY(!codes.isEmpty());
        for (const QJsonValue c : codes) // every code the unit gave, with what it means to the program
            QCOMPARE(c["meaning"].toString(), "accepted");
        QVERIFY(r.json.value("matches").toInt() > 0);
        QVERIFY(r.json.value("differences").toArray().isEmpty());
        QCOMPARE(received.size(), commands + 1); // and the request for the dump
        QVERIFY2(r.errLines.at(commands - 1).startsWith(QString("upload: %1/%1 TEL ADDN ").arg(commands)), qPrintable(r.errLines.at(commands - 1)));
        QVERIFY(r.errLines.contains(QString("verify: Verified: all %1 settings match.").arg(r.json.value("matches").toInt())));

        // A file that exists is replaced only when asked, and then whole.
        const QString back = file("back.gsm", kIntercomSite);
        r = run(QStringList{"download", back} + where);
        QCOMPARE(r.code, 7);
        QVERIFY2(r.errLines.last().contains("already exists"), qPrintable(r.errLines.join('\n')));
        QFile kept(back);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), kIntercomSite.toLatin1());
        QCOMPARE(run(QStringList{"download", back, "--force"} + where).code, 0);
        const settings::SettingsSet want = parsed(sent), got = parsed(back);
        QCOMPARE(got.password, want.password);
        QCOMPARE(got.systemName, want.systemName);
        QCOMPARE(got.numbers, want.numbers);
        QCOMPARE(got.masterNumber, want.masterNumber);
        if (model == "gate")
            QCOMPARE(got.inputNames, want.inputNames);
    }

    // Each way a run can go wrong ends with its own exit code and a line that says so; a run
    // refused before it reaches the unit sends nothing.
    void failures_data()
    {
        QTest::addColumn<QString>("unitCase");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("says");
        const QStringList upload{"upload", "site.gsm", "--model", "gate", "--port", "PTY", "--system-parameters"};
        const auto with = [&upload](const char *file) { return QStringList(upload).replaceInStrings("site.gsm", file); };
        QTest::newRow("wrong password") << "password" << upload << 3 << "upload: Incorrect GSM unit password";
        QTest::newRow("silent unit") << "silent" << upload + QStringList{"--timeout", "1"}
                                     << 5 << "did not answer \"System password\" (command 1 of 14) within 1 s";
        QTest::newRow("refused") << "refuse" << upload << 4 << "upload: The unit refused \"System name\" (code 11";
        QTest::newRow("refused number") << "refuseNumber" << upload << 4 << "The unit's number list was cleared by this upload and is now empty";
        QTest::newRow("dropped number") << "drop" << upload + QStringList{"--verify"} << 6
                                        << "verify: Number 2: \"+27829876543\" was sent but is not in the unit's list";
        QTest::newRow("silent download") << "silent" << QStringList{"download", "back.gsm", "--model", "intercom", "--port", "PTY", "--timeout", "1"}
                                         << 5 << "download: The unit did not answer the request for its settings";
        QTest::newRow("unplugged") << "unplug" << upload << 2 << "at command 5 of 14; 4 of 14 commands acknowledged";
        QTest::newRow("no port") << "" << upload.mid(0, 5) + QStringList{"/dev/nonexistent"}
                                 << 2 << "The port cannot be opened: 1:No such file or directory";
        QTest::newRow("not a settings file") << "" << with("junk.txt") << 7 << "is not a settings file";
        QTest::newRow("cut short") << "" << with("cut.gsm") << 7 << "cannot be used: it is incomplete";
        QTest::newRow("unsendable value") << "" << with("star.gsm") << 7
                                          << "(SN,Gate*1): the system name holds \"*\", which the unit cannot take.";
        QTest::newRow("no file") << "" << with("missing.gsm") << 7 << "Could not open";
        QTest::newRow("a FIFO") << "" << with("fifo.gsm") + QStringList{"--dry-run"} << 7 << "is a FIFO (named pipe), not a file";
        QTest::newRow("a device") << "" << QStringList(upload).replaceInStrings("site.gsm", "/dev/null") << 7
                                  << "is a device, not a file";
        QTest::newRow("no model") << "" << upload.mid(0, 2) + upload.mid(4) << 1 << "upload needs --model";
        QTest::newRow("bad output") << "" << QStringList{"output", "5", "on", "--port", "sim"}
                                    << 1 << "the output is a number from 1 to 4";
    }
    void failures()
    {
        QFETCH(QString, unitCase);
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, says);
        file("site.gsm", kGateSite);
        file("junk.txt", "hello\r\n");
        file("cut.gsm", kGateSite.left(120));
        QCOMPARE(::mkfifo(QFile::encodeName(scratch->filePath("fifo.gsm")).constData(), 0600), 0);
        file("star.gsm", QString(kGateSite).replace("North Gate", "Gate*1"));
        for (QString &a : args)
            a = a == "PTY" ? unit->devicePath() : a.endsWith(".gsm") || a.endsWith(".txt") ? scratch->filePath(a)
                                                                                           : a;
        if (unitCase == "password")
            unit->protocol().state().password = "1111";
        unit->behaviour().silent = unitCase == "silent";
        if (unitCase == "refuse")
            unit->protocol().refuse("SYS NAME", 11);
        if (unitCase == "refuseNumber")
            unit->protocol().refuse("TEL ADDN", 25);
        if (unitCase == "drop")
            unit->protocol().dumpFaults().dropNumber = 1;

        const Run r = run(args, [&](QProcess &, int count) {
            if (unitCase == "unplug" && count == 5)
                unit->unplug();
        });
        QCOMPARE(r.code, code);
        QVERIFY2(!r.errLines.filter(says).isEmpty(), qPrintable(r.errLines.join('\n')));
        if (code == 3 || code == 7)
            QCOMPARE(r.errLines.size(), 1);
        if (code == 1 || code == 7)
            QVERIFY(received.isEmpty());
        QVERIFY(!QFile::exists(scratch->filePath("back.gsm"))); // no half-read download left behind
    }

    // The password from each place it may come from; --password works but warns that it is public.
    void passwordWays_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("variable");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("says");
        const QStringList option{"--password", "1111"};
        const QStringList fromFile{"--password-file", "SECRET"};
        QTest::newRow("environment") << QStringList() << "1111" << 0 << "output: ";
        QTest::newRow("file, before the environment") << fromFile << "2222" << 0 << "output: ";
        QTest::newRow("option, with a warning") << option << "" << 0
                                                << "warning: --password can be read by every user";
        QTest::newRow("none: the start password") << QStringList() << "" << 3 << "Incorrect GSM unit password";
        QTest::newRow("two ways") << option + fromFile << "" << 1 << "give the password one way only";
        QTest::newRow("too long") << QStringList() << "11111" << 1
                                  << "the password is 5 characters long; the unit takes at most 4";
        QTest::newRow("refused character") << QStringList() << "1*1" << 1
                                           << "the password holds \"*\", which the unit cannot take";
    }
    void passwordWays()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, variable);
        QFETCH(int, code);
        QFETCH(QString, says);
        unit->protocol().state().password = "1111";
        args.replaceInStrings("SECRET", file("secret", "1111\r\n"));
        const Run r = run(QStringList{"output", "2", "on", "--port", unit->devicePath()} + args, {}, variable);
        QCOMPARE(r.code, code);
        QVERIFY2(!r.errLines.filter(says).isEmpty(), qPrintable(r.errLines.join('\n')));
        QCOMPARE(unit->protocol().state().outputs[1], code == 0);
        if (code == 1)
            QVERIFY(received.isEmpty());
    }

    // A backup of the unit, sent back, changes nothing on it: options and monitor inputs the
    // dump does not report are left alone, unlike the start values.
    void backupSentBackChangesNothing()
    {
        const QStringList where{"--port", unit->devicePath(), "--model", "gate"};
        const QStringList upload = QStringList{"upload", file("site.gsm", kGateSite), "--system-parameters", "--verify"} + where;
        QCOMPARE(run(upload).code, 0);
        unitsim::UnitState &state = unit->protocol().state();
        state.errorReporting = false;
        state.outputConfirmation = true;
        state.monitorDigits = "8";
        const QByteArray dump = unit->protocol().dump();
        const QString backup = scratch->filePath("backup.gsm");
        QCOMPARE(run(QStringList{"download", backup} + where).code, 0);
        QFile saved(backup);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray text = saved.readAll();
        QVERIFY2(!text.contains("OP,") && !text.contains("MO,"), text.constData());
        QCOMPARE(saved.permissions() & 0x0077, QFileDevice::Permissions()); // nobody else's
        received.clear();
        const Run r = run(QStringList(upload).replaceInStrings(scratch->filePath("site.gsm"), backup));
        QCOMPARE(r.code, 0);
        QVERIFY(r.errLines.contains("upload: the file holds no system options; the unit keeps its own"));
        QVERIFY(received.filter(QRegularExpression("^SYS (EREP|OCNF|MONI)")).isEmpty());
        QVERIFY(!state.errorReporting && state.outputConfirmation && state.monitorDigits == "8");
        QCOMPARE(unit->protocol().dump(), dump);
    }

    // The gate's password is a secret: neither the lines nor the JSON carry it, even when the
    // unit refuses the command that sets it.
    void passwordNeverShown()
    {
        const QString sent = file("site.gsm", QString(kGateSite).replace("MP,5831", "MP,G471"));
        const QStringList args{"upload", sent, "--port", unit->devicePath(), "--model", "gate", "--json"};
        Run ok = run(args, {}, "5831");
        QCOMPARE(ok.code, 0);
        QCOMPARE(ok.errLines.first(), "upload: 1/7 SYS PASS ****");
        unit->protocol().refuse("SYS PASS", 11);
        Run refused = run(args, {}, "G471");
        QCOMPARE(refused.code, 4);
        const QJsonObject r = refused.json.value("refused").toObject();
        QCOMPARE(r.value("command").toString(), "SYS PASS ****");
        QCOMPARE(r.value("codes").toArray().first()["code"].toInt(), 11);
        // A file whose password differs from the unit's: only that it differs is told.
        unit->protocol().refuse(QString(), 0);
        Run differs = run({"verify", file("other.gsm", QString(kGateSite).replace("MP,5831", "MP,7777")), "--port",
                           unit->devicePath(), "--model", "gate", "--json"},
                          {}, "G471");
        QCOMPARE(differs.code, 6);
        QVERIFY2(differs.errLines.contains("verify: System password: differs from the one sent"),
                 qPrintable(differs.errLines.join('\n')));
        QCOMPARE(differs.json.value("differences").toArray().first()["sent"].toString(), "****");
        for (const Run &run : {ok, refused, differs}) {
            const QString all = run.errLines.join('\n') + QJsonDocument(run.json).toJson();
            QVERIFY2(!all.contains("G471") && !all.contains("5831") && !all.contains("7777"), qPrintable(all));
        }
    }

    // One file and the same choices give the same bytes on the wire from the window and from
    // the command line.
    void sameBytesAsTheWindow_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("site");
        QTest::addColumn<QStringList>("options");
        QTest::newRow("gate") << "gate" << kGateSite << QStringList();
        QTest::newRow("gate, no numbers") << "gate" << kGateSite << QStringList{"--system-parameters", "--no-numbers"};
        QTest::newRow("intercom") << "intercom" << kIntercomSite << QStringList{"--system-parameters"};
    }
    void sameBytesAsTheWindow()
    {
        QFETCH(QString, model);
        QFETCH(QString, site);
        QFETCH(QStringList, options);
        const QString path = file("site.gsm", site);
        RawUnit raw;
        QCOMPARE(run(QStringList{"upload", path, "--port", raw.path(), "--model", model} + options).code, 0);
        const QByteArray window = windowWrites(path, model, options.contains("--system-parameters"), !options.contains("--no-numbers"));
        QVERIFY(window.count('*') >= 4);
        QCOMPARE(raw.received, window);
    }

    // sync reads what the unit holds and sends only the new numbers; --since takes the
    // operator's word for it; --dry-run sends nothing.
    void syncSendsOnlyWhatChanged()
    {
        const QString site = file("site.gsm", kGateSite);
        const QString grown = file("grown.gsm", QString(kGateSite).replace("<END>", "TN,27820000001,4,1|\r\nTN,27820000002,5,2|\r\n<END>"));
        const QStringList where{"--port", unit->devicePath(), "--model", "gate", "--json"};
        QCOMPARE(run(QStringList{"upload", site} + where).code, 0);
        const QJsonArray added{"TEL ADDN 27820000001,1", "TEL ADDN 27820000002,2"};

        received.clear();
        Run r = run(QStringList{"sync", grown, "--dry-run"} + where);
        QCOMPARE(r.code, 0);
        QCOMPARE(received, QStringList{"SYS SPEW"});
        QJsonObject plan = r.json.value("plan").toObject();
        QCOMPARE(plan.value("kind").toString(), "shortest");
        QCOMPARE(plan.value("commands").toArray(), added);
        QCOMPARE(plan.value("summary").toString(), "Send 2 commands: 2 new numbers (about 0.1 s)");

        received.clear();
        r = run(QStringList{"sync", grown} + where);
        QCOMPARE(r.code, 0);
        QCOMPARE(received.filter("TEL "), QStringList({"TEL ADDN 27820000001,1", "TEL ADDN 27820000002,2"}));
        QCOMPARE(r.json.value("sent").toArray(), added);
        QVERIFY2(r.errLines.last().startsWith("verify: Verified: all"), qPrintable(r.errLines.join('\n')));
        QCOMPARE(unit->protocol().state().numbers.size(), 5);

        // No port is needed to plan from the operator's word; a removal makes it a full upload.
        r = run({"upload", site, "--since", grown, "--dry-run", "--model", "gate", "--json"});
        QCOMPARE(r.code, 0);
        plan = r.json.value("plan").toObject();
        QCOMPARE(plan.value("kind").toString(), "full");
        QVERIFY2(plan.value("reason").toString().startsWith("2 numbers were removed; the unit has no command"),
                 qPrintable(plan.value("reason").toString()));
        QCOMPARE(plan.value("commands").toArray().size(), 7);
    }

    // diff: 0 the same, 6 different (rows and counts in --json), the README's codes for errors.
    void diffExitCodes_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("rows"); // kind:what of the JSON rows
        QTest::newRow("same files") << QStringList{"diff", "site.gsm", "copy.gsm"} << 0 << QStringList{};
        QTest::newRow("files differ") << QStringList{"diff", "site.gsm", "oak.gsm"} << 6
                                      << QStringList{"setting:System name", "added:+27820000001", "removed:+27823334444"};
        QTest::newRow("file against the unit") << QStringList{"diff", "oak.gsm", "unit", "--port", "PTY"} << 6
                                               << QStringList{"setting:System name", "added:+27823334444",
                                                              "removed:+27820000001"};
        QTest::newRow("unit against its own file") << QStringList{"diff", "unit", "site.gsm", "--port", "PTY"} << 0
                                                   << QStringList{};
        QTest::newRow("missing file") << QStringList{"diff", "site.gsm", "missing.gsm"} << 7 << QStringList{};
        QTest::newRow("one side") << QStringList{"diff", "site.gsm"} << 1 << QStringList{};
        QTest::newRow("unit without a port") << QStringList{"diff", "site.gsm", "unit"} << 1 << QStringList{};
        QTest::newRow("no register of sites") << QStringList{"diff", "site.gsm", "site:OAK"} << 1 << QStringList{};
    }
    void diffExitCodes()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QStringList, rows);
        file("site.gsm", kGateSite);
        file("copy.gsm", kGateSite);
        file("oak.gsm", QString(kGateSite).replace("North Gate", "OAK RIDGE").replace("TN,27823334444,3,1234|", "TN,27820000001,3,1|"));
        // The unit holds site.gsm.
        const QStringList where{"--port", unit->devicePath(), "--model", "gate"};
        QCOMPARE(run(QStringList{"upload", scratch->filePath("site.gsm"), "--system-parameters"} + where).code, 0);
        received.clear();
        for (QString &a : args)
            a = a == "PTY" ? unit->devicePath() : a.endsWith(".gsm") ? scratch->filePath(a)
                                                                     : a;
        const Run r = run(args + QStringList{"--model", "gate", "--json"});
        QCOMPARE(r.code, code);
        QCOMPARE(r.json.value("exitCode").toInt(), code);
        QStringList got;
        for (const QJsonValue row : r.json.value("rows").toArray())
            got << row["kind"].toString() + ":" + row["what"].toString();
        QCOMPARE(got, rows);
        if (code == 6)
            QCOMPARE(r.json.value("counts").toObject().value("added").toInt() + r.json.value("counts").toObject().value("removed").toInt(),
                     int(rows.size()) - 1);
        QVERIFY(received.filter("TEL").isEmpty() && received.filter("SYS NAME").isEmpty()); // a diff only reads
    }

    // After a read, a file for another site is refused with 8 and nothing follows the read;
    // --force sends it; the unit's own site goes as usual.
    void wrongUnitGuard_data()
    {
        QTest::addColumn<QString>("unitName");
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<int>("code");
        QTest::newRow("matching") << "North Gate" << QStringList{} << 0;
        QTest::newRow("another site") << "BIRCH GATE" << QStringList{} << 8;
        QTest::newRow("another site, forced") << "BIRCH GATE" << QStringList{"--force"} << 0;
    }
    void wrongUnitGuard()
    {
        QFETCH(QString, unitName);
        QFETCH(QStringList, extra);
        QFETCH(int, code);
        unit->protocol().state().systemName = unitName;
        unit->protocol().state().masterNumber = "+27825550000";
        unit->protocol().state().numbers = unitsim::sampleNumbers(3); // none of the file's: the list is cleared
        const QString site = file("site.gsm", kGateSite);
        const Run r = run(QStringList{"sync", site, "--port", unit->devicePath(), "--model", "gate"} + extra);
        QCOMPARE(r.code, code);
        if (code == 8) {
            QCOMPARE(received, QStringList{"SYS SPEW"});
            QVERIFY2(!r.errLines.filter("BIRCH GATE").filter("North Gate").isEmpty(), qPrintable(r.errLines.join('\n')));
        } else {
            QVERIFY(received.contains("TEL CLRN"));
        }
    }

    // --only settings sends nothing of the list; --only numbers no "SYS" command, and the
    // unit keeps its password.
    void uploadOnly_data()
    {
        QTest::addColumn<QString>("part");
        QTest::addColumn<QString>("absent");
        QTest::addColumn<int>("sent");
        QTest::newRow("settings") << "settings"
                                  << "^TEL " << 2;
        QTest::newRow("numbers") << "numbers"
                                 << "^SYS (?!SPEW)" << 5; // the read-back's request aside
    }
    void uploadOnly()
    {
        QFETCH(QString, part);
        QFETCH(QString, absent);
        QFETCH(int, sent);
        unit->protocol().state().password = "1111";
        const QString site = file("site.gsm", QString(kGateSite).replace("MP,5831", "MP,2222"));
        const Run r = run({"upload", site, "--only", part, "--verify", "--password", "1111", "--port", unit->devicePath(),
                           "--model", "gate"});
        QCOMPARE(r.code, 0);
        QCOMPARE(received.filter(QRegularExpression(absent)).size(), 0);
        QCOMPARE(received.size(), sent + 1); // and the read-back
        QCOMPARE(unit->protocol().state().password, part == "numbers" ? "1111" : "2222");
    }

    // The dry run and the real upload apply the one limit of an upload, whatever the plan
    // would send, and say how many numbers to remove.
    void oneLimitForDryRunAndUpload_data()
    {
        QTest::addColumn<int>("numbers");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("says");
        QTest::newRow("996") << 996 << 0 << "";
        QTest::newRow("997") << 997 << 7 << "Remove 1 number from the telephone list.";
        QTest::newRow("1000") << 1000 << 7 << "Remove 4 numbers from the telephone list.";
    }
    void oneLimitForDryRunAndUpload()
    {
        QFETCH(int, numbers);
        QFETCH(int, code);
        QFETCH(QString, says);
        const auto site = [this](int n) {
            QString text = "<START>|MP,5831|\r\nSN,GSM Unit|\r\nMN,|\r\n";
            for (int i = 0; i < n; ++i)
                text += QString("TN,2782%1,%2,1|\r\n").arg(i, 7, 10, QLatin1Char('0')).arg(i + 1);
            return file(QString("site%1.gsm").arg(n), text + "<END>\r\n");
        };
        unit->protocol().state().numbers = unitsim::sampleNumbers(numbers - 1);
        const QStringList args{"upload", site(numbers), "--since", site(numbers - 1), "--model", "gate"};
        const Run dry = run(args + QStringList{"--dry-run"});
        const Run real = run(args + QStringList{"--port", unit->devicePath()});
        QCOMPARE(dry.code, code);
        QCOMPARE(real.code, code);
        if (code != 0) {
            QVERIFY2(dry.errLines.last().contains(says) && real.errLines.last().contains(says), qPrintable(real.errLines.last()));
            QVERIFY(received.isEmpty());
            return;
        }
        // One new number, then the read-back that a plan shorter than the whole sequence ends with.
        QCOMPARE(received.size(), 2);
        QCOMPARE(received.last(), "SYS SPEW");
        QCOMPARE(unit->protocol().state().numbers.size(), numbers);
    }

    // Ctrl-C mid-upload: the command in flight is answered, nothing is sent after it, and the
    // program says how far it got.
    void interrupt()
    {
        unit->behaviour().splitReplies = 2; // slow replies: the signal lands while one is awaited
        unit->behaviour().pauseMs = 100;
        const QString sent = file("site.gsm", kGateSite);
        const Run r = run({"upload", sent, "--port", unit->devicePath(), "--model", "gate", "--system-parameters", "--json"},
                          [](QProcess &p, int count) {
                              if (count == 3)
                                  ::kill(pid_t(p.processId()), SIGINT);
                          });
        QCOMPARE(r.code, 130);
        const int acknowledged = r.json.value("acknowledged").toInt();
        QVERIFY2(acknowledged >= 3 && acknowledged < 14, qPrintable(r.errLines.join('\n')));
        QCOMPARE(received.size(), acknowledged);
        QVERIFY(r.errLines.last().contains(QString("%1 of 14 commands acknowledged").arg(acknowledged)));
        const qsizetype held = unit->protocol().state().numbers.size();
        QVERIFY2(r.errLines.last().contains(held == 0 && acknowledged < 11 ? QString("The unit's list is as it was")
                                                                           : QString("The unit's list now holds the first %1 of 3 numbers").arg(held)),
                 qPrintable(r.errLines.last()));
    }
};

QTEST_MAIN(TstCli)
#include "tst_cli.moc"
