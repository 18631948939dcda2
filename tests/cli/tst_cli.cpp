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
    platform::PortCatalogue catalogue({}, QStringLiteral("/dev/unit"), nullptr);
    mainwindow::Platform p{&port, &dialogs, [] { return std::make_unique<fakes::FakeTimer>(); }, &catalogue, {}, nullptr};
    const bool gate = model == QLatin1String("gate");
    mainwindow::FrmMain main(p, {model, gate ? QVector<qint16>{0, 1, 3, 4} : QVector<qint16>{0, 1, 4},
                                 catalogue.entries().value(0)});
    main.runit();
    main.editors().load(parsed(path));
    main.frame0()->chksys()->setChecked(system);
    main.frame0()->chktel()->setChecked(numbers);
    main.frame0()->chkVerify()->setChecked(false);
    main.findChild<QPushButton *>(QStringLiteral("cmdUpload"))->click();
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
            env.insert(QStringLiteral("NORVIKCONF_PASSWORD"), passwordVariable);
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
        r.errLines = QString::fromLocal8Bit(p.readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
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

    // Upload, output test and download against a unit of each model: the file read back
    // holds what was sent, and --json says what happened.
    void roundTrip_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("site");
        QTest::addColumn<int>("commands");
        QTest::newRow("gate") << QStringLiteral("gate") << kGateSite << 14;
        QTest::newRow("intercom") << QStringLiteral("intercom") << kIntercomSite << 6;
    }
    void roundTrip()
    {
        QFETCH(QString, model);
        QFETCH(QString, site);
        QFETCH(int, commands);
        unit->protocol().setModel(model == QLatin1String("gate") ? unitsim::Model::Gate : unitsim::Model::Intercom);
        const QString sent = file(QStringLiteral("site.gsm"), site);
        const QString port = unit->devicePath();

        // The unit starts with another password: the file's own replaces it on the way.
        unit->protocol().state().password = QStringLiteral("1111");
        Run r = run({QStringLiteral("upload"), sent, QStringLiteral("--port"), port, QStringLiteral("--model"), model,
                     QStringLiteral("--system-parameters"), QStringLiteral("--verify"), QStringLiteral("--json"),
                     QStringLiteral("--password-file"), file(QStringLiteral("secret"), QStringLiteral("1111\n"))});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.json.value(QStringLiteral("commands")).toInt(), commands);
        QCOMPARE(r.json.value(QStringLiteral("acknowledged")).toInt(), commands);
        const QJsonArray codes = r.json.value(QStringLiteral("codes")).toArray();
        QVERIFY(!codes.isEmpty());
        for (const QJsonValue c : codes) // every code the unit gave, with what it means to the program
            QCOMPARE(c[QStringLiteral("meaning")].toString(), QStringLiteral("accepted"));
        QVERIFY(r.json.value(QStringLiteral("matches")).toInt() > 0);
        QVERIFY(r.json.value(QStringLiteral("differences")).toArray().isEmpty());
        QCOMPARE(received.size(), commands + 1); // and the request for the dump
        QVERIFY2(r.errLines.at(commands - 1).startsWith(QStringLiteral("upload: %1/%1 TEL ADDN ").arg(commands)),
                 qPrintable(r.errLines.at(commands - 1)));
        QVERIFY(r.errLines.contains(QStringLiteral("verify: Verified: all %1 settings match.")
                                        .arg(r.json.value(QStringLiteral("matches")).toInt())));

        const QString back = scratch->filePath(QStringLiteral("back.gsm"));
        r = run({QStringLiteral("download"), back, QStringLiteral("--port"), port, QStringLiteral("--model"), model});
        QCOMPARE(r.code, 0);
        // A file that exists is replaced only when asked, and then whole.
        QVERIFY(QFile::remove(back));
        file(QStringLiteral("back.gsm"), kIntercomSite);
        r = run({QStringLiteral("download"), back, QStringLiteral("--port"), port, QStringLiteral("--model"), model});
        QCOMPARE(r.code, 7);
        QVERIFY2(r.errLines.last().contains(QStringLiteral("already exists")), qPrintable(r.errLines.join('\n')));
        QFile kept(back);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), kIntercomSite.toLatin1());
        r = run({QStringLiteral("download"), back, QStringLiteral("--port"), port, QStringLiteral("--model"), model,
                 QStringLiteral("--force")});
        QCOMPARE(r.code, 0);
        const settings::SettingsSet want = parsed(sent), got = parsed(back);
        QCOMPARE(got.password, want.password);
        QCOMPARE(got.systemName, want.systemName);
        QCOMPARE(got.numbers, want.numbers);
        QCOMPARE(got.masterNumber, want.masterNumber);
        if (model == QLatin1String("gate"))
            QCOMPARE(got.inputNames, want.inputNames);

        // Without the numbers the unit keeps its own list and master number.
        r = run({QStringLiteral("upload"), sent, QStringLiteral("--port"), port, QStringLiteral("--model"), model,
                 QStringLiteral("--system-parameters"), QStringLiteral("--no-numbers"), QStringLiteral("--json")});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.json.value(QStringLiteral("commands")).toInt(), commands - 2 - want.numbers.size());
        QCOMPARE(unit->protocol().state().numbers.size(), want.numbers.size());

        r = run({QStringLiteral("output"), QStringLiteral("3"), QStringLiteral("on"), QStringLiteral("--port"), port,
                 QStringLiteral("--json")});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.json.value(QStringLiteral("state")).toString(), QStringLiteral("on"));
        QVERIFY(unit->protocol().state().outputs[2]);
    }

    // Each way a run can go wrong ends with its own exit code and a line that says so.
    void failures_data()
    {
        QTest::addColumn<QString>("unitCase");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("says");
        const QStringList upload{QStringLiteral("upload"), QStringLiteral("site.gsm"), QStringLiteral("--model"),
                                 QStringLiteral("gate"), QStringLiteral("--port"), QStringLiteral("PTY"),
                                 QStringLiteral("--system-parameters")};
        QTest::newRow("wrong password") << "password" << upload << 3 << "upload: Incorrect GSM unit password";
        QTest::newRow("silent unit") << "silent" << upload + QStringList{QStringLiteral("--timeout"), QStringLiteral("1")}
                                     << 5 << "did not answer \"System password\" (command 1 of 14) within 1 s";
        QTest::newRow("refused") << "refuse" << upload << 4 << "upload: The unit refused \"System name\" (code 11";
        QTest::newRow("refused number") << "refuseNumber" << upload << 4 << "The unit's number list was cleared by this upload and is now empty";
        QTest::newRow("dropped number") << "drop" << upload + QStringList{QStringLiteral("--verify")} << 6
                                        << "verify: Number 2: \"+27829876543\" was sent but is not in the unit's list";
        QTest::newRow("silent download") << "silent" << QStringList{QStringLiteral("download"), QStringLiteral("back.gsm"), QStringLiteral("--model"), QStringLiteral("intercom"), QStringLiteral("--port"), QStringLiteral("PTY"), QStringLiteral("--timeout"), QStringLiteral("1")}
                                         << 5 << "download: The unit did not answer the request for its settings";
        QTest::newRow("unplugged") << "unplug" << upload << 2 << "at command 5 of 14; 4 of 14 commands acknowledged";
        QTest::newRow("no port") << "" << QStringList(upload.mid(0, 5)) + QStringList{QStringLiteral("/dev/nonexistent")}
                                 << 2 << "The port cannot be opened: 1:No such file or directory";
        QTest::newRow("not a settings file") << "" << QStringList(upload).replaceInStrings("site.gsm", "junk.txt") << 7
                                             << "is not a settings file";
        QTest::newRow("unsendable value") << "" << QStringList(upload).replaceInStrings("site.gsm", "star.gsm") << 7
                                          << "(SN,Gate*1): the system name holds \"*\", which the unit cannot take.";
        QTest::newRow("no file") << "" << QStringList(upload).replaceInStrings("site.gsm", "missing.gsm") << 7
                                 << "Could not open";
        QTest::newRow("no model") << "" << upload.mid(0, 2) + upload.mid(4) << 1 << "upload needs --model";
        QTest::newRow("bad output") << "" << QStringList{QStringLiteral("output"), QStringLiteral("5"), QStringLiteral("on"), QStringLiteral("--port"), QStringLiteral("sim")}
                                    << 1 << "the output is a number from 1 to 4";
    }
    void failures()
    {
        QFETCH(QString, unitCase);
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, says);
        file(QStringLiteral("site.gsm"), kGateSite);
        file(QStringLiteral("junk.txt"), QStringLiteral("hello\r\n"));
        file(QStringLiteral("star.gsm"), QString(kGateSite).replace(QStringLiteral("North Gate"), QStringLiteral("Gate*1")));
        for (QString &a : args)
            a = a == QLatin1String("PTY") ? unit->devicePath() : a.endsWith(QLatin1String(".gsm")) || a.endsWith(QLatin1String(".txt")) ? scratch->filePath(a)
                                                                                                                                        : a;
        if (unitCase == QLatin1String("password"))
            unit->protocol().state().password = QStringLiteral("1111");
        unit->behaviour().silent = unitCase == QLatin1String("silent");
        if (unitCase == QLatin1String("refuse"))
            unit->protocol().refuse(QStringLiteral("SYS NAME"), 11);
        if (unitCase == QLatin1String("refuseNumber"))
            unit->protocol().refuse(QStringLiteral("TEL ADDN"), 25);
        if (unitCase == QLatin1String("drop"))
            unit->protocol().dumpFaults().dropNumber = 1;

        const Run r = run(args, [&](QProcess &, int count) {
            if (unitCase == QLatin1String("unplug") && count == 5)
                unit->unplug();
        });
        QCOMPARE(r.code, code);
        QVERIFY2(!r.errLines.filter(says).isEmpty(), qPrintable(r.errLines.join(QLatin1Char(10))));
        if (code == 3)
            QCOMPARE(r.errLines.size(), 1);
        QVERIFY(!QFile::exists(scratch->filePath(QStringLiteral("back.gsm")))); // no half-read download left behind
    }

    // The password from each place it may come from; --password works but warns that it is public.
    void passwordWays_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("variable");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("says");
        const QStringList option{QStringLiteral("--password"), QStringLiteral("1111")};
        const QStringList fromFile{QStringLiteral("--password-file"), QStringLiteral("SECRET")};
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
        unit->protocol().state().password = QStringLiteral("1111");
        args.replaceInStrings(QStringLiteral("SECRET"), file(QStringLiteral("secret"), QStringLiteral("1111\r\n")));
        const Run r = run(QStringList{QStringLiteral("output"), QStringLiteral("2"), QStringLiteral("on"),
                                      QStringLiteral("--port"), unit->devicePath()}
                              + args,
                          {}, variable);
        QCOMPARE(r.code, code);
        QVERIFY2(!r.errLines.filter(says).isEmpty(), qPrintable(r.errLines.join(QLatin1Char('\n'))));
        QCOMPARE(unit->protocol().state().outputs[1], code == 0);
        if (code == 1)
            QVERIFY(received.isEmpty());
    }

    // A file cut anywhere sends nothing; a backup of the unit, sent back, changes nothing on it.
    void cutFileAndBackup()
    {
        const QString site = file(QStringLiteral("site.gsm"), kGateSite);
        const QStringList upload{QStringLiteral("upload"), scratch->filePath(QStringLiteral("cut.gsm")),
                                 QStringLiteral("--port"), unit->devicePath(), QStringLiteral("--model"),
                                 QStringLiteral("gate"), QStringLiteral("--system-parameters"), QStringLiteral("--verify")};
        for (const qsizetype n : {qsizetype(30), qsizetype(120), kGateSite.size() - 1}) {
            file(QStringLiteral("cut.gsm"), kGateSite.left(n));
            const Run r = run(upload);
            QVERIFY2(r.code == 7, qPrintable(QString::number(n) + r.errLines.join(QLatin1Char('\n'))));
            QVERIFY2(r.errLines.size() == 1 && r.errLines.first().contains(QStringLiteral("cannot be used: it is incomplete")),
                     qPrintable(r.errLines.join(QLatin1Char('\n'))));
        }
        QVERIFY(received.isEmpty());

        // Options and monitor inputs the dump does not report, unlike the start values.
        QCOMPARE(run(QStringList(upload).replaceInStrings(QStringLiteral("cut.gsm"), QStringLiteral("site.gsm"))).code, 0);
        unitsim::UnitState &state = unit->protocol().state();
        state.errorReporting = false;
        state.outputConfirmation = true;
        state.monitorDigits = QStringLiteral("8");
        const unitsim::UnitState before = state;
        const QString backup = scratch->filePath(QStringLiteral("backup.gsm"));
        QCOMPARE(run({QStringLiteral("download"), backup, QStringLiteral("--port"), unit->devicePath(),
                      QStringLiteral("--model"), QStringLiteral("gate")})
                     .code,
                 0);
        QFile saved(backup);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray text = saved.readAll();
        QVERIFY2(!text.contains("OP,") && !text.contains("MO,"), text.constData());
        QCOMPARE(saved.permissions() & 0x0077, QFileDevice::Permissions()); // nobody else's
        received.clear();
        const Run r = run(QStringList(upload).replaceInStrings(scratch->filePath(QStringLiteral("cut.gsm")), backup));
        QCOMPARE(r.code, 0);
        QVERIFY(r.errLines.contains(QStringLiteral("upload: the file holds no system options; the unit keeps its own")));
        QVERIFY(received.filter(QRegularExpression(QStringLiteral("^SYS (EREP|OCNF|MONI)"))).isEmpty());
        QCOMPARE(state.errorReporting, before.errorReporting);
        QCOMPARE(state.outputConfirmation, before.outputConfirmation);
        QCOMPARE(state.monitorDigits, before.monitorDigits);
        QCOMPARE(state.inputNames, before.inputNames);
        QCOMPARE(state.systemName, before.systemName);
        QCOMPARE(state.masterNumber, before.masterNumber);
        QCOMPARE(state.numbers.size(), before.numbers.size());
        for (qsizetype i = 0; i < state.numbers.size(); ++i)
            QVERIFY(state.numbers[i].number == before.numbers[i].number && state.numbers[i].value == before.numbers[i].value);
    }

    // The gate's password is a secret: neither the lines nor the JSON carry it, even when the
    // unit refuses the command that sets it.
    void passwordNeverShown()
    {
        const QString sent = file(QStringLiteral("site.gsm"), QString(kGateSite).replace(QStringLiteral("MP,5831"), QStringLiteral("MP,G471")));
        const QStringList args{QStringLiteral("upload"), sent, QStringLiteral("--port"), unit->devicePath(),
                               QStringLiteral("--model"), QStringLiteral("gate"), QStringLiteral("--json")};
        Run ok = run(args, {}, QStringLiteral("5831"));
        QCOMPARE(ok.code, 0);
        QCOMPARE(ok.errLines.first(), QStringLiteral("upload: 1/7 SYS PASS ****"));
        unit->protocol().refuse(QStringLiteral("SYS PASS"), 11);
        Run refused = run(args, {}, QStringLiteral("G471"));
        QCOMPARE(refused.code, 4);
        const QJsonObject r = refused.json.value(QStringLiteral("refused")).toObject();
        QCOMPARE(r.value(QStringLiteral("command")).toString(), QStringLiteral("SYS PASS ****"));
        QCOMPARE(r.value(QStringLiteral("codes")).toArray().first()[QStringLiteral("code")].toInt(), 11);
        for (const Run &run : {ok, refused}) {
            const QString all = run.errLines.join(QLatin1Char('\n')) + QJsonDocument(run.json).toJson();
            QVERIFY2(!all.contains(QStringLiteral("G471")) && !all.contains(QStringLiteral("5831")), qPrintable(all));
        }
    }

    // One file and the same choices give the same bytes on the wire from the window and from
    // the command line.
    void sameBytesAsTheWindow_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("site");
        QTest::addColumn<QStringList>("options");
        QTest::newRow("gate") << QStringLiteral("gate") << kGateSite << QStringList();
        QTest::newRow("gate, no numbers") << QStringLiteral("gate") << kGateSite
                                          << QStringList{QStringLiteral("--system-parameters"), QStringLiteral("--no-numbers")};
        QTest::newRow("intercom") << QStringLiteral("intercom") << kIntercomSite
                                  << QStringList{QStringLiteral("--system-parameters")};
    }
    void sameBytesAsTheWindow()
    {
        QFETCH(QString, model);
        QFETCH(QString, site);
        QFETCH(QStringList, options);
        const QString path = file(QStringLiteral("site.gsm"), site);
        RawUnit raw;
        const Run r = run(QStringList{QStringLiteral("upload"), path, QStringLiteral("--port"), raw.path(),
                                      QStringLiteral("--model"), model}
                          + options);
        QCOMPARE(r.code, 0);
        const QByteArray window = windowWrites(path, model, options.contains(QStringLiteral("--system-parameters")),
                                               !options.contains(QStringLiteral("--no-numbers")));
        QVERIFY(window.count('*') >= 4);
        QCOMPARE(raw.received, window);
    }

    // sync reads what the unit holds and sends only the new numbers; --since takes the
    // operator's word for it; --dry-run sends nothing.
    void syncSendsOnlyWhatChanged()
    {
        const QString site = file(QStringLiteral("site.gsm"), kGateSite);
        const QString grown = file(QStringLiteral("grown.gsm"),
                                   QString(kGateSite).replace(QStringLiteral("<END>"), QStringLiteral("TN,27820000001,4,1|\r\nTN,27820000002,5,2|\r\n<END>")));
        const QStringList where{QStringLiteral("--port"), unit->devicePath(), QStringLiteral("--model"), QStringLiteral("gate"),
                                QStringLiteral("--json")};
        QCOMPARE(run(QStringList{QStringLiteral("upload"), site} + where).code, 0);
        const QJsonArray added{QStringLiteral("TEL ADDN 27820000001,1"), QStringLiteral("TEL ADDN 27820000002,2")};

        received.clear();
        Run r = run(QStringList{QStringLiteral("sync"), grown, QStringLiteral("--dry-run")} + where);
        QCOMPARE(r.code, 0);
        QCOMPARE(received, QStringList{QStringLiteral("SYS SPEW")});
        QJsonObject plan = r.json.value(QStringLiteral("plan")).toObject();
        QCOMPARE(plan.value(QStringLiteral("kind")).toString(), QStringLiteral("shortest"));
        QCOMPARE(plan.value(QStringLiteral("commands")).toArray(), added);
        QCOMPARE(plan.value(QStringLiteral("summary")).toString(), QStringLiteral("Send 2 commands: 2 new numbers (about 0.1 s)"));

        received.clear();
        r = run(QStringList{QStringLiteral("sync"), grown} + where);
        QCOMPARE(r.code, 0);
        QCOMPARE(received.filter(QStringLiteral("TEL ")), QStringList({QStringLiteral("TEL ADDN 27820000001,1"), QStringLiteral("TEL ADDN 27820000002,2")}));
        QCOMPARE(r.json.value(QStringLiteral("sent")).toArray(), added);
        QVERIFY2(r.errLines.last().startsWith(QStringLiteral("verify: Verified: all")), qPrintable(r.errLines.join('\n')));
        QCOMPARE(unit->protocol().state().numbers.size(), 5);

        // No port is needed to plan from the operator's word; a removal makes it a full upload.
        r = run({QStringLiteral("upload"), site, QStringLiteral("--since"), grown, QStringLiteral("--dry-run"),
                 QStringLiteral("--model"), QStringLiteral("gate"), QStringLiteral("--json")});
        QCOMPARE(r.code, 0);
        plan = r.json.value(QStringLiteral("plan")).toObject();
        QCOMPARE(plan.value(QStringLiteral("kind")).toString(), QStringLiteral("full"));
        QVERIFY2(plan.value(QStringLiteral("reason")).toString().startsWith(QStringLiteral("2 numbers were removed; the unit has no command")),
                 qPrintable(plan.value(QStringLiteral("reason")).toString()));
        QCOMPARE(plan.value(QStringLiteral("commands")).toArray().size(), 7);
    }

    // Ctrl-C mid-upload: the command in flight is answered, nothing is sent after it, and the
    // program says how far it got.
    void interrupt()
    {
        unit->behaviour().splitReplies = 2; // slow replies: the signal lands while one is awaited
        unit->behaviour().pauseMs = 100;
        const QString sent = file(QStringLiteral("site.gsm"), kGateSite);
        const Run r = run({QStringLiteral("upload"), sent, QStringLiteral("--port"), unit->devicePath(),
                           QStringLiteral("--model"), QStringLiteral("gate"), QStringLiteral("--system-parameters"),
                           QStringLiteral("--json")},
                          [](QProcess &p, int count) {
                              if (count == 3)
                                  ::kill(pid_t(p.processId()), SIGINT);
                          });
        QCOMPARE(r.code, 130);
        const int acknowledged = r.json.value(QStringLiteral("acknowledged")).toInt();
        QVERIFY2(acknowledged >= 3 && acknowledged < 14, qPrintable(r.errLines.join('\n')));
        QCOMPARE(received.size(), acknowledged);
        QVERIFY(r.errLines.last().contains(QStringLiteral("%1 of 14 commands acknowledged").arg(acknowledged)));
        const qsizetype held = unit->protocol().state().numbers.size();
        QVERIFY2(r.errLines.last().contains(held == 0 && acknowledged < 11 ? QStringLiteral("The unit's list is as it was")
                                                                           : QStringLiteral("The unit's list now holds the first %1 of 3 numbers").arg(held)),
                 qPrintable(r.errLines.last()));
    }
};

QTEST_MAIN(TstCli)
#include "tst_cli.moc"
