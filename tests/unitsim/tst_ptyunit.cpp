#include "unitsim/ptyunit.h"

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
};

QTEST_GUILESS_MAIN(TestPtyUnit)
#include "tst_ptyunit.moc"
