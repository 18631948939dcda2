#include "unitsim/ptyunit.h"

#include <QSerialPort>
#include <QSignalSpy>
#include <QtTest>

using unitsim::PtyUnit;

class TestPtyUnit : public QObject {
    Q_OBJECT
private slots:
    void splitKeepsBytes_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("pieces");
        QTest::addColumn<bool>("cutInsideCode");
        QTest::newRow("two") << QByteArray("OK (12)\r\n") << 2 << true;
        QTest::newRow("five") << QByteArray("TEL CLRN\r\nOK (23)\r\n") << 5 << true;
        QTest::newRow("one-digit code") << QByteArray("E (9)") << 3 << true;
        QTest::newRow("more pieces than bytes") << QByteArray("(14)") << 50 << true;
        QTest::newRow("dump") << QByteArray("\r\n|SN,x\r\n|<END>\r\n") << 3 << false;
        QTest::newRow("whole") << QByteArray("OK (12)") << 1 << false;
    }
    void splitKeepsBytes()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, pieces);
        QFETCH(bool, cutInsideCode);
        const QList<QByteArray> parts = unitsim::splitReply(reply, pieces);
        QVERIFY(parts.size() <= pieces);
        QCOMPARE(parts.join(), reply);
        bool inside = false;
        for (const QByteArray &p : parts) {
            QVERIFY(!p.isEmpty());
            inside = inside || (p.contains('(') && !p.mid(p.lastIndexOf('(')).contains(')'));
        }
        QCOMPARE(inside, cutInsideCode);
        if (!cutInsideCode && reply.size() >= pieces)
            QCOMPARE(parts.size(), pieces);
    }

    // The program's side: a real QSerialPort on the slave, as the program opens it.
    void servesASerialPortUntilUnplugged()
    {
        PtyUnit unit;
        QString error;
        QVERIFY2(unit.start(&error), qPrintable(error));
        QVERIFY(unit.devicePath().startsWith("/dev/pts/"));

        QSerialPort port(unit.devicePath());
        port.setBaudRate(QSerialPort::Baud9600);
        port.setDataBits(QSerialPort::Data8);
        port.setParity(QSerialPort::NoParity);
        port.setStopBits(QSerialPort::OneStop);
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

        // Silent: obeys, answers nothing; the next answer is the only one on the line.
        received.clear();
        unit.behaviour().silent = true;
        port.write("*5831 SYS NAME Quiet*");
        QVERIFY(commands.wait(10000));
        QCOMPARE(unit.protocol().state().systemName, QString("Quiet"));
        unit.behaviour().silent = false;
        port.write("*5831 SYS NAME Loud*");
        QTRY_VERIFY_WITH_TIMEOUT(received.endsWith(")\r\n"), 10000);
        QCOMPARE(received, QByteArray("SYS NAME Loud\r\nOK (12)\r\n"));

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
