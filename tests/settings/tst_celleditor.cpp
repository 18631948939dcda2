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
};
} // namespace

void TstCellEditor::keys_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("col");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("open");     // "dbl" for a double click, else the key typed on the grid
    QTest::addColumn<QString>("typed");    // typed into the editor; "\b" is Backspace
    QTest::addColumn<QString>("finish");   // enter, escape, up, down, click
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("rowAfter");

    QTest::newRow("double click, Enter writes same") << 2 << 1 << "+27822" << "dbl" << "" << "enter" << "+27822" << 2;
    QTest::newRow("0 then digits: no 27 rule") << 2 << 1 << "+27822" << "0" << "12" << "enter" << "+012" << 2;
    QTest::newRow("blank kept, plus dropped") << 2 << 1 << "+27822" << "dbl" << " 5+6" << "enter" << "+27822 56" << 2;
    QTest::newRow("letter sets flag") << 2 << 3 << "" << "x" << "" << "enter" << "*" << 2;
    QTest::newRow("cleared flag stays set") << 2 << 3 << "*" << "dbl" << "\b" << "enter" << "*" << 2;
    QTest::newRow("empty flag stays empty") << 2 << 2 << "" << "dbl" << "" << "enter" << "" << 2;
    QTest::newRow("column 0 unchanged") << 2 << 0 << "2" << "a" << "b+" << "enter" << "ab+" << 2;
    QTest::newRow("Escape discards") << 2 << 1 << "+27822" << "9" << "9" << "escape" << "+27822" << 2;
    QTest::newRow("Enter on grid opens") << 2 << 1 << "+27822" << "\r" << "" << "enter" << "+27822" << 2;
    QTest::newRow("Escape on grid opens") << 2 << 0 << "2" << "\x1b" << "x" << "enter" << "2x" << 2;
    QTest::newRow("Backspace on grid opens") << 2 << 1 << "+27822" << "\b" << "\b" << "enter" << "+2782" << 2;
    QTest::newRow("Up on first row") << 1 << 1 << "+27821" << "5" << "" << "up" << "+5" << 1;
    QTest::newRow("Down on last row") << 3 << 1 << "+27823" << "5" << "" << "down" << "+5" << 3;
    QTest::newRow("Down moves") << 2 << 3 << "" << "q" << "" << "down" << "*" << 3;
    QTest::newRow("Up moves") << 2 << 0 << "2" << "z" << "" << "up" << "z" << 1;
    QTest::newRow("click elsewhere: column rule") << 2 << 1 << "+27822" << "5" << "" << "click" << "+5" << 3;
    QTest::newRow("click elsewhere: flag") << 2 << 4 << "" << "k" << "" << "click" << "*" << 3;
}

void TstCellEditor::keys()
{
    QFETCH(int, row);
    QFETCH(int, col);
    QFETCH(QString, start);
    QFETCH(QString, open);
    QFETCH(QString, typed);
    QFETCH(QString, finish);
    QFETCH(QString, expected);
    QFETCH(int, rowAfter);

    Shown s;
    NumberManagementPage *page = s.page;
    NumberGrid *grid = s.grid;
    grid->setTextMatrix(row, col, start);
    QVERIFY(QTest::qWaitForWindowActive(&s.top));
    grid->setCurrentCell(row - 1, col);
    grid->setFocus();
    QTRY_VERIFY(grid->hasFocus());

    QLineEdit *text1 = page->Text1();
    QVERIFY(text1->isHidden());
    const QRect cell = grid->cellRect(row, col);
    if (open == QLatin1String("dbl"))
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->currentIndex()).center());
    else
        QTest::keyClick(grid, open.at(0).toLatin1());
    QVERIFY(text1->isVisible());
    QCOMPARE(QRect(text1->mapTo(grid, QPoint(0, 0)), text1->size()), cell);
    QCOMPARE(text1->font(), grid->font());
    const bool control = open == QLatin1String("dbl") || open.at(0).unicode() < 32;
    QCOMPARE(text1->text(), control ? start : open);
    QCOMPARE(text1->cursorPosition(), int(text1->text().size()));
    QTRY_VERIFY(text1->hasFocus());

    for (QChar c : typed) {
        if (c == QLatin1Char('\b'))
            QTest::keyClick(text1, Qt::Key_Backspace);
        else
            QTest::keyClick(text1, c.toLatin1());
    }
    if (finish == QLatin1String("enter"))
        QTest::keyClick(text1, Qt::Key_Return);
    else if (finish == QLatin1String("escape"))
        QTest::keyClick(text1, Qt::Key_Escape);
    else if (finish == QLatin1String("up"))
        QTest::keyClick(text1, Qt::Key_Up);
    else if (finish == QLatin1String("down"))
        QTest::keyClick(text1, Qt::Key_Down);
    else
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(2, 0)).center());

    QVERIFY(text1->isHidden());
    QCOMPARE(grid->textMatrix(row, col), expected);
    QCOMPARE(grid->row(), rowAfter);
    QTRY_VERIFY(grid->hasFocus());
    // The cell the editor lands on after a move keeps its text.
    if (rowAfter != row && finish != QLatin1String("click"))
        QCOMPARE(grid->textMatrix(rowAfter, col), rowAfter == 1 && col == 0 ? QStringLiteral("1") : QString());
    if (finish == QLatin1String("click"))
        QCOMPARE(grid->textMatrix(3, 0), QStringLiteral("3"));
}

void TstCellEditor::tableChangesWhileEditing()
{
    Shown s;
    QVERIFY(QTest::qWaitForWindowActive(&s.top));
    QLineEdit *text1 = s.page->Text1();

    // The current cell moved by the program while editing: the text goes in unchanged.
    s.grid->setCurrentCell(0, 1);
    QTest::keyClick(s.grid, '5');
    s.grid->setRow(3);
    QVERIFY(text1->isHidden());
    QCOMPARE(s.grid->textMatrix(1, 1), QStringLiteral("5"));

    // A row above the edit goes away: the edit stays with its cell.
    QTest::keyClick(s.grid, '7');
    s.grid->removeRowAt(1);
    QVERIFY(text1->isVisible());
    QCOMPARE(QRect(text1->mapTo(s.grid, QPoint(0, 0)), text1->size()), s.grid->cellRect(2, 1));
    QTest::keyClick(text1, Qt::Key_Return);
    QCOMPARE(s.grid->textMatrix(2, 1), QStringLiteral("+7"));

    // The edited row itself goes away: the edit is dropped and no other row is touched.
    s.grid->setRow(1);
    QTest::keyClick(s.grid, '9');
    s.page->cmdNumClear()->click();
    QVERIFY(text1->isHidden());
    s.page->txtNum()->setText(QStringLiteral("1"));
    s.page->cmdAddNum()->click();
    QCOMPARE(s.grid->textMatrix(1, 1), QStringLiteral("+1"));
}

QTEST_MAIN(TstCellEditor)
#include "tst_celleditor.moc"
