// Typing limits, values from outside, and the number entry panel.
#include "settings/numbergrid.h"
#include "settings/numberpage.h"
#include "settings/settingseditors.h"
#include "settings/systemparameterspage.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolTip>
#include <QtTest>

using namespace settings;

namespace {
// The two pages as the main window holds them; the grid has the columns Add writes to.
struct Pages {
    SystemParametersPage sys;
    NumberManagementPage num;
    SettingsEditors editors{sys, num};
    NumberGrid &grid = *num.grdNum();
    explicit Pages(const QString &model = QStringLiteral("gate"))
    {
        num.setUnitModel(model);
        grid.setCols(model == QLatin1String("gate") ? 6 : 2);
    }
    void add(const QString &typed)
    {
        num.txtNum()->setText(typed);
        num.cmdAddNum()->click();
    }
    // Each data row, its cells "|"-joined.
    QStringList rows() const
    {
        QStringList out;
        for (int r = 1; r < grid.rows(); ++r) {
            QStringList cells;
            for (int c = 0; c < grid.cols(); ++c)
                cells << grid.textMatrix(r, c);
            out << cells.join(QLatin1Char('|'));
        }
        return out;
    }
};
} // namespace

class TstSettings : public QObject {
    Q_OBJECT
private slots:
    void limits();
    void storedForm();
    void addAndDelete();
    void intercomAdd();
};

void TstSettings::limits()
{
    Pages p;
    SettingsEditors &e = p.editors;
    QVERIFY(e.outputConfirmation() && e.monitorInput(2));
    QVERIFY(!e.uploadSystem() && e.uploadTelephone() && !e.uploadSchedules());
    QVERIFY(!p.sys.chkrep()->isEnabled() && !p.sys.cmdReset()->isEnabled() && p.sys.cmdReset()->toolTip().contains("no command"));

    const QList<std::tuple<QLineEdit *, QString, QString, bool>> typing{
        {p.num.txtPass(), "12345", "1234", false},
        {p.num.txtSysName(), "abcdefghijklmnopq", "abcdefghijklmno", false},
        {p.sys.txtInputName(3), "0123456789ABCDEFG", "0123456789ABCDE", false},
        {p.num.txtMastNum(), QString(60, QLatin1Char('7')), QString(60, QLatin1Char('7')), false},
        // What would end a record or a command on the wire is refused, with a note saying why.
        {p.num.txtPass(), "1.2|*", "12", true},
        {p.num.txtSysName(), "Gate|North*", "GateNorth", true},
        {p.num.txtNum(), "0|82*1.", "0821.", true},
        {p.sys.txtInputName(0), "a*", "a", true}};
    for (const auto &[edit, typed, shown, noted] : typing) {
        edit->clear();
        QToolTip::hideText();
        QTest::keyClicks(edit, typed);
        QCOMPARE(edit->text(), shown);
        QCOMPARE(QToolTip::text(), noted ? edit->toolTip() : QString());
    }
    QVERIFY(p.num.txtPass()->toolTip().contains("\".\" cannot be used in the password"));

    // Nothing outside Latin-1, typed or pasted; Latin-1 letters are fine.
    p.num.txtSysName()->clear();
    for (QChar c : QStringLiteral("G\u20ACe\u00E9"))
        QTest::sendKeyEvent(QTest::Click, p.num.txtSysName(), Qt::Key_unknown, QString(c), Qt::NoModifier);
    QCOMPARE(e.systemName(), QStringLiteral("Ge\u00E9"));
    p.num.Text1()->insert(QStringLiteral("\u4E2D"));
    QCOMPARE(p.num.Text1()->text(), QString());

    // A long value from outside raises the limit; one that fits brings the typing limit back.
    QVERIFY(e.setPassword(QStringLiteral("123456")));
    QCOMPARE(e.password(), QStringLiteral("123456"));
    QVERIFY(!e.setPassword(QStringLiteral("42")));
    QTest::keyClicks(p.num.txtPass(), QStringLiteral("7777"));
    QCOMPARE(e.password(), QStringLiteral("4277"));
}

void TstSettings::storedForm()
{
    // "+" goes wherever it stands, then one leading 0 becomes 27; a blank is not a 0.
    // clang-format off
    const QList<std::pair<QString, QString>> cases{{"01", "+271"}, {"27", "+27"},  {"+01", "+271"},
                                                   {"1+2", "+12"}, {"00", "+270"}, {"0", "+27"},
                                                   {"", "+"},      {" 01", "+ 01"}};
    // clang-format on
    for (const auto &[typed, stored] : cases)
        QCOMPARE(stored_number(typed), stored);
}

void TstSettings::addAndDelete()
{
    Pages p;
    p.num.cmdNumDel()->click(); // empty table: nothing happens
    QCOMPARE(p.grid.rows(), 1);

    p.num.chkOutput(0)->setChecked(true);
    p.num.chkOutput(2)->setCheckState(Qt::PartiallyChecked); // greyed counts as not set
    p.num.chkOutput(3)->setChecked(true);
    for (const char *n : {"0821", "0822", "0823", "0824"})
        p.add(QString::fromLatin1(n));
    p.grid.setRow(2);
    p.num.cmdNumDel()->click();
    QCOMPARE(p.rows(), (QStringList{"1|+27821|*|||*", "3|+27823|*|||*", "4|+27824|*|||*"}));

    // A number typed exactly as listed is a new row with the flags ticked now; the old row keeps its own.
    p.num.chkOutput(1)->setChecked(true);
    p.add(QStringLiteral("+27823"));
    QCOMPARE(p.rows(), (QStringList{"1|+27821|*|||*", "2|+27823|*|||*", "3|+27824|*|||*", "4|+27823|*|*||*"}));
    // The panel stays as it was.
    QCOMPARE(p.num.txtNum()->text(), QStringLiteral("+27823"));
    QVERIFY(p.num.chkOutput(1)->isChecked());

    // One row left: Delete Selected empties the table whichever cell is current.
    p.num.cmdNumClear()->click();
    QCOMPARE(p.grid.rows(), 1);
    p.add(QStringLiteral("1"));
    p.grid.setCurrentCell(-1, -1);
    p.num.cmdNumDel()->click();
    QCOMPARE(p.grid.rows(), 1);
}

void TstSettings::intercomAdd()
{
    // The unit number is the operator's to type: Add neither numbers the rows nor adds columns.
    Pages p(QStringLiteral("intercom"));
    p.num.chkOutput(0)->setChecked(true);
    p.add(QStringLiteral("0831"));
    p.grid.setTextMatrix(1, 0, QStringLiteral("7"));
    p.add(QStringLiteral("0832"));
    QCOMPARE(p.rows(), (QStringList{"7|+27831", "|+27832"}));
}

QTEST_MAIN(TstSettings)
#include "tst_settings.moc"
