// What a settings text does to the editors, record by record.
#include "rig.h"
#include "transfer/settingsparser.h"

#include <QtTest>

class TstSettingsParser : public QObject {
    Q_OBJECT
private slots:
    void records_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("editors"); // pass/name/master/input 1/input 2 afterwards
        QTest::addColumn<QString>("rows");    // the list, which held "1:+2700" before

        const QString untouched = "5831/GSM Unit//Input 1/Input 2";
        const QString before = "1:+2700";
        QTest::newRow("file form") << "<START>|MP,1234|SN,Gate A|<END>" << "1234/Gate A//Input 1/Input 2" << before;
        QTest::newRow("no bar: preamble only") << "MP,1234" << untouched << before;
        QTest::newRow("first piece skipped, last read") << "SN,Front|MP,99" << "99/GSM Unit//Input 1/Input 2"
                                                        << before;
        QTest::newRow("empty contents") << "x|MP,|SN,|MN,|I1,|TN,|TN|" << untouched << before;
        QTest::newRow("tags are exact") << "|sn,low|Sn,mixed|SN x|MN;1" << untouched << before;
        QTest::newRow("commas kept") << "|SN,Gate, North|I2,a,b|MN,+27,1" << "5831/Gate, North/+27,1/Input 1/a,b"
                                     << before;
        QTest::newRow("dot ends the password") << "|MP,12.34|I1,x" << "12/GSM Unit//x/Input 2" << before;
        QTest::newRow("nothing before the dot") << "|MP,.34" << untouched << before;
        QTest::newRow("second value read as a number")
            << "|TN,2782,5|TN,2783,05|TN,2784,x|TN,2785, 1 2ab|TN,2786,-07.50,9" << untouched
            << before + ";5:+2782;5:+2783;0:+2784;12:+2785;-7.5:+2786";
        QTest::newRow("two fields keep the row") << "|TN,2782|TN,,3" << untouched << before + ";2:+2782;3:+";
    }
    void records()
    {
        QFETCH(QString, text);
        QFETCH(QString, editors);
        QFETCH(QString, rows);
        Pages p;
        p.addRow("1", "+2700");
        const transfer::ParseResult result = transfer::parse_settings(text, p.editors);
        const auto &e = p.editors;
        QCOMPARE(QStringList({e.password(), e.systemName(), e.masterNumber(), e.inputName(0), e.inputName(1)})
                     .join('/'),
                 editors);
        QCOMPARE(p.rows(), rows);
        QCOMPARE(result.rowsAdded, p.grid().rows() - 2);
        QVERIFY(result.longValues.isEmpty());
    }

    void longValuesKeptWholeAndReportedOnce()
    {
        Pages p;
        const QString name17 = "Seventeen chars!!";
        const auto result = transfer::parse_settings(
            "|MP,123456|SN,ok|I3,Sixteen chars!!!|SN," + name17 + "|MP,12|MN,+27821234567890123", p.editors);
        QCOMPARE(p.editors.systemName(), name17);
        QCOMPARE(p.editors.inputName(2), "Sixteen chars!!!");
        QCOMPARE(p.editors.password(), "12"); // the later, short password replaces the long one
        QCOMPARE(result.records, 6);
        QCOMPARE(transfer::long_values_message(result),
                 "Some values are longer than the editors allow and were kept whole: Input name 3 (16 characters), "
                 "System name (17 characters)");
        QVERIFY(transfer::long_values_message(transfer::parse_settings("|SN,short", p.editors)).isEmpty());
    }
};

QTEST_MAIN(TstSettingsParser)
#include "tst_settingsparser.moc"
