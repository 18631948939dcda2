#include "link/replycodes.h"

#include <QTest>

using Codes = QList<qint16>;

class TstReplyCodes : public QObject {
    Q_OBJECT
private slots:
    void readsCodes_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<Codes>("codes");
        QTest::addColumn<int>("unreadable");
        const qint16 none = unitlink::kCodeWithoutEffect;
        // clang-format off
        QTest::newRow("echo around") << "*1234 SYS NAME Home*\r\nOK (12)\r\n" << Codes{12} << 0;
        QTest::newRow(") before (") << ") x (22)(14)" << Codes{22, 14} << 0;
        QTest::newRow("blanks tabs lf") << "( \t1\n2 )(\r12)" << Codes{12} << 1;
        QTest::newRow("not a number") << "(OK)()(38abc)" << Codes{} << 3;
        QTest::newRow("signs") << "(-3)(+24)(- 5)" << Codes{-3, 24, -5} << 0;
        QTest::newRow("whole numbers only") << "(12.5)(7.)(.5)(12)" << Codes{12} << 3;
        QTest::newRow("16-bit ends") << "(32767)(-32768)" << Codes{32767, -32768} << 0;
        QTest::newRow("overflow") << "(32768)(-32769)(99999999999999999999)" << Codes{none, none, none} << 0;
        QTest::newRow("unclosed ignored") << "(12) (2" << Codes{12} << 0;
        QTest::newRow("nested (") << "((12)" << Codes{} << 1;
        QTest::newRow("first 21 only") << QString("(3)").repeated(21) + "(12)" << Codes(21, 3) << 0;
        // clang-format on
    }
    void readsCodes()
    {
        QFETCH(QString, reply);
        QFETCH(Codes, codes);
        int bad = -1;
        QCOMPARE(unitlink::read_reply_codes(reply, unitlink::kMaxReplyCodes, &bad), codes);
        QTEST(bad, "unreadable");
    }

    void actsOnCodes_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("said"); // a: accepted, w: wrong password, o: output states only, n: noise; outputs
        // clang-format off
        QTest::newRow("accepted, output 1 on") << "(12)(14)" << "a 1+";
        QTest::newRow("zero stops") << "(0)(12)" << " ";
        QTest::newRow("negative stops") << "(13)(-1)(12)" << "o 1-";
        QTest::newRow("outputs in order") << "(13)(15)(17)(19)(16)(18)(20)(14)" << "o 1-2-3-4-2+3+4+1+";
        QTest::newRow("other acceptances") << "(23)(38)(24)(22)" << "a ";
        QTest::newRow("39 and accepted") << "(39)(22)" << "aw ";
        QTest::newRow("overflow goes on") << "(40000)(12)" << "a ";
        QTest::newRow("noise") << "(x)(\x01)" << "n ";
        QTest::newRow("noise around a code") << "(x)(12)" << "a ";
        // clang-format on
    }
    void actsOnCodes()
    {
        QFETCH(QString, reply);
        const unitlink::Reply r = unitlink::read_reply(reply);
        QString said = QString(r.accepted ? "a" : "") + (r.wrongPassword ? "w" : "") + (r.outputStateOnly ? "o" : "")
                       + (r.noise() ? "n" : "") + ' ';
        for (const unitlink::OutputState &o : r.outputs)
            said += QString::number(o.output) + (o.on ? '+' : '-');
        QTEST(said, "said");
    }
};

QTEST_GUILESS_MAIN(TstReplyCodes)
#include "tst_replycodes.moc"
