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
        const qint16 none = unitlink::kCodeWithoutEffect;
        // clang-format off
        QTest::newRow("echo around") << "*1234 SYS NAME Home*\r\nOK (12)\r\n" << Codes{12};
        QTest::newRow(") before (") << ") x (22)(14)" << Codes{22, 14};
        QTest::newRow("blanks tabs lf") << "( \t1\n2 )(\r12)" << Codes{12, 0};
        QTest::newRow("not a number") << "(OK)()(38abc)" << Codes{0, 0, 38};
        QTest::newRow("signs") << "(-3)(+24)(- 5)" << Codes{-3, 24, -5};
        QTest::newRow("halves to even") << "(12.5)(13.5)(-2.5)(.5)" << Codes{12, 14, -2, 0};
        QTest::newRow("not halves") << "(12.51)(0.4)(7.)" << Codes{13, 0, 7};
        QTest::newRow("16-bit ends") << "(32767)(-32768)" << Codes{32767, -32768};
        QTest::newRow("overflow") << "(32768)(-32769)(99999999999999999999)(32767.5)" << Codes{none, none, none, none};
        QTest::newRow("unclosed ignored") << "(12) (2" << Codes{12};
        QTest::newRow("nested (") << "((12)" << Codes{0};
        QTest::newRow("first 21 only") << QString("(3)").repeated(21) + "(12)" << Codes(21, 3);
        // clang-format on
    }
    void readsCodes()
    {
        QFETCH(QString, reply);
        QFETCH(Codes, codes);
        QCOMPARE(unitlink::read_reply_codes(reply), codes);
    }
};

QTEST_GUILESS_MAIN(TstReplyCodes)
#include "tst_replycodes.moc"
