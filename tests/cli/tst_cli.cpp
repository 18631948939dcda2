// The command-line program as a script runs it: the real binary, without a display, against
// the simulated unit on a pseudo-terminal that this test drives.
#include "settings/settingsset.h"
#include "transfer/settingsfile.h"
#include "unitsim/ptyunit.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

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
    Run run(const QStringList &args, const std::function<void(QProcess &, int)> &whenSent = {})
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
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
                     QStringLiteral("--verify"), QStringLiteral("--json"), QStringLiteral("--password"),
                     QStringLiteral("1111")});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.json.value(QStringLiteral("commands")).toInt(), commands);
        QCOMPARE(r.json.value(QStringLiteral("acknowledged")).toInt(), commands);
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
        file(QStringLiteral("back.gsm"), kIntercomSite + kIntercomSite);
        r = run({QStringLiteral("download"), back, QStringLiteral("--port"), port, QStringLiteral("--model"), model});
        QCOMPARE(r.code, 7);
        QVERIFY2(r.errLines.last().contains(QStringLiteral("already exists")), qPrintable(r.errLines.join('\n')));
        QCOMPARE(parsed(back).numbers.size(), 4);
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
                 QStringLiteral("--no-numbers"), QStringLiteral("--json")});
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
                                 QStringLiteral("gate"), QStringLiteral("--port"), QStringLiteral("PTY")};
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
                                          << "upload: The system name holds \"*\", which the unit cannot take.";
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

    // Ctrl-C mid-upload: the command in flight is answered, nothing is sent after it, and the
    // program says how far it got.
    void interrupt()
    {
        unit->behaviour().splitReplies = 2; // slow replies: the signal lands while one is awaited
        unit->behaviour().pauseMs = 100;
        const QString sent = file(QStringLiteral("site.gsm"), kGateSite);
        const Run r = run({QStringLiteral("upload"), sent, QStringLiteral("--port"), unit->devicePath(),
                           QStringLiteral("--model"), QStringLiteral("gate"), QStringLiteral("--json")},
                          [](QProcess &p, int count) {
                              if (count == 3)
                                  ::kill(pid_t(p.processId()), SIGINT);
                          });
        QCOMPARE(r.code, 130);
        const int acknowledged = r.json.value(QStringLiteral("acknowledged")).toInt();
        QVERIFY2(acknowledged >= 3 && acknowledged < 14, qPrintable(r.errLines.join('\n')));
        QCOMPARE(received.size(), acknowledged);
        QVERIFY(r.errLines.last().contains(QStringLiteral("%1 of 14 commands acknowledged").arg(acknowledged)));
    }
};

QTEST_GUILESS_MAIN(TstCli)
#include "tst_cli.moc"
