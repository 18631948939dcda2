// The number list on a shown page: what enters it by each path, rights, deleting, undo,
// the filter and the count.
#include "mainwindow/numberimport.h"
#include "platform/textfile.h"
#include "settings/numberlistmodel.h"
#include "settings/numberpage.h"
#include "settings/numberview.h"
#include "settings/settingseditors.h"
#include "settings/systemparameterspage.h"
#include "tests/support/fakes.h"
#include "transfer/upload.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QVBoxLayout>
#include <QtTest>

using namespace settings;

namespace {

struct Shown {
    QWidget top;
    SystemParametersPage *sys = new SystemParametersPage(&top);
    NumberManagementPage *num = new NumberManagementPage(&top);
    SettingsEditors editors{*sys, *num};
    fakes::FakeDialogs dialogs;
    NumberView *view = num->grdNum();
    NumberListModel &list = num->numberModel();
    explicit Shown(const QString &model = QStringLiteral("gate"))
    {
        auto *layout = new QHBoxLayout(&top);
        layout->addWidget(sys);
        layout->addWidget(num, 1);
        num->setUnitModel(model);
        num->setDialogs(&dialogs);
        top.resize(1000, 600);
        top.show();
    }
    void add(const QString &typed)
    {
        num->txtNum()->setText(typed);
        num->cmdAddNum()->click();
    }
    // "unit|number|outputs" per row, outputs as digits.
    QStringList rows() const
    {
        return fakes::textsOf(list.rows(), [](const NumberRow &r) { return r.unit + '|' + r.number + '|' + output_digits(r.outputs); });
    }
    QModelIndex cell(int shownRow, int column) const { return view->model()->index(shownRow, column); }
    void focusCell(int shownRow, int column)
    {
        view->setFocus();
        view->setCurrentIndex(cell(shownRow, column));
    }
    QLineEdit *editor() const { return qobject_cast<QLineEdit *>(view->indexWidget(view->currentIndex())); }
    // Enter in the open editor; the view writes the edit back from the event loop.
    void enter()
    {
        QTest::keyClick(editor(), Qt::Key_Return);
        QCoreApplication::processEvents();
    }
    QStringList uploadedNumbers() const
    {
        QStringList out;
        for (const auto &c : transfer::upload_commands(editors.store(), num->unitModel()))
            if (c.word == QLatin1String("TEL ADDN "))
                out << c.value;
        return out;
    }
};

} // namespace

class TstNumberList : public QObject {
    Q_OBJECT
private slots:
    void entries_data();
    void entries();
    void rights();
    void bulkRights();
    void deleting();
    void undoRedo_data();
    void undoRedo();
    void filterSortAndCount();
    void longTextsKeepTheWidth();
    void labels_data();
    void labels();
};

void TstNumberList::entries_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // the stored number, or "!" and part of the reason
    const QString digits21(21, QLatin1Char('1'));
    const QList<std::array<QString, 3>> rows{
        {"typed", "0831234003", "+27831234003"},
        {"typed", "083 123 4003", "+27831234003"},
        {"typed", "112", "+112"},
        {"typed", "", "!at least one digit"},
        {"typed", "call john", "!only digits"},
        {"typed", "27+82", "!only digits"},
        {"typed", digits21, "!at most 20 digits"},
        {"typed", "0820000000", "!already in the list (row 1)"},
        {"pasted", "+27 (83) 123-4003", "+27831234003"},
        {"pasted", "0821\x7f", "!at least one digit"}, // the paste is refused whole
        {"pasted", "08\n21", "!at least one digit"},
        {"in place", "0831234003", "+27831234003"},
        {"in place", "12a", "!only digits"},
        {"in place", "", "!at least one digit"},
        {"in place", "+27820000000", "!already in the list (row 1)"},
        {"imported", "083 123 4003", "+27831234003"},
        {"imported", "12a", "!line 1: "},
    };
    for (const auto &[path, text, expected] : rows)
        QTest::newRow(qPrintable(path + ": " + text)) << path << text << expected;
}

void TstNumberList::entries()
{
    QFETCH(QString, path);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    Shown s;
    s.add("0820000000");
    if (path == "in place")
        s.add("0830000000"); // the row edited
    const QStringList before = s.rows();
    QVERIFY(QTest::qWaitForWindowActive(&s.top));

    QString why;
    QString spoken; // what assistive technology reads: the reason label's name, the field's description
    const auto speech = [&spoken](QWidget *label, QWidget *field) {
        spoken = QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name) + '|'
                 + QAccessible::queryAccessibleInterface(field)->text(QAccessible::Description);
    };
    if (path == "typed" || path == "pasted") {
        QLineEdit *edit = s.num->txtNum();
        edit->clear();
        edit->setFocus();
        if (path == "typed")
            QTest::keyClicks(edit, text);
        else
            edit->insert(text);                // what a paste does
        QTest::keyClick(edit, Qt::Key_Return); // Enter adds
        why = s.num->lblNumProblem()->text();
        speech(s.num->lblNumProblem(), edit);
    } else if (path == "in place") {
        s.focusCell(1, NumberListModel::kNumberColumn);
        QTest::keyClick(s.view, Qt::Key_F2);
        QVERIFY(s.editor());
        s.editor()->selectAll();
        if (text.isEmpty())
            QTest::keyClick(s.editor(), Qt::Key_Backspace);
        QTest::keyClicks(s.editor(), text);
        s.enter();
        why = s.num->lblCellProblem()->text();
        speech(s.num->lblCellProblem(), s.editor() ? static_cast<QWidget *>(s.editor()) : s.view);
        // A refused text keeps the editor open for mending; Escape gives the cell back.
        QCOMPARE(s.view->editing(), expected.startsWith('!'));
        QTest::keyClick(s.editor() ? static_cast<QWidget *>(s.editor()) : s.view, Qt::Key_Escape);
    } else {
        QTemporaryDir dir;
        s.dialogs.openAnswer = dir.filePath("n.csv");
        QVERIFY(platform::writeFileAtomically(s.dialogs.openAnswer, "\"" + text.toLatin1() + "\",1\r\n", nullptr));
        s.dialogs.choices = {1}; // add to the list
        mainwindow::importNumbers(s.editors, "gate", s.dialogs);
        for (const auto &shown : s.dialogs.messages + s.dialogs.questions)
            why += shown.text;
    }
    if (expected.startsWith('!')) {
        QVERIFY2(why.contains(expected.mid(1)), qPrintable(why));
        if (path != "imported") // the label's name and the field's description both carry the reason
            QVERIFY2(spoken.section('|', 0, 0).contains(expected.mid(1)) && spoken.section('|', 1).contains(expected.mid(1)),
                     qPrintable(spoken));
        QCOMPARE(s.rows(), before);
    } else {
        QCOMPARE(s.list.rows().last().number, expected);
        QCOMPARE(s.list.rowCount(), before.size() + (path == "in place" ? 0 : 1));
    }
}

void TstNumberList::rights()
{
    Shown s;
    QVERIFY(QTest::qWaitForWindowActive(&s.top));
    s.num->chkOutput(0)->setChecked(true);
    s.add("0820000001");
    s.add("0820000002");
    const int out1 = NumberListModel::kFirstOutputColumn, out2 = out1 + 1, out4 = out1 + 3;

    // Revoke output 1 and grant output 2 where they stand: the unit receives exactly "2".
    QTest::mouseClick(s.view->viewport(), Qt::LeftButton, {}, s.view->visualRect(s.cell(0, out1)).center());
    QTest::mouseClick(s.view->viewport(), Qt::LeftButton, {}, s.view->visualRect(s.cell(0, out2)).center());
    QCOMPARE(s.uploadedNumbers(), (QStringList{"27820000001,2", "27820000002,1"}));

    // Space toggles, "0" and Backspace clear, any other character sets; no editor opens.
    s.focusCell(1, out4);
    const QList<std::pair<int, QString>> keys{{Qt::Key_Space, "14"}, {Qt::Key_Space, "1"}, {Qt::Key_X, "14"}, {Qt::Key_0, "1"}, {Qt::Key_1, "14"}, {Qt::Key_Backspace, "1"}};
    for (const auto &[key, outputs] : keys) {
        QTest::keyClick(s.view, Qt::Key(key));
        QCOMPARE(output_digits(s.list.rows().at(1).outputs), outputs);
        QVERIFY(!s.view->editing());
    }

    // Intercom: two columns, Add leaves the unit number to be typed in place, the upload sends it.
    Shown i(QStringLiteral("intercom"));
    QVERIFY(QTest::qWaitForWindowActive(&i.top));
    QCOMPARE(i.list.columnCount(), 2);
    i.add("0831");
    i.focusCell(0, NumberListModel::kUnitColumn);
    QTest::keyClick(i.view, '1'); // opens the editor, which takes the rest
    QTest::keyClicks(i.editor(), "2");
    i.enter();
    QCOMPARE(i.uploadedNumbers(), QStringList{"27831,12"});
}

// Many rows selected: one output granted or revoked on all of them by a key or the context
// menu, each one undo step; rows outside the selection keep theirs.
void TstNumberList::bulkRights()
{
    Shown s;
    QVERIFY(QTest::qWaitForWindowActive(&s.top));
    s.num->chkOutput(0)->setChecked(true);
    for (int n = 1; n <= 6; ++n)
        s.add(QStringLiteral("082000000%1").arg(n));
    const int out2 = NumberListModel::kFirstOutputColumn + 1;
    const auto column = [&s](int k) {
        QString out;
        for (const NumberRow &r : s.list.rows())
            out += r.outputs[k] ? '1' : '0';
        return out;
    };
    const int steps = s.editors.undoStack()->count();
    s.focusCell(1, out2);
    s.view->selectionModel()->select(QItemSelection(s.cell(1, 0), s.cell(4, out2)),
                                     QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QTest::keyClick(s.view, Qt::Key_Space);
    QCOMPARE(column(1), "011110");
    QCOMPARE(s.editors.undoStack()->count(), steps + 1);
    s.view->setSelectedOutput(0, false); // the context menu's "Revoke output 1"
    QCOMPARE(column(0), "100001");
    QCOMPARE(s.editors.undoStack()->count(), steps + 2);
    s.view->setSelectedOutput(0, false); // nothing left to change: no empty step
    QCOMPARE(s.editors.undoStack()->count(), steps + 2);
    s.editors.undoAction()->trigger();
    QCOMPARE(column(0), "111111");
    s.editors.undoAction()->trigger();
    QCOMPARE(column(1), "000000");
}

void TstNumberList::deleting()
{
    Shown s;
    QVERIFY(QTest::qWaitForWindowActive(&s.top));
    for (int i = 1; i <= 6; ++i)
        s.add(QStringLiteral("082000000%1").arg(i));

    // Delete on a number cell deletes its row: no editor, no character written anywhere.
    s.focusCell(1, NumberListModel::kNumberColumn);
    QTest::keyClick(s.view, Qt::Key_Delete);
    QVERIFY(!s.view->editing());
    QCOMPARE(s.rows(), (QStringList{"1|+27820000001|", "3|+27820000003|", "4|+27820000004|", "5|+27820000005|",
                                    "6|+27820000006|"}));

    // Every selected row goes, not just one.
    s.view->selectionModel()->clearSelection();
    for (int r : {0, 2, 4})
        s.view->selectionModel()->select(s.cell(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    s.num->cmdNumDel()->click();
    QCOMPARE(s.rows(), (QStringList{"3|+27820000003|", "5|+27820000005|"}));

    // Delete ALL asks first; No keeps the list, Yes empties it, Undo brings it back whole.
    s.dialogs.answerYes = false;
    s.num->cmdNumClear()->click();
    QCOMPARE(s.list.rowCount(), 2);
    s.dialogs.answerYes = true;
    s.num->cmdNumClear()->click();
    QCOMPARE(s.dialogs.questions.size(), 2);
    QVERIFY(s.dialogs.questions.last().text.startsWith("Delete all 2 numbers"));
    QCOMPARE(s.list.rowCount(), 0);
    s.focusCell(0, 0);
    QTest::keyClick(s.view, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(s.rows(), (QStringList{"3|+27820000003|", "5|+27820000005|"}));
    QTest::keyClick(s.view, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(s.list.rowCount(), 0);
}

void TstNumberList::undoRedo_data()
{
    QTest::addColumn<QString>("change");
    for (const char *c : {"add", "delete", "edit", "toggle", "import", "load", "read from unit", "Delete ALL",
                          "typed name", "box"})
        QTest::newRow(c) << QString::fromLatin1(c);
}

void TstNumberList::undoRedo()
{
    QFETCH(QString, change);
    Shown s;
    QVERIFY(QTest::qWaitForWindowActive(&s.top));
    s.add("0820000001");
    s.add("0820000002");
    const SettingsSet before = s.editors.store();
    const int steps = s.editors.undoStack()->count();
    QTemporaryDir dir;
    SettingsSet other = before;
    other.systemName = "Block C";
    other.numbers = {{"7", "+27831110001", {}}};

    if (change == "add") {
        s.add("0820000003");
    } else if (change == "delete") {
        s.focusCell(0, 1);
        QTest::keyClick(s.view, Qt::Key_Delete);
    } else if (change == "edit") {
        s.focusCell(1, 1);
        QTest::keyClick(s.view, '0');
        QTest::keyClicks(s.editor(), "833");
        s.enter();
    } else if (change == "toggle") {
        s.focusCell(1, NumberListModel::kFirstOutputColumn + 2);
        QTest::keyClick(s.view, Qt::Key_Space);
    } else if (change == "import") {
        s.dialogs.openAnswer = dir.filePath("n.csv");
        QVERIFY(platform::writeFileAtomically(s.dialogs.openAnswer, "0831,1\r\n0832,24\r\n", nullptr));
        s.dialogs.choices = {0}; // replace the list
        mainwindow::importNumbers(s.editors, "gate", s.dialogs);
    } else if (change == "load") {
        s.editors.load(other);
    } else if (change == "read from unit") {
        s.editors.load(other, LongValue::Keep, "Read settings from unit");
    } else if (change == "Delete ALL") {
        s.num->cmdNumClear()->click();
    } else if (change == "typed name") {
        s.num->txtSysName()->setFocus();
        s.num->txtSysName()->selectAll();
        QTest::keyClicks(s.num->txtSysName(), "Oak Ridge");
    } else {
        s.sys->chksys()->click();
    }
    const SettingsSet after = s.editors.store();
    QVERIFY(after != before);
    QCOMPARE(s.editors.undoStack()->count(), steps + 1); // one step, however many keys it took

    QSignalSpy changed(&s.editors, &SettingsEditors::changed);
    if (change == "typed name") { // the key in the field undoes the step, as anywhere else
        s.add("0820000003");      // a later step, which Ctrl+Z in the field undoes first
        QTest::keyClick(s.num->txtSysName(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(s.editors.store() == after);
        QTest::keyClick(s.num->txtSysName(), Qt::Key_Z, Qt::ControlModifier);
    } else {
        s.editors.undoAction()->trigger();
    }
    QVERIFY(s.editors.store() == before);
    QVERIFY(!changed.isEmpty());
    s.num->cmdRedo()->click();
    QVERIFY(s.editors.store() == after);
}

void TstNumberList::filterSortAndCount()
{
    Shown s;
    s.editors.setRoomFunction([](const SettingsSet &set) { return 1203 - int(set.numbers.size()); });
    QList<NumberRow> rows;
    for (int i = 0; i < 1000; ++i)
        rows.append({QString::number(i + 1), "+278" + QString::number(1000000 + i * 1237), {}});
    s.editors.setNumbers(rows, "Load");
    QCOMPARE(s.num->lblNumCount()->text(), "1000 numbers, room for 203 more");
    QVERIFY(QTest::qWaitForWindowActive(&s.top));

    // Ctrl+F goes to the filter from the list and from the other page of the window; four
    // digits of a number find it among 1000.
    const QString wanted = rows.at(500).number; // +2781618500
    s.sys->chkErep()->setFocus();
    QTest::keyClick(s.sys->chkErep(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(s.num->txtFilter()->hasFocus());
    s.focusCell(0, 0);
    QTest::keyClick(s.view, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(s.num->txtFilter()->hasFocus());
    QTest::keyClicks(s.num->txtFilter(), "6185");
    const auto matching = std::count_if(rows.cbegin(), rows.cend(), [](const NumberRow &r) { return r.number.contains("6185"); });
    QVERIFY(matching >= 1 && matching < 5);
    QCOMPARE(s.view->model()->rowCount(), matching);
    const auto shown = [&s](int column) { return fakes::texts(s.view->model()->rowCount(), [&](int r) { return s.cell(r, column).data().toString(); }); };
    QVERIFY(shown(1).contains(wanted));
    QCOMPARE(s.num->lblNumCount()->text(), QStringLiteral("%1 of 1000 numbers shown, room for 203 more").arg(matching));
    // The national form ("0" for "27") finds it too, and so does a unit number.
    s.num->txtFilter()->setText("081618500");
    QCOMPARE(s.view->model()->rowCount(), 1);
    s.num->txtFilter()->setText("1000");
    QVERIFY(shown(0).contains("1000") && shown(0).size() < 5);
    s.num->txtFilter()->clear();

    // A click on a header sorts by it, numbers as numbers; the list's own order is not touched.
    QHeaderView *header = s.view->horizontalHeader();
    const QPoint first(header->sectionViewportPosition(0) + 5, 5);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, first);
    QCOMPARE(s.cell(1, 0).data().toString(), "2");
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, first, QApplication::doubleClickInterval() + 50);
    QCOMPARE(s.cell(0, 0).data().toString(), "1000");
    QCOMPARE(s.cell(1, 0).data().toString(), "999");
    QCOMPARE(s.list.rows().first().unit, "1");
}

// A long reason or count is shown in the width the page has: the window does not grow for it.
void TstNumberList::longTextsKeepTheWidth()
{
    Shown s;
    const int width = s.top.minimumSizeHint().width();
    s.num->setRoom(-1234567890);
    s.num->txtNum()->setText("call the caretaker of the third building on the left before noon");
    s.num->cmdAddNum()->click();
    QVERIFY(s.num->lblNumProblem()->text().size() > 60);
    QVERIFY(s.num->lblNumCount()->text().contains("1234567890"));
    QCOMPARE(s.top.minimumSizeHint().width(), width);
}

void TstNumberList::labels_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("labelColumn");
    QTest::newRow("gate") << "gate" << 6;
    QTest::newRow("intercom") << "intercom" << 2;
}

// A site's labels: a column of their own, typed in place, undone like the rest, found by the filter.
void TstNumberList::labels()
{
    QFETCH(QString, model);
    QFETCH(int, labelColumn);
    Shown s(model);
    s.add("0821111111");
    s.add("0822222222");
    const int columns = s.list.columnCount();
    QCOMPARE(s.list.labelColumn(), -1);
    s.list.setLabelsShown(true);
    QCOMPARE(s.list.labelColumn(), labelColumn);
    QCOMPARE(s.list.columnCount(), columns + 1);
    QCOMPARE(s.list.headerData(labelColumn, Qt::Horizontal).toString(), "Label");
    QVERIFY(!(s.cell(0, labelColumn).flags() & Qt::ItemIsUserCheckable));

    // Typed into the cell, as any other cell; a control character is refused with its reason.
    QVERIFY(QTest::qWaitForWindowActive(&s.top));
    s.focusCell(1, labelColumn);
    QTest::keyClick(s.view, Qt::Key_F2);
    QVERIFY(s.editor());
    s.editor()->setText("Flat 12 J. Dube");
    s.enter();
    QCOMPARE(s.list.labels(), (NumberListModel::Labels{{"+27822222222", "Flat 12 J. Dube"}}));
    QVERIFY(!s.list.setData(s.list.index(0, labelColumn), QString("Flat\t3")));
    QVERIFY(!s.list.problem(s.list.index(0, labelColumn), QString("Flat\t3")).isEmpty());

    // The filter finds the number by its label; the rows and the upload do not change.
    s.num->txtFilter()->setText("dube");
    QCOMPARE(s.view->model()->rowCount(), 1);
    QCOMPARE(s.cell(0, 1).data().toString(), "+27822222222");
    s.num->txtFilter()->clear();
    QCOMPARE(s.uploadedNumbers().size(), 2);

    // Undone and redone in the one history.
    s.editors.undoAction()->trigger();
    QVERIFY(s.list.labels().isEmpty());
    s.editors.redoAction()->trigger();
    QCOMPARE(s.list.label("+27822222222"), "Flat 12 J. Dube");

    s.list.setLabelsShown(false);
    QCOMPARE(s.list.columnCount(), columns);
}

QTEST_MAIN(TstNumberList)
#include "tst_numberlist.moc"
