// The command line of the program and what is remembered between starts.
#include "app/frmselect.h"
#include "app/launcher.h"
#include "app/startoptions.h"
#include "mainwindow/document.h"
#include "mainwindow/frmmain.h"
#include "platform/textfile.h"
#include "settings/numberpage.h"
#include "settings/settingseditors.h"
#include "settings/unitmodel.h"
#include "tests/support/fakes.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The program's start on fake ports and dialogs, remembering in a scratch folder.
struct Start {
    QList<platform::SerialDevice> devices;
    std::function<QString()> simulated; // the simulated unit's device; none: not listed
    platform::PortCatalogue catalogue{[this] { return devices; }, {}, simulated};
    fakes::FakeSerialPort port;
    fakes::FakeDialogs selectDialogs, mainDialogs;
    QSettings settings;
    QStringList models; // told to mainCreated
    std::unique_ptr<app::Launcher> launcher;

    Start(const QTemporaryDir &dir, const QStringList &paths, const QString &simulatedPath = QString())
        : simulated(simulatedPath.isEmpty() ? std::function<QString()>() : [simulatedPath] { return simulatedPath; }),
          settings(dir.filePath("settings.ini"), QSettings::IniFormat)
    {
        for (const QString &path : paths)
            devices.append({path, "USB adapter", "Acme", {}, "by-id-" + path.section('/', -1)});
        catalogue.refresh();
    }
    bool run(const app::StartOptions &options, QString *error = nullptr)
    {
        const app::Launch l{&catalogue, &port, &selectDialogs, &mainDialogs, [] { return std::make_unique<fakes::FakeTimer>(); }, {}, &settings, [this](const QString &model, QWidget &) { models << model; }};
        launcher = std::make_unique<app::Launcher>(l, options);
        QString ignored;
        return launcher->start(error ? error : &ignored);
    }
    mainwindow::FrmMain *main() const { return launcher->mainWindow(); }
};

int numberOf(const platform::PortCatalogue &catalogue, const QString &path)
{
    for (const platform::PortEntry &e : catalogue.entries())
        if (e.path == path)
            return e.number;
    return -1;
}

} // namespace

class TstLauncher : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void arguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("outcome"); // ParsedArguments::Outcome
        QTest::addColumn<QString>("says");
        QTest::addColumn<QStringList>("options"); // file, model, port
        const int run = int(app::ParsedArguments::Outcome::Run), exit = int(app::ParsedArguments::Outcome::Exit),
                  error = int(app::ParsedArguments::Outcome::Error);
        QTest::newRow("nothing") << QStringList{} << run << "" << QStringList{"", "", ""};
        QTest::newRow("file") << QStringList{"site.gsm"} << run << "" << QStringList{QDir::current().absoluteFilePath("site.gsm"), "", ""};
        QTest::newRow("all") << QStringList{"--model", "intercom", "--port", "/dev/ttyUSB0", "/tmp/a.gsm"} << run << ""
                             << QStringList{"/tmp/a.gsm", "intercom", "/dev/ttyUSB0"};
        QTest::newRow("help") << QStringList{"--help"} << exit << "Usage: norvikconf [options] [FILE]" << QStringList{};
        QTest::newRow("version") << QStringList{"--version", "x.gsm"} << exit << "norvikconf 1.2.3\n"
                                 << QStringList{};
        QTest::newRow("unknown model") << QStringList{"--model", "door"} << error << "unknown model \"door\"" << QStringList{};
        QTest::newRow("two files") << QStringList{"a.gsm", "b.gsm"} << error << "one FILE at most" << QStringList{};
        QTest::newRow("unknown option") << QStringList{"--colour"} << error << "Unknown option 'colour'" << QStringList{};
    }
    void arguments()
    {
        QFETCH(QStringList, args);
        QFETCH(int, outcome);
        QFETCH(QString, says);
        QFETCH(QStringList, options);
        const app::ParsedArguments parsed = app::parseArguments(QStringList{"norvikconf"} + args, "1.2.3");
        QCOMPARE(int(parsed.outcome), outcome);
        QVERIFY2(parsed.text.contains(says), qPrintable(parsed.text));
        if (!options.isEmpty())
            QCOMPARE(QStringList({parsed.options.file, parsed.options.model, parsed.options.port}), options);
    }

    // `norvikconf --model M --port P FILE`: no selection window; the main window opens FILE.
    void fileGivenOnTheCommandLineOpens()
    {
        QTemporaryDir dir;
        const QString site = dir.filePath("site.gsm");
        QVERIFY(platform::writeFileAtomically(site, "<START>|MP,1234|\r\nSN,Oak Ridge|\r\nTN,27821,1|\r\n<END>\r\n", nullptr));
        for (const QString port : {"2", "/dev/ttyUSB0"}) {
            Start s(dir, {"/dev/ttyS0", "/dev/ttyUSB0"});
            QVERIFY(s.run({site, settings::kIntercom, port}));
            QVERIFY(!s.launcher->selectWindow()->isVisible());
            QVERIFY(s.main() && s.main()->isVisible());
            QCOMPARE(s.models, QStringList{settings::kIntercom});
            QCOMPARE(s.port.opened, QStringList{"/dev/ttyUSB0"});
            QCOMPARE(s.main()->numberPage()->txtSysName()->text(), "Oak Ridge");
            QCOMPARE(s.main()->windowTitle(), "site.gsm[*] - NorvikConf - COMM PORT 2: /dev/ttyUSB0 - USB adapter, Acme");
            QVERIFY(!s.main()->isWindowModified());
            QVERIFY(s.mainDialogs.messages.isEmpty());
        }

        // Without a model the selection window comes first, with the port chosen; the file
        // waits for the main window.
        Start s(dir, {"/dev/ttyS0", "/dev/ttyUSB0"});
        QVERIFY(s.run({site, QString(), "2"}));
        QVERIFY(!s.main());
        QCOMPARE(s.launcher->selectWindow()->cmbcomm()->currentText(), "2");
        s.launcher->selectWindow()->gateClicked();
        QCOMPARE(s.main()->editors().systemName(), "Oak Ridge");

        QString error;
        Start none(dir, {"/dev/ttyS0"});
        QVERIFY(!none.run({QString(), settings::kGate, "7"}, &error));
        QCOMPARE(error, "there is no port 7: the list holds 1 to 1");
        QVERIFY(!none.run({QString(), settings::kGate, dir.filePath("no-such-device")}, &error));
        QVERIFY(error.startsWith("there is no device"));
    }

    // The model, the device and the window's size of the last start; the device is found
    // again under whatever number it has now.
    void rememberedBetweenStarts()
    {
        QTemporaryDir dir;
        {
            Start first(dir, {"/dev/ttyS0", "/dev/ttyUSB0"});
            QVERIFY(first.run({}));
            QCOMPARE(first.launcher->selectWindow()->cmbcomm()->currentIndex(), -1); // nothing remembered yet
            first.launcher->selectWindow()->cmbcomm()->setCurrentIndex(1);
            first.launcher->selectWindow()->intercomClicked();
            first.main()->resize(1100, 760);
            QVERIFY(first.main()->close());
        }
        Start next(dir, {"/dev/ttyUSB0"});
        QVERIFY(next.run({}));
        QCOMPARE(next.launcher->selectWindow()->cmbcomm()->currentText(), "1");
        QCOMPARE(next.launcher->selectWindow()->focusWidget()->objectName(), "Command3");
        next.launcher->selectWindow()->gateClicked();
        QCOMPARE(next.main()->size(), QSize(1100, 760));

        Start gone(dir, {"/dev/ttyS0"}); // the adapter is not there: nothing is chosen
        QVERIFY(gone.run({}));
        QCOMPARE(gone.launcher->selectWindow()->cmbcomm()->currentIndex(), -1);
    }

    // "--port sim" is the simulated unit, as on the command line; a port opened later with
    // OPEN PORT is the one the next start chooses.
    void simulatedAndReopenedPorts()
    {
        QTemporaryDir dir;
        {
            Start s(dir, {"/dev/ttyS0", "/dev/ttyUSB0"}, "/dev/pts/77");
            QVERIFY(s.run({QString(), settings::kGate, "sim"}));
            QCOMPARE(s.port.opened, QStringList{"/dev/pts/77"});
            QVERIFY(s.mainDialogs.messages.isEmpty());
            auto *ports = s.main()->findChild<QComboBox *>("cmbPort");
            ports->setCurrentIndex(ports->findText(QString::number(numberOf(s.catalogue, "/dev/ttyUSB0"))));
            s.main()->findChild<QPushButton *>("cmdOpenPort")->click();
            QCOMPARE(s.port.opened.last(), "/dev/ttyUSB0");
            QVERIFY(s.main()->close());
        }
        Start next(dir, {"/dev/ttyS0", "/dev/ttyUSB0"}, "/dev/pts/77");
        QVERIFY(next.run({}));
        QCOMPARE(next.launcher->selectWindow()->cmbcomm()->currentText(), QString::number(numberOf(next.catalogue, "/dev/ttyUSB0")));

        QString error;
        Start without(dir, {"/dev/ttyS0"}); // no simulated unit in the list
        QVERIFY(!without.run({QString(), settings::kGate, "sim"}, &error));
        QVERIFY(error.contains("simulated unit"));
    }
};

QTEST_MAIN(TstLauncher)
#include "tst_launcher.moc"
