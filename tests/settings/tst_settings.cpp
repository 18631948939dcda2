// Typing limits, values from outside, and the number entry panel.
#include "settings/numberform.h"
#include "settings/numberpage.h"
#include "settings/settingseditors.h"
#include "settings/systemparameterspage.h"
#include <QLabel>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolTip>
#include <QtTest>

using namespace settings;

namespace {
struct Pages {
    SystemParametersPage sys;
    NumberManagementPage num;
    SettingsEditors editors{sys, num};
};
} // namespace

class TstSettings : public QObject {
    Q_OBJECT
private slots:
    void limits();
    void storedForm();
};

void TstSettings::limits()
{
    Pages p;
    SettingsEditors &e = p.editors;
    QVERIFY(!p.sys.chkrep()->isEnabled() && !p.sys.cmdReset()->isEnabled() && p.sys.cmdReset()->toolTip().contains("no command"));

    const QList<std::tuple<QLineEdit *, QString, QString, bool>> typing{
        // (a tool tip fades rather than going at once: the one without a note comes first)
        {p.num.txtMastNum(), QString(60, QLatin1Char('7')), QString(60, QLatin1Char('7')), false},
        {p.num.txtPass(), "12345", "1234", true},
        {p.num.txtSysName(), "abcdefghijklmnopq", "abcdefghijklmno", true},
        {p.sys.txtInputName(3), "0123456789ABCDEFG", "0123456789ABCDE", true},
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
        QCOMPARE(QToolTip::text().isEmpty(), !noted);
    }
    QCOMPARE(QToolTip::text(), p.sys.txtInputName(0)->toolTip());
    QVERIFY(p.num.txtPass()->toolTip().contains("\".\" cannot be used in the password"));

    // Nothing outside Latin-1, typed or pasted; Latin-1 letters are fine.
    p.num.txtSysName()->clear();
    for (QChar c : QStringLiteral("G\u20ACe\u00E9"))
        QTest::sendKeyEvent(QTest::Click, p.num.txtSysName(), Qt::Key_unknown, QString(c), Qt::NoModifier);
    QCOMPARE(e.systemName(), QStringLiteral("Ge\u00E9"));

    // A paste that does not fit, or holds a control character, is refused whole, never cut;
    // the counter beside the field shows its limit.
    const QList<std::tuple<QLineEdit *, QString, QString>> pasted{
        {p.num.txtSysName(), "Oak Ridge Gate 2", "at most 15 characters"},
        {p.num.txtPass(), "1\x7f", "Control characters"},
        {p.num.txtMastNum(), "0821\n234", "Control characters"},
        {p.sys.txtInputName(1), "Door\t1", "Control characters"},
        {p.num.txtNum(), "\u4E2D", ""}};
    for (const auto &[edit, text, why] : pasted) {
        edit->clear();
        QToolTip::hideText();
        edit->insert(text);
        QCOMPARE(edit->text(), QString());
        QVERIFY(QToolTip::text().contains(why));
    }
    QLabel *count = p.num.findChild<QLabel *>("lblSysNameCount");
    QTest::keyClicks(p.num.txtSysName(), "Oak Ridge");
    QCOMPARE(count->text(), "9/15");
    QVERIFY(e.setSystemName("Oak Ridge Gate 2")); // from a file: kept whole, and said
    QCOMPARE(count->text(), "16/15: too long for the unit");
    QTest::keyClick(p.num.txtSysName(), Qt::Key_Backspace); // it may be shortened, not lengthened
    QTest::keyClick(p.num.txtSysName(), Qt::Key_A);
    QCOMPARE(e.systemName(), "Oak Ridge Gate ");

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

QTEST_MAIN(TstSettings)
#include "tst_settings.moc"
