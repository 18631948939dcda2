// The port catalogue's numbering and the real QSerialPort adapter on a pseudo-terminal.
#include "platform/portcatalogue.h"
#include "platform/qtdialogs.h"
#include "platform/qtserialport.h"
#include "unitsim/ptyunit.h"

#include <QSignalSpy>
#include <QSocketNotifier>
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
    void numbering()
    {
        const QList<PortEntry> system{{0, QStringLiteral("/dev/ttyUSB0"), QStringLiteral("USB adapter")},
                                      {0, QStringLiteral("/dev/ttyS0"), QString()},
                                      {0, QStringLiteral("/dev/ttyACM0"), QString()}};
        const auto out = SystemPortCatalogue::number(system, QStringLiteral("/dev/pts/7::/dev/pts/9"),
                                                     QStringLiteral("/dev/pts/3"));
        QStringList devices;
        for (const auto &e : out)
            devices << QString::number(e.number) + QLatin1Char('=') + e.device;
        QCOMPARE(devices, QStringList({"1=/dev/ttyACM0", "2=/dev/ttyS0", "3=/dev/ttyUSB0", "4=/dev/pts/7",
                                       "5=/dev/pts/9", "6=/dev/pts/3"}));
        QCOMPARE(out.last().description, QStringLiteral("Simulated unit"));
        QCOMPARE(out.at(2).description, QStringLiteral("USB adapter"));
        // Without a simulated unit and extra paths only the system's devices are numbered.
        QCOMPARE(SystemPortCatalogue::number(system, QString(), QString()).size(), 3);
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
        unitsim::PtyUnit unit;
        QVERIFY(unit.start());
        FixedPortCatalogue catalogue({{1, QStringLiteral("/dev/does-not-exist-42"), QString()},
                                      {2, QStringLiteral("/dev/null"), QString()},
                                      {3, unit.devicePath(), QString()}});
        QtSerialPort port(catalogue), other(catalogue);
        QVERIFY(!port.open(5, line9600()));
        QCOMPARE(port.errorNumber(), kInvalidPortNumber);
        QVERIFY(!port.open(1, line9600()));
        QCOMPARE(port.errorNumber(), int(QSerialPort::DeviceNotFoundError));
        QVERIFY2(port.errorDescription().contains(QStringLiteral("plugged in")), qPrintable(port.errorDescription()));
        QVERIFY(!port.open(2, line9600()));
        QVERIFY(!port.isOpen() && !port.write("x"));
        // A port another program holds is named as such.
        QVERIFY(other.open(3, line9600()));
        QVERIFY(!port.open(3, line9600()));
        QCOMPARE(port.errorNumber(), int(QSerialPort::PermissionError));
        QVERIFY2(port.errorDescription().contains(QStringLiteral("Another program")),
                 qPrintable(port.errorDescription()));
    }

    void bytesBothWaysAndUnplugReportedOnce()
    {
        unitsim::PtyUnit unit;
        QVERIFY(unit.start());
        FixedPortCatalogue catalogue({{3, unit.devicePath(), QString()}});
        QtSerialPort port(catalogue);
        QVERIFY2(port.open(3, line9600()), qPrintable(port.errorDescription())); // DTR/RTS refusal is harmless
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
