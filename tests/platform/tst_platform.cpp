// The port catalogue's numbering and the real QSerialPort adapter on a pseudo-terminal.
#include "platform/portcatalogue.h"
#include "platform/qtdialogs.h"
#include "platform/qtserialport.h"

#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTest>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

using namespace platform;

namespace {
// The far end of a serial line: the master side of a pseudo-terminal.
struct Pty {
    int master = -1, slave = -1;
    QString path;
    Pty()
    {
        char name[128] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
            return;
        termios t{};
        tcgetattr(master, &t);
        cfmakeraw(&t);
        tcsetattr(master, TCSANOW, &t);
        path = QString::fromLocal8Bit(name);
    }
    ~Pty() { closeAll(); }
    void closeAll()
    {
        if (master >= 0)
            ::close(master);
        if (slave >= 0)
            ::close(slave);
        master = slave = -1;
    }
    QByteArray readSome()
    {
        char buf[256];
        fcntl(master, F_SETFL, O_NONBLOCK);
        const ssize_t n = ::read(master, buf, sizeof buf);
        return n > 0 ? QByteArray(buf, int(n)) : QByteArray();
    }
};

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
        QCOMPARE(QtDialogs::toQtFilter(QStringLiteral("Norvik GSM Files (*.gsm)|*.gsm|All Files (*.*)|*.*")),
                 QStringLiteral("Norvik GSM Files (*.gsm);;All Files (*.*)"));
        QCOMPARE(QtDialogs::toQtFilter(QStringLiteral("Text|*.txt")), QStringLiteral("Text (*.txt)"));
    }

    void openFailures()
    {
        FixedPortCatalogue catalogue({{1, QStringLiteral("/dev/does-not-exist-42"), QString()},
                                      {2, QStringLiteral("/dev/null"), QString()}});
        QtSerialPort port(catalogue);
        QVERIFY(!port.open(5, line9600()));
        QCOMPARE(port.errorNumber(), kInvalidPortNumber);
        QVERIFY(!port.open(1, line9600()));
        QCOMPARE(port.errorNumber(), int(QSerialPort::DeviceNotFoundError));
        QVERIFY2(port.errorDescription().contains(QStringLiteral("plugged in")), qPrintable(port.errorDescription()));
        QVERIFY(!port.open(2, line9600()));
        QVERIFY(!port.isOpen());
        QVERIFY(!port.write("x"));
    }

    void busyPortSaysSo()
    {
        Pty pty;
        QVERIFY(!pty.path.isEmpty());
        FixedPortCatalogue catalogue({{1, pty.path, QString()}});
        QtSerialPort first(catalogue), second(catalogue);
        QVERIFY(first.open(1, line9600()));
        QVERIFY(!second.open(1, line9600()));
        QCOMPARE(second.errorNumber(), int(QSerialPort::PermissionError));
        QVERIFY2(second.errorDescription().contains(QStringLiteral("Another program")),
                 qPrintable(second.errorDescription()));
    }

    void bytesBothWaysAndUnplugReportedOnce()
    {
        Pty pty;
        QVERIFY(!pty.path.isEmpty());
        FixedPortCatalogue catalogue({{3, pty.path, QStringLiteral("test line")}});
        QtSerialPort port(catalogue);
        QVERIFY2(port.open(3, line9600()), qPrintable(port.errorDescription())); // DTR/RTS refusal is harmless
        QVERIFY(port.write(QByteArray("*5831 SET OUT1 NOW ON*\xE9", 23)));
        QByteArray got;
        QTRY_VERIFY_WITH_TIMEOUT((got += pty.readSome()).size() >= 23, 5000);
        QCOMPARE(got, QByteArray("*5831 SET OUT1 NOW ON*\xE9", 23));

        QSignalSpy data(&port, &SerialPort::dataReceived);
        QCOMPARE(::write(pty.master, "(14)", 4), ssize_t(4));
        QByteArray in;
        QTRY_VERIFY_WITH_TIMEOUT((in += port.readAll()).size() >= 4, 5000);
        QCOMPARE(in, QByteArray("(14)"));
        QVERIFY(data.count() >= 1);

        QSignalSpy lost(&port, &SerialPort::lost);
        pty.closeAll();
        QVERIFY(lost.wait(5000));
        QVERIFY(!port.isOpen());
        // Qt would keep signalling the error while the port stayed open: it must not.
        QTest::qWait(200);
        QCOMPARE(lost.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
