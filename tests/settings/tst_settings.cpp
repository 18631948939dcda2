// Start values, typing limits, values from outside, and the number entry panel.
#include "settings/numbergrid.h"
#include "settings/numberpage.h"
#include "settings/settingseditors.h"
#include "settings/systemparameterspage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace settings;

namespace {
const QString kGateHeader = QStringLiteral("No.| Caller Number      |Output 1|Output 2|Output 3|Output 4|");
const QString kIntercomHeader = QStringLiteral("Unit No.| Number              |");

// The two pages as the main window holds them, with the grid laid out for `model`.
struct Pages {
    SystemParametersPage sys;
    NumberManagementPage num;
    SettingsEditors editors{sys, num};
    explicit Pages(const QString &model)
    {
        num.setUnitModel(model);
        NumberGrid *g = num.grdNum();
        g->setRows(1);
        g->setFormatString(model == QLatin1String("gate") ? kGateHeader : kIntercomHeader);
        if (model == QLatin1String("intercom"))
            g->setCols(2);
    }
    NumberGrid &grid() { return *num.grdNum(); }
    void add(const QString &typed)
    {
        num.txtNum()->setText(typed);
        num.cmdAddNum()->click();
    }
    QStringList column(int c)
    {
        QStringList out;
        for (int r = 1; r < grid().rows(); ++r)
            out << grid().textMatrix(r, c);
        return out;
    }
};
} // namespace

class TstSettings : public QObject {
    Q_OBJECT
private slots:
    void startValuesAndLimits_data();
    void startValuesAndLimits();
    void valuesFromOutside();
    void addStoredForm_data();
    void addStoredForm();
    void runningNumbersAndDeletion();
    void intercomAdd();
};

void TstSettings::startValuesAndLimits_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QStringList>("header");
    QTest::newRow("gate") << "gate"
                          << QStringList{"No.", " Caller Number      ", "Output 1", "Output 2", "Output 3", "Output 4", ""};
    QTest::newRow("intercom") << "intercom" << QStringList{"Unit No.", " Number              "};
}

void TstSettings::startValuesAndLimits()
{
    QFETCH(QString, model);
    QFETCH(QStringList, header);
    Pages p(model);
    SettingsEditors &e = p.editors;
    QCOMPARE(e.password(), QStringLiteral("5831"));
    QCOMPARE(e.systemName(), QStringLiteral("GSM Unit"));
    QCOMPARE(e.masterNumber(), QString());
    QVERIFY(e.errorReporting() && e.outputConfirmation());
    for (int k = 0; k < 4; ++k) {
        QVERIFY(e.monitorInput(k));
        QCOMPARE(e.inputName(k), QStringLiteral("Input %1").arg(k + 1));
    }
    QVERIFY(!e.uploadSystem() && !e.uploadTelephone() && !e.uploadSchedules());
    QCOMPARE(p.num.txtNum()->text(), QString());
    QCOMPARE(p.grid().rows(), 1);
    QStringList shown;
    for (int c = 0; c < p.grid().cols(); ++c)
        shown << p.grid().textMatrix(0, c);
    QCOMPARE(shown, header);
    // Wider titles give wider columns.
    QVERIFY(p.grid().columnWidth(1) > p.grid().columnWidth(0));

    // Typing limits.
    QTest::keyClicks(p.num.txtPass(), QStringLiteral("9"));
    QCOMPARE(e.password(), QStringLiteral("5831"));
    p.num.txtSysName()->clear();
    QTest::keyClicks(p.num.txtSysName(), QStringLiteral("abcdefghijklmnopq"));
    QCOMPARE(e.systemName(), QStringLiteral("abcdefghijklmno"));
    QLineEdit *name = p.sys.txtInputName(3);
    name->clear();
    QTest::keyClicks(name, QStringLiteral("0123456789ABCDEFG"));
    QCOMPARE(e.inputName(3), QStringLiteral("0123456789ABCDE"));
    const QString longNumber(60, QLatin1Char('7'));
    QTest::keyClicks(p.num.txtMastNum(), longNumber);
    QCOMPARE(e.masterNumber(), longNumber);

    // Nothing outside Latin-1, typed or pasted; Latin-1 letters are fine.
    p.num.txtSysName()->clear();
    for (QChar c : QStringLiteral("G\u20ACe\u00E9"))
        QTest::sendKeyEvent(QTest::Click, p.num.txtSysName(), Qt::Key_unknown, QString(c), Qt::NoModifier);
    QCOMPARE(e.systemName(), QStringLiteral("Ge\u00E9"));
    p.num.txtNum()->insert(QStringLiteral("0821\u0416"));
    QCOMPARE(p.num.txtNum()->text(), QString());
    p.num.Text1()->insert(QStringLiteral("\u4E2D"));
    QCOMPARE(p.num.Text1()->text(), QString());
}

void TstSettings::valuesFromOutside()
{
    Pages p(QStringLiteral("gate"));
    SettingsEditors &e = p.editors;
    QVERIFY(!e.setSystemName(QStringLiteral("Short"), LongValue::Cut));
    QCOMPARE(e.systemName(), QStringLiteral("Short"));

    QVERIFY(e.setPassword(QStringLiteral("123456"), LongValue::Cut));
    QCOMPARE(e.password(), QStringLiteral("1234"));
    QVERIFY(e.setPassword(QStringLiteral("123456"), LongValue::Keep));
    QCOMPARE(e.password(), QStringLiteral("123456"));
    // A later value that fits brings the typing limit back.
    QVERIFY(!e.setPassword(QStringLiteral("42")));
    QTest::keyClicks(p.num.txtPass(), QStringLiteral("7777"));
    QCOMPARE(e.password(), QStringLiteral("4277"));

    QVERIFY(e.setInputName(2, QStringLiteral("Garage door, left side")));
    QCOMPARE(e.inputName(2), kLongValueDefault == LongValue::Keep ? QStringLiteral("Garage door, left side")
                                                                  : QStringLiteral("Garage door, le"));
    QVERIFY(!e.setMasterNumber(QString(200, QLatin1Char('1'))));
    QCOMPARE(e.masterNumber().size(), 200);

    p.sys.chkErep()->setCheckState(Qt::PartiallyChecked);
    QVERIFY(!e.errorReporting());
}

void TstSettings::addStoredForm_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("national") << "01" << "+271";
    QTest::newRow("international") << "27" << "+27";
    QTest::newRow("with plus") << "+27" << "+27";
    QTest::newRow("plus then zero") << "+01" << "+271";
    QTest::newRow("plus inside") << "1+2" << "+12";
    QTest::newRow("two zeros") << "00" << "+270";
    QTest::newRow("zero alone") << "0" << "+27";
    QTest::newRow("empty") << "" << "+";
    QTest::newRow("leading blank") << " 01" << "+ 01";
}

void TstSettings::addStoredForm()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    Pages p(QStringLiteral("gate"));
    p.num.chkOutput(0)->setChecked(true);
    p.num.chkOutput(2)->setCheckState(Qt::PartiallyChecked);   // greyed counts as not set
    p.num.chkOutput(3)->setChecked(true);
    p.add(typed);
    QCOMPARE(p.grid().rows(), 2);
    QCOMPARE(p.grid().textMatrix(1, 1), stored);
    QCOMPARE(strip_plus(typed), QString(typed).remove(QLatin1Char('+')));
    const QStringList flags{p.grid().textMatrix(1, 2), p.grid().textMatrix(1, 3), p.grid().textMatrix(1, 4),
                            p.grid().textMatrix(1, 5)};
    QCOMPARE(flags, (QStringList{"*", "", "", "*"}));
    // The panel stays as it was.
    QCOMPARE(p.num.txtNum()->text(), typed);
    QVERIFY(p.num.chkOutput(0)->isChecked());
}

void TstSettings::runningNumbersAndDeletion()
{
    Pages p(QStringLiteral("gate"));
    p.num.cmdNumDel()->click();   // empty table: nothing happens
    p.num.cmdNumClear()->click();
    QCOMPARE(p.grid().rows(), 1);

    for (const char *n : {"0821", "0822", "0823", "0824"})
        p.add(QString::fromLatin1(n));
    p.grid().setRow(2);
    p.num.cmdNumDel()->click();
    QCOMPARE(p.column(0), (QStringList{"1", "3", "4"}));
    QCOMPARE(p.column(1), (QStringList{"+27821", "+27823", "+27824"}));

    // A number typed exactly as listed is a new row with its own flags; the old row keeps its own.
    p.num.chkOutput(1)->setChecked(true);
    p.add(QStringLiteral("+27823"));
    QCOMPARE(p.column(0), (QStringList{"1", "2", "3", "4"}));
    QCOMPARE(p.column(3), (QStringList{"", "", "", "*"}));
    QCOMPARE(p.column(1).last(), QStringLiteral("+27823"));

    // One row left: Delete Selected empties the table whichever cell is current.
    p.num.cmdNumClear()->click();
    QCOMPARE(p.grid().rows(), 1);
    p.add(QStringLiteral("1"));
    p.grid().setCurrentCell(-1, -1);
    p.num.cmdNumDel()->click();
    QCOMPARE(p.grid().rows(), 1);
}

void TstSettings::intercomAdd()
{
    Pages p(QStringLiteral("intercom"));
    p.num.chkOutput(0)->setChecked(true);
    p.add(QStringLiteral("0831"));
    p.grid().setTextMatrix(1, 0, QStringLiteral("7"));
    p.add(QStringLiteral("0832"));
    QCOMPARE(p.grid().cols(), 2);
    QCOMPARE(p.column(0), (QStringList{"7", ""}));
    QCOMPARE(p.column(1), (QStringList{"+27831", "+27832"}));
    p.grid().setRow(1);
    p.num.cmdNumDel()->click();
    QCOMPARE(p.column(0), QStringList{""});
}

QTEST_MAIN(TstSettings)
#include "tst_settings.moc"
