// The register's commands as a script runs them: the real binary, a register in a temporary
// folder, the simulated unit inside the program, a bare repository as the shared register.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int code = -1;
    QJsonObject json;
    QString err;
};

Run cli(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(NORVIKCONF_CLI), args);
    Run run;
    if (!p.waitForFinished(60000))
        return run;
    run.code = p.exitCode();
    run.json = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    run.err = QString::fromUtf8(p.readAllStandardError());
    return run;
}

const char kGate[] = "<START>|MP,5831|\r\nSN,Oak Gate|\r\nOP,14|\r\nMO,12|\r\nI1,Door|\r\nI2,Beam|\r\nI3,Loop|\r\n"
                     "I4,Spare|\r\nMN,+27825550000|\r\nTN,27821234567,1,13|\r\nTN,27829876543,2,2|\r\n"
                     "TN,27823334444,3,1234|\r\n<END>\r\n";

} // namespace

class TestSiteCli : public QObject {
    Q_OBJECT
private slots:
    // Created from settings, three numbers labelled, synced, and seen from a second clone.
    void walkThrough()
    {
        QTemporaryDir dir;
        const QString reg = dir.filePath(QStringLiteral("register")), file = dir.filePath(QStringLiteral("oak.gsm"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(kGate);
        f.close();
        const QStringList r{QStringLiteral("--register"), reg, QStringLiteral("--json")};
        Run run = cli(QStringList{"site", "add", "Oak Ridge", "--model", "gate", "--from", file} + r);
        QVERIFY2(run.code == 0, qPrintable(run.err));
        QCOMPARE(run.json.value("folder").toString(), "oak-ridge");
        const QStringList numbers{"0821234567", "+27829876543", "082 333 4444"};
        for (int i = 0; i < 3; ++i)
            QCOMPARE(cli(QStringList{"site", "label", "Oak Ridge", numbers.at(i), QStringLiteral("Flat %1").arg(i + 1)} + r).code, 0);

        run = cli(QStringList{"sync", "--site", "Oak Ridge", "--port", "sim", "--system-parameters"} + r);
        QVERIFY2(run.code == 0, qPrintable(run.err));
        QVERIFY(run.json.value("matches").toInt() > 0);

        run = cli(QStringList{"site", "history", "Oak Ridge"} + r);
        QCOMPARE(run.code, 0);
        QStringList events;
        for (const QJsonValue v : run.json.value("versions").toArray())
            events << v.toObject().value("event").toString();
        QCOMPARE(events, (QStringList{"verification", "upload", "read", "saved", "saved", "saved", "created"}));
        const QJsonObject verification = run.json.value("versions").toArray().at(0).toObject();
        QVERIFY(verification.value("summary").toString().contains("verified"));
        QVERIFY(verification.value("program").toString().startsWith("NorvikConf "));

        // Shared through a bare repository; a second register cloned from it sees the labels.
        const QString shared = dir.filePath(QStringLiteral("shared.git"));
        QProcess git;
        git.start("git", {"init", "-q", "--bare", shared});
        QVERIFY(git.waitForFinished() && git.exitCode() == 0);
        QCOMPARE(cli(QStringList{"site", "push", "--remote", shared} + r).code, 0);
        git.start("git", {"clone", "-q", shared, dir.filePath("second")});
        QVERIFY(git.waitForFinished() && git.exitCode() == 0);
        const QStringList second{"--register", dir.filePath("second"), "--json"};
        QCOMPARE(cli(QStringList{"site", "pull"} + second).code, 0);
        run = cli(QStringList{"site", "show", "Oak Ridge"} + second);
        QCOMPARE(run.code, 0);
        QStringList labels;
        for (const QJsonValue v : run.json.value("site").toObject().value("numbers").toArray())
            labels << v.toObject().value("label").toString();
        QCOMPARE(labels, (QStringList{"Flat 1", "Flat 2", "Flat 3"}));
    }

    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::newRow("unknown site") << QStringList{"site", "show", "Elm Park"} << 9;
        QTest::newRow("unknown site sync") << QStringList{"sync", "--site", "Elm Park", "--port", "sim"} << 9;
        QTest::newRow("no register yet") << QStringList{"site", "list", "--register", "@empty"} << 9;
        QTest::newRow("not a register") << QStringList{"site", "list", "--register", "@file"} << 9;
        QTest::newRow("unknown version") << QStringList{"site", "show", "Oak Ridge", "--at", "deadbeef"} << 9;
        QTest::newRow("remote unreachable") << QStringList{"site", "pull", "--remote", "@gone"} << 10;
        QTest::newRow("no remote") << QStringList{"site", "push"} << 10;
        QTest::newRow("no model") << QStringList{"site", "add", "Elm"} << 1;
        QTest::newRow("same name") << QStringList{"site", "add", "oak ridge", "--model", "gate"} << 1;
        QTest::newRow("unknown command") << QStringList{"site", "frob"} << 1;
        QTest::newRow("number not listed") << QStringList{"site", "label", "Oak Ridge", "0820000000", "x"} << 1;
        QTest::newRow("export over a file") << QStringList{"site", "export", "Oak Ridge", "@file"} << 7;
    }
    // Each failure has its code, and leaves the register's history as it was.
    void exitCodes()
    {
        QFETCH(QStringList, args);
        QTemporaryDir dir;
        const QString reg = dir.filePath(QStringLiteral("register"));
        QCOMPARE(cli({"site", "add", "Oak Ridge", "--model", "gate", "--register", reg}).code, 0);
        QFile f(dir.filePath("file"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        for (QString &a : args)
            a.replace("@empty", dir.filePath("empty")).replace("@file", f.fileName()).replace("@gone", dir.filePath("gone.git"));
        if (!args.contains("--register"))
            args << "--register" << reg;
        const Run run = cli(args << "--json");
        QTEST(run.code, "code");
        QCOMPARE(run.json.value("exitCode").toInt(), run.code);
        QVERIFY(!run.json.value("message").toString().isEmpty());
        QCOMPARE(cli({"site", "history", "Oak Ridge", "--register", reg, "--json"}).json.value("versions").toArray().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSiteCli)
#include "tst_sitecli.moc"
