// The number list in and out as CSV: awkward files as spreadsheets write them, the way back,
// and the import button's summary and choice.
#include "mainwindow/numberimport.h"
#include "platform/textfile.h"
#include "rig.h"
#include "settings/unitmodel.h"
#include "tests/support/fakes.h"
#include "transfer/numbercsv.h"

#include <QtTest>

using settings::kGate;
using settings::kIntercom;

namespace {
// "line:number:outputs or unit" per row read, ";"-joined; then " | " and "line:why" per refusal.
QString described(const transfer::NumbersCsv &csv)
{
    const QStringList rows = fakes::textsOf(csv.numbers, [](const auto &n) {
        return QStringLiteral("%1:%2:%3").arg(n.line).arg(n.row.number, n.row.unit + settings::output_digits(n.row.outputs));
    });
    const QStringList refused = fakes::textsOf(csv.refused, [](const auto &r) { return QStringLiteral("%1:%2").arg(r.line).arg(r.why); });
    return rows.join(';') + " | " + refused.join(';') + (csv.header ? " (header)" : "");
}
} // namespace

class TstNumberCsv : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void read_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("rowsRead");
        QTest::addColumn<QString>("read");
        QTest::newRow("as exported") << kGate << QByteArray("number,outputs\r\n27821,13\r\n27822,\r\n") << 2
                                     << "2:+27821:13;3:+27822: |  (header)";
        QTest::newRow("semicolons, quotes, no header") << kGate << QByteArray("\"082 123\";\"1;4\"\n0823;2\n") << 2
                                                       << "1:+2782123:14;2:+27823:2 | ";
        QTest::newRow("BOM, CR LF, blank lines, quoted line break")
            << kIntercom << QByteArray("\xEF\xBB\xBFPhone;Unit\r\n\r\n+27821;7\r\n;\r\n27822;;\"note\non two lines\"\r\n27823;08\r\n") << 3
            << "3:+27821:7;5:+27822:;7:+27823:08 |  (header)";
        const QString onlyDigits = "A telephone number holds only digits, with an optional \"+\" in front; ";
        QTest::newRow("refused rows and a duplicate")
            << kGate << QByteArray("27821,1\n,2\n0821-1,1\n27+1,1\n27822,5\n27 821,2\nlast,1\n27\x01"
                                   "2,1")
            << 8
            << "1:+27821:1;3:+278211:1 | 2:A telephone number needs at least one digit;4:" + onlyDigits
                   + "\"+\" is not allowed;5:the outputs \"5\" are not digits 1 to 4;6:+27821 is already on line 1;7:"
                   + onlyDigits + "\"l\" is not allowed;8:" + onlyDigits + "character 1 is not allowed";
        QTest::newRow("intercom unit that is no number")
            << kIntercom << QByteArray("number,unit\r\n27821,A1\r\n27822,123456789012345678901\r\n") << 2
            << " | 2:the unit number holds \"A\", which is not a digit;3:the unit number has more than 20 digits "
               "(header)";
        // A number of fifteen million digits is refused like any other too long, without freezing.
        QTest::newRow("fifteen million digits") << kGate << "27821,1\n" + QByteArray(15'000'000, '7') + ",1\n"
                                                << 2
                                                << "1:+27821:1 | 2:A telephone number has at most 20 digits";
    }
    void read()
    {
        QFETCH(QString, model);
        QFETCH(QByteArray, file);
        QFETCH(int, rowsRead);
        QFETCH(QString, read);
        const transfer::NumbersCsv csv = transfer::read_numbers_csv(file, model);
        QCOMPARE(described(csv), read);
        QCOMPARE(csv.rowsRead, rowsRead);
        QVERIFY(csv.error.isEmpty());
    }

    void exportReadsBackUnchanged()
    {
        const QList<settings::NumberRow> gate{{"", "+27821", {true, false, true, false}}, {"", "+27822", {}}};
        QCOMPARE(transfer::numbers_csv(gate, kGate), "number,outputs\r\n27821,13\r\n27822,\r\n");
        const QList<settings::NumberRow> intercom{{"7", "+27821", {}}, {"", "+27822", {}}, {"1,2", "+27823", {}}};
        for (const auto &[model, rows] : {std::pair{kGate, gate}, std::pair{kIntercom, intercom}}) {
            const transfer::NumbersCsv back = transfer::read_numbers_csv(transfer::numbers_csv(rows, model), model);
            QList<settings::NumberRow> got;
            for (const auto &n : back.numbers)
                got << n.row;
            if (model == kIntercom) // a unit "1,2" is quoted on the way out and refused on the way in
                QCOMPARE(back.refused.size(), 1);
            QCOMPARE(got, model == kGate ? rows : rows.mid(0, 2));
        }
    }

    // Nothing changes before the operator chooses; the summary names refused lines and duplicates.
    void importAsksFirst_data()
    {
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QString>("rows");
        QTest::newRow("replace") << QList<int>{0} << "1:+27822;2:+27821;3:+27823";
        QTest::newRow("add") << QList<int>{1} << "1:+27821;2:+27822;3:+27823";
        QTest::newRow("cancel") << QList<int>{2} << "1:+27821";
    }
    void importAsksFirst()
    {
        QFETCH(QList<int>, answers);
        QFETCH(QString, rows);
        Pages p;
        p.addRow("1", "+27821");
        fakes::FakeDialogs d;
        d.choices = answers;
        d.openAnswer = dir.filePath("list.csv");
        QVERIFY(platform::writeFileAtomically(d.openAnswer, "number;outputs\r\n0822;1\r\n27821;2\r\nx;1\r\n27823;", nullptr));
        mainwindow::importNumbers(p.editors, kGate, d);
        QCOMPARE(p.rows(), rows);
        QCOMPARE(d.questions.size(), 1);
        QCOMPARE(d.questions.first().text,
                 "4 rows read from \"list.csv\", 3 can be imported.\n1 row refused:\nline 4: A telephone number holds only "
                 "digits, with an optional \"+\" in front; \"x\" is not allowed\n1 number is already in the list "
                 "(line 3): adding leaves them out.");
        QCOMPARE(d.questions.first().buttons, QStringList({"Replace the list", "Add to the list", "Cancel"}));
    }

    void importTooLongIsRefused()
    {
        Pages p;
        QByteArray file;
        for (int i = 0; i < 998; ++i) // 4 fixed commands + 998 numbers: two more than one upload sends
            file += "2782" + QByteArray::number(i) + ",1\n";
        fakes::FakeDialogs d;
        d.openAnswer = dir.filePath("long.csv");
        QVERIFY(platform::writeFileAtomically(d.openAnswer, file, nullptr));
        mainwindow::importNumbers(p.editors, kGate, d);
        QCOMPARE(p.rows(), "");
        QVERIFY(d.questions.isEmpty());
        QVERIFY(d.messageTexts().value(0).endsWith("Remove 2 numbers and import again. Nothing was changed."));
    }
};

QTEST_MAIN(TstNumberCsv)
#include "tst_numbercsv.moc"
