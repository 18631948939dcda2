// The port catalogue's numbering and the real QSerialPort adapter on a pseudo-terminal.
#include "platform/portcatalogue.h"
#include "platform/qtdialogs.h"
#include "platform/qtserialport.h"
#include "tests/support/fakes.h"
#include "unitsim/ptyunit.h"

#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>

using namespace platform;

namespace {
LineSettings line9600()
{
    LineSettings s;
    LineSettings::parse(QStringLiteral("9600,N,8,1"), &s);
    return s;
}
} // namespace

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    void catalogue_data()
    {
        // Each listing is the system's devices at one moment, ","-separated; "#" adds a
        // by-id name. Expected: "number=path", "-" marking a device not connected.
        QTest::addColumn<QStringList>("listings");
        QTest::addColumn<QString>("env");
        QTest::addColumn<QString>("expected");
        QTest::newRow("natural order, then env paths, then the simulated unit")
            << QStringList{"/dev/ttyUSB0,/dev/ttyS10,/dev/ttyS2,/dev/ttyACM1,/dev/ttyACM0"}
            << "/dev/null::/dev/does-not-exist-42"
            << "1=/dev/ttyACM0 2=/dev/ttyACM1 3=/dev/ttyS2 4=/dev/ttyS10 5=/dev/ttyUSB0 6=/dev/null "
               "7=/dev/does-not-exist-42- 8=/dev/pts/sim";
        QTest::newRow("later arrival gets the next number, a departed one keeps its own")
            << QStringList{"/dev/ttyS0,/dev/ttyUSB1", "/dev/ttyS0,/dev/ttyUSB0"} << ""
            << "1=/dev/ttyS0 2=/dev/ttyUSB1- 3=/dev/pts/sim 4=/dev/ttyUSB0";
        QTest::newRow("a returning device gets its number back")
            << QStringList{"/dev/ttyUSB0,/dev/ttyUSB1", "/dev/ttyUSB1", "/dev/ttyUSB0,/dev/ttyUSB1"} << ""
            << "1=/dev/ttyUSB0 2=/dev/ttyUSB1 3=/dev/pts/sim";
        QTest::newRow("an adapter back under another path is known by its by-id name")
            << QStringList{"/dev/ttyUSB0#usb-A1,/dev/ttyUSB1#usb-B2", "/dev/ttyUSB1#usb-B2",
                           "/dev/ttyUSB1#usb-B2,/dev/ttyUSB2#usb-A1"}
            << ""
            << "1=/dev/ttyUSB2 2=/dev/ttyUSB1 3=/dev/pts/sim";
        QTest::newRow("an env path the system also lists counts once")
            << QStringList{"/dev/null"} << "/dev/null"
            << "1=/dev/null 2=/dev/pts/sim";
    }

    void catalogue()
    {
        QFETCH(QStringList, listings);
        QFETCH(QString, env);
        QFETCH(QString, expected);
        QList<SerialDevice> now;
        auto plug = [&now](const QString &listing) {
            now.clear();
            for (const QString &d : listing.split(',', Qt::SkipEmptyParts))
                now.append({d.section('#', 0, 0), {}, {}, {}, d.section('#', 1)});
        };
        int listed = 0;
        plug(listings.first());
        PortCatalogue c([&] { ++listed; return now; }, env, [] { return QStringLiteral("/dev/pts/sim"); });
        QSignalSpy changed(&c, &PortCatalogue::changed);
        for (const QString &listing : listings.mid(1)) {
            plug(listing);
            c.refresh();
        }
        QStringList got;
        for (const PortEntry &e : c.entries()) {
            got << QStringLiteral("%1=%2%3").arg(e.number).arg(e.path, e.connected ? "" : "-");
            QCOMPARE(c.find(e.number)->path, e.path);
            QCOMPARE(e.simulated, e.path == "/dev/pts/sim");
        }
        QCOMPARE(got.join(' '), expected);
        // Lookups read the stored list; the system is listed once at start and once per refresh.
        QCOMPARE(listed, listings.size());
        QCOMPARE(changed.count(), listings.size() - 1);
        QVERIFY(!c.find(99));
    }

    void labelsNameTheDevice()
    {
        QList<SerialDevice> now{{"/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A50285BI", "usb-FTDI_A50285BI"},
                                {"/dev/ttyACM0", {}, {}, {}, "usb-Acme_Modem-if00"},
                                {"/dev/ttyS0", {}, {}, {}, {}}};
        bool simRunning = true;
        PortCatalogue c([&] { return now; }, {}, [&] { return simRunning ? "/dev/pts/4" : QString(); });
        now.removeFirst();
        simRunning = false;
        c.refresh();
        QCOMPARE(fakes::textsOf(c.entries(), [](const PortEntry &e) { return e.label; }), QStringList({"/dev/ttyACM0 - usb-Acme_Modem-if00", "/dev/ttyS0",
                                                                                                       "/dev/ttyUSB0 - FT232R USB UART, FTDI, serial number A50285BI (not connected)",
                                                                                                       "Simulated unit (not running)"}));
        QCOMPARE(c.entries().last().path, "/dev/pts/4"); // kept for when it runs again
    }

    void lineSettings()
    {
        LineSettings s;
        QVERIFY(LineSettings::parse(QStringLiteral("19200,E,7,2"), &s));
        QCOMPARE(QString::asprintf("%d%c%d%d", s.baud, s.parity, s.dataBits, s.stopBits), QStringLiteral("19200E72"));
        for (const char *bad : {"9600,X,8,1", "9600,N,8", "fast,N,8,1"})
            QVERIFY(!LineSettings::parse(QLatin1String(bad), &s));
    }

    void fileFilter()
    {
        // The dialog matches what the parentheses hold: "*.*" there would hide names without a dot.
        QCOMPARE(QtDialogs::toQtFilter(QStringLiteral("Norvik GSM Files (*.gsm)|*.gsm|All Files (*.*)|*")),
                 QStringLiteral("Norvik GSM Files (*.gsm);;All Files (*)"));
        QCOMPARE(QtDialogs::toQtFilter(QStringLiteral("Text|*.txt")), QStringLiteral("Text (*.txt)"));
    }

    void openFailuresSayWhatToDo()
    {
        QtSerialPort port;
        QVERIFY(!port.open(QString(), line9600()));
        QCOMPARE(port.errorNumber(), kInvalidPortNumber);
        QVERIFY(!port.open("/dev/does-not-exist-42", line9600()));
        QCOMPARE(port.errorNumber(), int(QSerialPort::DeviceNotFoundError));
        QVERIFY2(port.errorDescription().contains(QStringLiteral("plugged in")), qPrintable(port.errorDescription()));
        QVERIFY(!port.open("/dev/null", line9600()));
        QVERIFY(!port.isOpen() && !port.write("x"));
    }

    // The lock follows the device, not its name: a link to a port in use is refused as well
    // (root included, whom the system's exclusive mode lets through), and freed on close.
    void secondNameOfOnePortRefused()
    {
        unitsim::PtyUnit unit;
        QVERIFY(unit.start());
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("link-to-unit"));
        QVERIFY(QFile::link(unit.devicePath(), link));
        QCOMPARE(QtSerialPort::lockFilePath(link), QtSerialPort::lockFilePath(unit.devicePath()));
        QVERIFY(QtSerialPort::lockFilePath(link).contains(QStringLiteral("tty-")));
        QtSerialPort first, second;
        QVERIFY2(first.open(unit.devicePath(), line9600()), qPrintable(first.errorDescription()));
        QVERIFY(!second.open(link, line9600()));
        QCOMPARE(second.errorNumber(), int(QSerialPort::PermissionError));
        QVERIFY2(second.errorDescription().contains(QStringLiteral("Another program is using this port")),
                 qPrintable(second.errorDescription()));
        first.close();
        QVERIFY2(second.open(link, line9600()), qPrintable(second.errorDescription()));
        QVERIFY(!first.open(unit.devicePath(), line9600()));
    }

    void bytesBothWaysAndUnplugReportedOnce()
    {
        unitsim::PtyUnit unit;
        QVERIFY(unit.start());
        QtSerialPort port;
        QVERIFY2(port.open(unit.devicePath(), line9600()), qPrintable(port.errorDescription())); // DTR/RTS refusal is harmless
        QVERIFY(port.write(QByteArray("*5831 SYS NAME T\xE9r*")));
        QByteArray in;
        connect(&port, &SerialPort::dataReceived, this, [&] { in += port.readAll(); });
        QTRY_VERIFY_WITH_TIMEOUT(in.contains(')'), 5000);
        QCOMPARE(unit.protocol().state().systemName, QStringLiteral("T\u00E9r")); // one byte per character

        QSignalSpy lost(&port, &SerialPort::lost);
        unit.unplug();
        QVERIFY(lost.wait(5000));
        QVERIFY(!port.isOpen());
        // Qt would keep signalling the error while the port stayed open: it must not.
        QTest::qWait(200);
        QCOMPARE(lost.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
