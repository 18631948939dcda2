// The floating cell editor, driven with real key and mouse events on the real grid.
#include "settings/celleditor.h"
#include "settings/numbergrid.h"
#include "settings/numberpage.h"

#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtTest>

using namespace settings;

class TstCellEditor : public QObject {
    Q_OBJECT
private slots:
    void keys_data();
    void keys();
    void tableChangesWhileEditing();
};

namespace {
// A page with three gate rows, shown and active so that focus events are real.
struct Shown {
    QWidget top;
    NumberManagementPage *page = new NumberManagementPage(&top);
    NumberGrid *grid = page->grdNum();
    QLineEdit *text1 = page->Text1();
    Shown()
    {
        (new QVBoxLayout(&top))->addWidget(page);
        page->setUnitModel(QStringLiteral("gate"));
        grid->setFormatString(QStringLiteral("No.| Caller Number      |Output 1|Output 2|Output 3|Output 4|"));
        for (const char *n : {"0821", "0822", "0823"}) {
            page->txtNum()->setText(QString::fromLatin1(n));
            page->cmdAddNum()->click();
        }
        top.resize(700, 500);
        top.show();
    }
    // Every data cell, row by row.
    QStringList cells() const
    {
        QStringList out;
        for (int r = 1; r < grid->rows(); ++r)
            for (int c = 0; c < grid->cols(); ++c)
                out << grid->textMatrix(r, c);
        return out;
    }
    QRect editorRect() const { return QRect(text1->mapTo(grid, QPoint(0, 0)), text1->size()); }
};
} // namespace

void TstCellEditor::keys_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("col");
    QTest::addColumn<QString>("start");
    // clang-format off
    QTest::addColumn<QString>("open");     // "dbl" for a double click, else the key typed on the grid
    QTest::addColumn<QString>("typed");    // typed into the editor; "\b" is Backspace
    QTest::addColumn<int>("finish");       // the key that ends the edit; 0: a click on row 3
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("rowAfter");
    const int enter = Qt::Key_Return, escape = Qt::Key_Escape, up = Qt::Key_Up, down = Qt::Key_Down, click = 0;

    QTest::newRow("0 then digits: no 27 rule") << 2 << 1 << "+27822" << "0" << "12" << enter << "+012" << 2;
    QTest::newRow("double click: blank kept, plus dropped") << 2 << 1 << "+27822" << "dbl" << " 5+6" << enter << "+27822 56" << 2;
    QTest::newRow("Backspace opens; cleared flag stays set") << 2 << 3 << "*" << "\b" << "\b" << enter << "*" << 2;
    QTest::newRow("Enter opens; empty flag stays empty") << 2 << 2 << "" << "\r" << "" << enter << "" << 2;
    QTest::newRow("Escape discards") << 2 << 1 << "+27822" << "9" << "9" << escape << "+27822" << 2;
    QTest::newRow("Up on first row") << 1 << 1 << "+27821" << "5" << "" << up << "+5" << 1;
    QTest::newRow("Down on last row") << 3 << 1 << "+27823" << "5" << "" << down << "+5" << 3;
    QTest::newRow("Down moves; letter sets flag") << 2 << 3 << "" << "q" << "" << down << "*" << 3;
    QTest::newRow("Up moves; column 0 as typed") << 2 << 0 << "2" << "z" << "+" << up << "z+" << 1;
    QTest::newRow("number refuses | and *") << 2 << 1 << "+27822" << "5" << "|6*7" << enter << "+567" << 2;
    QTest::newRow("flag takes *") << 2 << 4 << "" << "*" << "" << enter << "*" << 2;
    QTest::newRow("click elsewhere: column rule") << 2 << 1 << "+27822" << "5" << "" << click << "+5" << 3;
    // clang-format on
}

void TstCellEditor::keys()
{
    QFETCH(int, row);
    QFETCH(int, col);
    QFETCH(QString, start);
    QFETCH(QString, open);
    QFETCH(QString, typed);
    QFETCH(int, finish);
    QFETCH(QString, expected);
    QFETCH(int, rowAfter);

    Shown s;
    s.grid->setTextMatrix(row, col, start);
    QStringList after = s.cells(); // only the edited cell may change
    after[(row - 1) * s.grid->cols() + col] = expected;
    QVERIFY(QTest::qWaitForWindowActive(&s.top));
    s.grid->setCurrentCell(row - 1, col);
    s.grid->setFocus();
    QTRY_VERIFY(s.grid->hasFocus());

    QVERIFY(s.text1->isHidden());
    if (open == QLatin1String("dbl"))
        QTest::mouseDClick(s.grid->viewport(), Qt::LeftButton, {}, s.grid->visualRect(s.grid->currentIndex()).center());
    else
        QTest::keyClick(s.grid, open.at(0).toLatin1());
    QVERIFY(s.text1->isVisible());
    QCOMPARE(s.editorRect(), s.grid->cellRect(row, col));
    QCOMPARE(s.text1->font(), s.grid->font());
    const bool control = open == QLatin1String("dbl") || open.at(0).unicode() < 32;
    QCOMPARE(s.text1->text(), control ? start : open);
    QCOMPARE(s.text1->cursorPosition(), int(s.text1->text().size()));
    QTRY_VERIFY(s.text1->hasFocus());

    QTest::keyClicks(s.text1, typed);
    if (finish)
        QTest::keyClick(s.text1, Qt::Key(finish));
    else
        QTest::mouseClick(s.grid->viewport(), Qt::LeftButton, {}, s.grid->visualRect(s.grid->model()->index(2, 0)).center());

    QVERIFY(s.text1->isHidden());
    QCOMPARE(s.cells(), after);
    QCOMPARE(s.grid->row(), rowAfter);
    QTRY_VERIFY(s.grid->hasFocus());
}

void TstCellEditor::tableChangesWhileEditing()
{
    Shown s;
    QVERIFY(QTest::qWaitForWindowActive(&s.top));
    QVERIFY(s.grid->columnWidth(1) > s.grid->columnWidth(0)); // the titles' blanks widen their columns

    // The current cell moved by the program while editing: the text goes in unchanged.
    s.grid->setCurrentCell(0, 1);
    QTest::keyClick(s.grid, '5');
    s.grid->setRow(3);
    QVERIFY(s.text1->isHidden());
    QCOMPARE(s.grid->textMatrix(1, 1), QStringLiteral("5"));

    // A row above the edit goes away: the edit stays with its cell.
    QTest::keyClick(s.grid, '7');
    s.grid->removeRowAt(1);
    QVERIFY(s.text1->isVisible());
    QCOMPARE(s.editorRect(), s.grid->cellRect(2, 1));
    QTest::keyClick(s.text1, Qt::Key_Return);
    QCOMPARE(s.grid->textMatrix(2, 1), QStringLiteral("+7"));

    // The edited row itself goes away: the edit is dropped and no other row is touched.
    s.grid->setRow(1);
    QTest::keyClick(s.grid, '9');
    s.page->cmdNumClear()->click();
    QVERIFY(s.text1->isHidden());
    s.page->txtNum()->setText(QStringLiteral("1"));
    s.page->cmdAddNum()->click();
    QCOMPARE(s.grid->textMatrix(1, 1), QStringLiteral("+1"));
}

QTEST_MAIN(TstCellEditor)
#include "tst_celleditor.moc"
