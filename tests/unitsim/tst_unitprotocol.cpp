#include "unitsim/unitprotocol.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QtTest>

using unitsim::UnitProtocol;

namespace {

QList<int> codesOf(const QByteArray &reply)
{
    QList<int> codes;
    static const QRegularExpression code(QStringLiteral("\\((\\d+)\\)"));
    for (const auto &m : code.globalMatch(QString::fromLatin1(reply)))
        codes << m.captured(1).toInt();
    return codes;
}

// Sends one framed command and returns the codes of its answer.
QList<int> send(UnitProtocol &unit, const QString &command, const QString &password = QStringLiteral("5831"))
{
    const auto exchanges = unit.feed("*" + (password + " " + command).toLatin1() + "*");
    return exchanges.size() == 1 ? codesOf(exchanges.first().reply) : QList<int>{-1};
}

} // namespace

class TestUnitProtocol : public QObject {
    Q_OBJECT
private slots:
    void framing_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QStringList>("commands");
        QTest::newRow("one frame") << QByteArray("*5831 SYS NAME Gate*") << QStringList{"SYS NAME Gate"};
        QTest::newRow("CR after, then another") << QByteArray("*5831 SYS SPEW*\r*5831 TEL CLRN*") << QStringList{"SYS SPEW", "TEL CLRN"};
        QTest::newRow("noise, stray star, line end") << QByteArray("hello*\r\n*5831 TEL CLRN*") << QStringList{"TEL CLRN"};
        QTest::newRow("empty frame") << QByteArray("***5831 TEL CLRN*") << QStringList{"TEL CLRN"};
        QTest::newRow("oversize frame, then a good one")
            << QByteArray("*" + QByteArray(600, 'A') + "*5831 TEL CLRN*") << QStringList{"TEL CLRN"};
        QTest::newRow("unclosed") << QByteArray("*5831 TEL CLRN") << QStringList{};
        QTest::newRow("Latin-1 value") << QByteArray("*5831 SYS NAME T\xf6r*") << QStringList{"SYS NAME T\u00f6r"};
    }
    void framing()
    {
        QFETCH(QByteArray, stream);
        QFETCH(QStringList, commands);
        for (int piece : {int(stream.size()), 1, 7}) {
            UnitProtocol unit;
            QStringList got;
            for (qsizetype i = 0; i < stream.size(); i += piece)
                for (const auto &e : unit.feed(stream.mid(i, piece)))
                    got << e.command;
            QCOMPARE(got, commands);
        }
    }

    void newPasswordTakesOver()
    {
        UnitProtocol unit;
        QCOMPARE(send(unit, "SYS PASS 77 7"), QList<int>{38});
        QCOMPARE(send(unit, "SYS NAME X"), QList<int>{39});
        QCOMPARE(send(unit, "SYS NAME X", "77 7"), QList<int>{12});
        QCOMPARE(unit.state().systemName, QString("X"));
    }

    void vocabulary_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("code");
        QTest::newRow("name with bar") << "SYS NAME a|b" << 11;
        QTest::newRow("erep on") << "SYS EREP ON" << 12;
        QTest::newRow("erep nonsense") << "SYS EREP YES" << 11;
        QTest::newRow("monitor") << "SYS MONI 24" << 12;
        QTest::newRow("master") << "TEL MAST +27821" << 22;
        QTest::newRow("add") << "TEL ADDN +27821,13" << 24;
        QTest::newRow("add without comma") << "TEL ADDN 27821" << 11;
        QTest::newRow("unknown") << "SYS FOO 1" << 11;
        for (int n = 1; n <= 4; ++n) {
            QTest::addRow("out%d on", n) << QString("SET OUT%1 NOW ON").arg(n) << 12 + 2 * n;
            QTest::addRow("out%d off", n) << QString("SET OUT%1 NOW OFF").arg(n) << 11 + 2 * n;
        }
    }
    void vocabulary()
    {
        QFETCH(QString, command);
        QFETCH(int, code);
        UnitProtocol unit;
        QCOMPARE(send(unit, command), QList<int>{code});
        if (code == 11) // a refusal stores nothing
            QCOMPARE(unit.dump(), UnitProtocol().dump());
    }

    void dumpListsWhatIsStored()
    {
        UnitProtocol unit;
        unit.setEcho(true);
        // Only what was added after the list was cleared is listed; a number sent again
        // replaces its entry in place.
        for (const char *c : {"TEL ADDN 111,1", "TEL CLRN", "SYS NAME Yard, north", "SYS INP2 Gate open",
                              "TEL MAST +27820", "TEL ADDN 27821,2", "TEL ADDN +27822,", "TEL ADDN +27821,13"})
            QCOMPARE(send(unit, c).size(), 1);
        const auto exchanges = unit.feed("*5831 SYS SPEW*\r");
        QCOMPARE(exchanges.size(), 1);
        // The echo comes first, in the preamble the reader skips.
        QCOMPARE(exchanges.first().reply,
                 QByteArray("SYS SPEW\r\n\r\n|MP,5831\r\n|SN,Yard, north\r\n|MN,+27820\r\n|I1,\r\n|I2,Gate open\r\n"
                            "|I3,\r\n|I4,\r\n|TN,27821,1,13\r\n|TN,27822,2,\r\n|<END>\r\n"));
    }

    void garbageStaysBounded()
    {
        UnitProtocol unit;
        const QByteArray alphabet("*** 5831SYPASNEM\r\n|,\xff\x00", 22);
        QRandomGenerator rng(7);
        for (int round = 0; round < 5000; ++round) {
            QByteArray piece;
            for (int i = rng.bounded(1, 64); i > 0; --i)
                piece += alphabet.at(rng.bounded(int(alphabet.size())));
            for (const auto &e : unit.feed(piece))
                QCOMPARE(codesOf(e.reply), QList<int>{39});
            QVERIFY(unit.pendingBytes() <= UnitProtocol::MaxFrame + 1);
        }
        // A frame that never closes is not kept either.
        unit.feed("*5831 SYS NAME ");
        for (int i = 0; i < 2000; ++i) {
            unit.feed(QByteArray(50, 'A'));
            QVERIFY(unit.pendingBytes() <= UnitProtocol::MaxFrame + 1);
        }
        QCOMPARE(unit.dump(), UnitProtocol().dump());
        // A line end ends whatever noise frame is open; the next command gets through.
        unit.feed("\r\n");
        QCOMPARE(send(unit, "TEL CLRN"), QList<int>{23});
    }
};

QTEST_GUILESS_MAIN(TestUnitProtocol)
#include "tst_unitprotocol.moc"
