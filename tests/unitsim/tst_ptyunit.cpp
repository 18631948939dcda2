#include "unitsim/ptyunit.h"

#include <QSerialPort>
#include <QSignalSpy>
#include <QtTest>

using unitsim::PtyUnit;

class TestPtyUnit : public QObject {
    Q_OBJECT
private slots:
    void splitCutsInsideTheCode()
    {
        for (const QByteArray &reply : {QByteArray("TEL CLRN\r\nOK (23)\r\n"), QByteArray("(9)")}) {
            const QList<QByteArray> parts = unitsim::splitReply(reply, 4);
            QVERIFY(parts.size() > 1 && parts.size() <= 4 && !parts.contains(QByteArray()));
            QCOMPARE(parts.join(), reply);
            QVERIFY(std::any_of(parts.begin(), parts.end() - 1,
                                [](const QByteArray &p) { return p.lastIndexOf('(') > p.lastIndexOf(')'); }));
        }
    }

    // The program's side: a real QSerialPort on the slave, as the program opens it.
    void servesASerialPortUntilUnplugged()
    {
        PtyUnit unit;
        QString error;
        QVERIFY2(unit.start(&error), qPrintable(error));
        QVERIFY(unit.devicePath().startsWith("/dev/pts/"));

        QSerialPort port(unit.devicePath());
        port.setBaudRate(QSerialPort::Baud9600); // 8N1 is the default
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        QByteArray received;
        connect(&port, &QSerialPort::readyRead, this, [&] { received += port.readAll(); });
        QList<QSerialPort::SerialPortError> errors;
        connect(&port, &QSerialPort::errorOccurred, this, [&](QSerialPort::SerialPortError e) {
            if (e == QSerialPort::NoError)
                return;
            errors << e;
            port.close(); // or the error repeats without end
        });
        QSignalSpy commands(&unit, &PtyUnit::commandReceived);

        port.write("*5831 SYS NAME Pty*");
        QTRY_VERIFY_WITH_TIMEOUT(received.contains(')'), 10000);
        QCOMPARE(received, QByteArray("OK (12)\r\n"));
        QCOMPARE(unit.protocol().state().systemName, QString("Pty"));
        QCOMPARE(commands.size(), 1);
        QCOMPARE(commands.first().first().toString(), QString("SYS NAME Pty"));

        // Awkward delivery changes the timing, never the bytes.
        unit.behaviour().echo = true;
        unit.behaviour().splitReplies = 3;
        unit.behaviour().pauseMs = 20;
        unit.behaviour().pace9600 = true;
        unit.behaviour().dumpPauseMs = 100;
        received.clear();
        port.write("*5831 SET OUT2 NOW ON*");
        QTRY_VERIFY_WITH_TIMEOUT(received.endsWith(")\r\n"), 10000);
        QCOMPARE(received, QByteArray("SET OUT2 NOW ON\r\nOUTPUT2 ON (16)\r\n"));
        received.clear();
        port.write("*5831 SYS SPEW*\r");
        QTRY_VERIFY_WITH_TIMEOUT(received.contains("<END>\r\n"), 10000);
        QCOMPARE(received, "SYS SPEW\r\n" + unit.protocol().dump());

        unit.unplug();
        QTRY_VERIFY_WITH_TIMEOUT(!errors.isEmpty(), 10000);
        // Qt 6.4 derives the kind from whatever errno the hang-up left: ReadError,
        // or ResourceError when the last failed call in this thread was EAGAIN.
        QVERIFY2(errors.first() == QSerialPort::ReadError || errors.first() == QSerialPort::ResourceError,
                 QByteArray::number(errors.first()));
    }
};

QTEST_GUILESS_MAIN(TestPtyUnit)
#include "tst_ptyunit.moc"
