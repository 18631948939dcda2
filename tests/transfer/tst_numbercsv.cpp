// The number list in and out as CSV: awkward files as spreadsheets write them, the way back,
// and the import button's summary and choice.
#include "mainwindow/importpreviewdialog.h"
#include "mainwindow/numberimport.h"
#include "platform/textfile.h"
#include "rig.h"
#include "settings/unitmodel.h"
#include "tests/support/fakes.h"
#include "transfer/importpreview.h"
#include "transfer/numbercsv.h"

#include <QPushButton>
#include <QTableWidget>
#include <QUndoStack>

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
        QCOMPARE(transfer::numbers_csv(gate, kGate), "number,outputs\r\n\"=\"\"+27821\"\"\",13\r\n\"=\"\"+27822\"\"\",\r\n");
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

    // What the preview says of values a spreadsheet damaged, and of the rest, against a list
    // holding +27829990000.
    void preview_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("outcomes"); // "line:outcome:number:why" per row
        using O = transfer::ImportRow::Outcome;
        const auto row = [](int line, O o, const QString &number, const QString &why = {}) {
            static const char *names[] = {"accepted", "merged", "damaged", "refused"};
            return QStringLiteral("%1:%2:%3:%4").arg(line).arg(QLatin1String(names[int(o)]), number, why);
        };
        QTest::newRow("leading 0 dropped") << QByteArray("821234567,1\n712345678,1\n612345678,1\n512345678,1\n")
                                           << QStringList{row(1, O::Damaged, "+27821234567", "leading 0 dropped?"),
                                                          row(2, O::Damaged, "+27712345678", "leading 0 dropped?"),
                                                          row(3, O::Damaged, "+27612345678", "leading 0 dropped?"),
                                                          row(4, O::Accepted, "+512345678")}
                                                  .join(';');
        QTest::newRow("scientific notation, either decimal mark")
            << QByteArray("8.21234567E+10,1\n\"8,21E+10\",1\n2.7E10,1\n0821234567,1\n")
            << QStringList{row(1, O::Refused, "", "scientific"), row(2, O::Refused, "", "scientific"),
                           row(3, O::Refused, "", "scientific"), row(4, O::Accepted, "+27821234567")}
                   .join(';');
        QTest::newRow("plus lost beside numbers that kept it")
            << QByteArray("number,outputs\n+27821234567,1\n27821234568,1\n\"=\"\"+27821234569\"\"\",1\n'0821234570,1\n")
            << QStringList{row(2, O::Accepted, "+27821234567"), row(3, O::Damaged, "+27821234568", "\"+\" lost?"),
                           row(4, O::Accepted, "+27821234569"), row(5, O::Accepted, "+27821234570")}
                   .join(';');
        // What a spreadsheet program wrote when it saved the export again (measured, see the README).
        QTest::newRow("export saved again by a spreadsheet")
            << QByteArray("number,outputs\r\n+27821234567,13\r\n+27829876543,\r\n")
            << QStringList{row(2, O::Accepted, "+27821234567"), row(3, O::Accepted, "+27829876543")}.join(';');
        QTest::newRow("no plus anywhere: international as before")
            << QByteArray("27821234567,1\n4420794600,1\n")
            << QStringList{row(1, O::Accepted, "+27821234567"), row(2, O::Accepted, "+4420794600")}.join(';');
        QTest::newRow("listed number merged, its damaged twin refused")
            << QByteArray("0829990000,4\n829990000,1\n")
            << QStringList{row(1, O::Merged, "+27829990000"), row(2, O::Refused, "", "already on line 1")}.join(';');
    }
    void preview()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, outcomes);
        const QList<settings::NumberRow> listed{{"1", "+27829990000", {}}};
        const transfer::ImportPreview p = transfer::preview_import(file, listed, kGate);
        const QStringList got = fakes::textsOf(p.rows, [](const transfer::ImportRow &r) {
            static const char *names[] = {"accepted", "merged", "damaged", "refused"};
            const bool refused = r.outcome == transfer::ImportRow::Outcome::Refused;
            return QStringLiteral("%1:%2:%3:%4").arg(r.line).arg(QLatin1String(names[int(r.outcome)]), refused ? QString() : r.row.number, r.why);
        });
        const QStringList want = outcomes.split(';');
        QCOMPARE(got.size(), want.size());
        for (int i = 0; i < got.size(); ++i) // a refusal's reason is checked by its key words
            QVERIFY2(got[i] == want[i] || (want[i].contains(":refused::") && got[i].startsWith(want[i].section(':', 0, 2)) && got[i].contains(want[i].section(':', 3), Qt::CaseInsensitive)),
                     qPrintable(got[i] + " / " + want[i]));
        for (const transfer::ImportRow &r : p.rows) // the file's own text stays beside each row
            QVERIFY(!r.inFile.isEmpty());
    }

    // Headers name the columns in any order; the preview says which was taken for what.
    void columnsByHeader()
    {
        const QByteArray file = "Name;Outputs;Mobile\r\nGate keeper;13;082 123 4567\r\n\"Smith, J\";2;+27 82 765 4321\r\n";
        const transfer::ImportPreview p = transfer::preview_import(file, {}, kGate);
        QCOMPARE(p.columns.number, 2);
        QCOMPARE(p.columns.second, 1);
        QCOMPARE(p.columns.label, 0);
        QCOMPARE(fakes::textsOf(p.rows, [](const auto &r) { return r.row.number + '/' + settings::output_digits(r.row.outputs) + '/' + r.label; }),
                 QStringList({"+27821234567/13/Gate keeper", "+27827654321/2/Smith, J"}));
        const QString said = transfer::columns_text(p, kGate);
        QVERIFY(said.contains("column 3 (\"Mobile\")") && said.contains("column 2 (\"Outputs\")") && said.contains("column 1 (\"Name\")"));
        const transfer::ImportPreview unit = transfer::preview_import("unit number,telephone\n7,0821234567\n", {}, kIntercom);
        QCOMPARE(unit.rows.value(0).row.unit + '/' + unit.rows.value(0).row.number, "7/+27821234567");
    }

    // Apply all takes damaged rows as their likely originals; accepted only leaves them out;
    // a merged row keeps its place and takes the file's outputs; cancel changes nothing.
    void applyChoices_data()
    {
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QString>("rows");
        QTest::newRow("apply all") << QList<int>{0} << "1:+27821;2:+27822;3:+27823;4:+27821234567";
        QTest::newRow("accepted only") << QList<int>{1} << "1:+27821;2:+27822;3:+27823";
        QTest::newRow("cancel") << QList<int>{2} << "1:+27821";
    }
    void applyChoices()
    {
        QFETCH(QList<int>, answers);
        QFETCH(QString, rows);
        Pages p;
        p.editors.setNumbers({{"1", "+27821", {true, false, false, false}}}, "Add");
        const int steps = p.editors.undoStack()->count();
        fakes::FakeDialogs d;
        d.choices = answers;
        d.openAnswer = dir.filePath("list.csv");
        QVERIFY(platform::writeFileAtomically(d.openAnswer,
                                              "number;outputs\r\n0822;1\r\n27821;2\r\nx;1\r\n27823;\r\n821234567;4\r\n8.2E+10;1\r\n",
                                              nullptr));
        transfer::cmdImportCsv_Click(p.editors, kGate, d);
        QCOMPARE(p.rows(), rows);
        QCOMPARE(d.questions.size(), 1);
        const QString asked = d.questions.first().text;
        QVERIFY2(asked.startsWith("6 rows read from \"list.csv\": 2 new, 1 merged with listed numbers, 1 probably damaged, 2 refused."), qPrintable(asked));
        QVERIFY(asked.contains("line 4: refused") && asked.contains("line 7: refused") && asked.contains("line 6: \"821234567\""));
        QCOMPARE(d.questions.first().buttons, QStringList({"Apply all", "Apply accepted only", "Cancel"}));
        if (answers.first() == 2) {
            QCOMPARE(p.editors.undoStack()->count(), steps);
            return;
        }
        QCOMPARE(settings::output_digits(p.grid.rows().first().outputs), "2"); // merged: the file's outputs
        QCOMPARE(p.editors.undoStack()->count(), steps + 1);                   // the whole import is one step back
        p.editors.undoStack()->undo();
        QCOMPARE(p.rows(), "1:+27821");
    }

    // The window's preview: one table row per file row, damaged and refused ones marked, and
    // each button gives its choice.
    void previewDialog()
    {
        const transfer::ImportPreview p = transfer::preview_import("821234567,1\n0822,2\nx,1\n", {}, kGate);
        for (const auto &[button, choice] : {std::pair{"cmdApplyAll", transfer::ImportChoice::ApplyAll},
                                             std::pair{"cmdApplyAccepted", transfer::ImportChoice::ApplyAcceptedOnly},
                                             std::pair{"cmdCancelImport", transfer::ImportChoice::Cancel}}) {
            transfer::ImportPreviewDialog dialog(p, "list.csv", kGate);
            auto *table = dialog.findChild<QTableWidget *>("tblImportPreview");
            QVERIFY(table);
            QCOMPARE(table->rowCount(), 3);
            QCOMPARE(table->item(0, 2)->text(), "+27821234567");
            QVERIFY(table->item(0, 5)->text().contains("leading 0 dropped?"));
            QVERIFY(table->item(2, 5)->text().startsWith("refused"));
            QVERIFY(table->item(0, 0)->background() != table->item(1, 0)->background());
            dialog.findChild<QPushButton *>(button)->click();
            QCOMPARE(dialog.choice(), choice);
        }
    }

    // A list exported, opened and saved again by a spreadsheet program (text columns quoted, the
    // formula replaced by the text it gives) reads back as the same list.
    void spreadsheetRoundTrip()
    {
        const QList<settings::NumberRow> rows{{"1", "+27821234567", {true, false, true, false}},
                                              {"2", "+27829876543", {}},
                                              {"3", "+442079460958", {false, true, false, false}}};
        QByteArray saved = transfer::numbers_csv(rows, kGate);
        saved.replace("\"=\"\"+", "\"+").replace("\"\"\"", "\"");
        QVERIFY(saved.contains("\"+27821234567\",13"));
        const transfer::ImportPreview p = transfer::preview_import(saved, {}, kGate);
        QCOMPARE(p.count(transfer::ImportRow::Outcome::Accepted), 3);
        QCOMPARE(transfer::imported_list(p, {}, false, kGate), rows);
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
        transfer::cmdImportCsv_Click(p.editors, kGate, d);
        QCOMPARE(p.rows(), "");
        QVERIFY(d.questions.isEmpty());
        QVERIFY(d.messageTexts().value(0).endsWith("Remove 2 numbers and import again. Nothing was changed."));
    }
};

QTEST_MAIN(TstNumberCsv)
#include "tst_numbercsv.moc"
