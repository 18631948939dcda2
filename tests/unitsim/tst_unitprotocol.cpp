#include "unitsim/unitprotocol.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QtTest>

using unitsim::UnitProtocol;

namespace {

QStringList commandsOf(const QList<unitsim::Exchange> &exchanges)
{
    QStringList out;
    for (const auto &e : exchanges)
        out << e.command;
    return out;
}

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

QString field(const unitsim::UnitState &s, const QString &name)
{
    QStringList numbers;
    for (const auto &e : s.numbers)
        numbers << e.number + "=" + e.value;
    QString outputs;
    for (bool on : s.outputs)
        outputs += on ? '1' : '0';
    const QMap<QString, QString> fields{
        {"name", s.systemName}, {"erep", QString::number(s.errorReporting)},
        {"moni", s.monitorDigits}, {"inp3", s.inputNames[2]}, {"master", s.masterNumber},
        {"numbers", numbers.join(' ')}, {"outputs", outputs}};
    return fields.value(name);
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
        QTest::newRow("CR after, then another")
            << QByteArray("*5831 SYS SPEW*\r*5831 TEL CLRN*") << QStringList{"SYS SPEW", "TEL CLRN"};
        QTest::newRow("noise before") << QByteArray("hello\r\n*5831 TEL CLRN*") << QStringList{"TEL CLRN"};
        QTest::newRow("stray star, line end, frame")
            << QByteArray("x*\r\n*5831 TEL CLRN*") << QStringList{"TEL CLRN"};
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
                got << commandsOf(unit.feed(stream.mid(i, piece)));
            QCOMPARE(got, commands);
        }
    }

    void passwordGuardsEveryCommand()
    {
        UnitProtocol unit;
        QCOMPARE(send(unit, "SYS NAME X", "1234"), QList<int>{39});
        QCOMPARE(unit.state().systemName, QString("GSM Unit"));
        QCOMPARE(send(unit, "SYS PASS 77 7"), QList<int>{38});
        QCOMPARE(send(unit, "SYS NAME X"), QList<int>{39});
        QCOMPARE(send(unit, "SYS NAME X", "77 7"), QList<int>{12});
        QCOMPARE(unit.state().systemName, QString("X"));
    }

    void vocabulary_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::newRow("name") << "SYS NAME Main, gate" << 12 << "name" << "Main, gate";
        QTest::newRow("name with bar") << "SYS NAME a|b" << 11 << "name" << "GSM Unit";
        QTest::newRow("erep on") << "SYS EREP ON" << 12 << "erep" << "1";
        QTest::newRow("erep nonsense") << "SYS EREP YES" << 11 << "erep" << "0";
        QTest::newRow("monitor") << "SYS MONI 24" << 12 << "moni" << "24";
        QTest::newRow("clear") << "TEL CLRN" << 23 << "numbers" << "";
        QTest::newRow("input 3") << "SYS INP3 Door" << 12 << "inp3" << "Door";
        QTest::newRow("master keeps +") << "TEL MAST +27821" << 22 << "master" << "+27821";
        QTest::newRow("add strips +") << "TEL ADDN +27821,13" << 24 << "numbers" << "27821=13";
        QTest::newRow("add without comma") << "TEL ADDN 27821" << 11 << "numbers" << "";
        QTest::newRow("unknown") << "SYS FOO 1" << 11 << "name" << "GSM Unit";
        for (int n = 1; n <= 4; ++n) {
            QString on(4, '0');
            on[n - 1] = '1';
            QTest::addRow("out%d on", n) << QString("SET OUT%1 NOW ON").arg(n) << 12 + 2 * n << "outputs" << on;
            QTest::addRow("out%d off", n) << QString("SET OUT%1 NOW OFF").arg(n) << 11 + 2 * n << "outputs" << "0000";
        }
    }
    void vocabulary()
    {
        QFETCH(QString, command);
        QFETCH(int, code);
        QFETCH(QString, field);
        QFETCH(QString, value);
        UnitProtocol unit;
        QCOMPARE(send(unit, command), QList<int>{code});
        QCOMPARE(::field(unit.state(), field), value);
    }

    void dumpReadsBack_data()
    {
        QTest::addColumn<unitsim::Model>("model");
        QTest::addColumn<QStringList>("numbers");
        QTest::newRow("gate") << unitsim::Model::Gate << QStringList{"TN,27821,1,13", "TN,27822,2,"};
        QTest::newRow("intercom") << unitsim::Model::Intercom << QStringList{"TN,27821,13", "TN,27822,"};
    }
    void dumpReadsBack()
    {
        QFETCH(unitsim::Model, model);
        QFETCH(QStringList, numbers);
        UnitProtocol unit;
        unit.setModel(model);
        unit.setEcho(true);
        // Only what was added after the list was cleared is listed.
        for (const char *c : {"TEL ADDN 111,1", "TEL CLRN", "SYS NAME Yard, north", "SYS INP2 Gate open",
                              "TEL MAST +27820", "TEL ADDN 27821,13", "TEL ADDN +27822,"})
            QCOMPARE(send(unit, c).size(), 1);
        const auto exchanges = unit.feed("*5831 SYS SPEW*\r");
        QCOMPARE(exchanges.size(), 1);
        QByteArray text = exchanges.first().reply;
        QVERIFY(text.startsWith("SYS SPEW\r\n")); // the echo stays in the skipped preamble
        text.replace("\r", "").replace("\n", "");
        QStringList records = QString::fromLatin1(text).split('|');
        records.removeFirst();
        QStringList expected{"MP,5831", "SN,Yard, north", "MN,+27820", "I1,", "I2,Gate open", "I3,", "I4,"};
        QCOMPARE(records, expected + numbers + QStringList{"<END>"});
    }

    void garbageStaysBounded()
    {
        UnitProtocol unit;
        const QByteArray before = unit.dump();
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
        QCOMPARE(unit.dump(), before);
        // A line end ends whatever noise frame is open; the next command gets through.
        QCOMPARE(commandsOf(unit.feed("\r\n*5831 TEL CLRN*")), QStringList{"TEL CLRN"});
    }
};

QTEST_GUILESS_MAIN(TestUnitProtocol)
#include "tst_unitprotocol.moc"
