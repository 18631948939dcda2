// Two settings values compared, the settings made from ticked rows and the shortest upload
// they give, the wrong-unit check, and a partial apply through the simulated unit.
#include "compare/compare.h"
#include "compare/wrongunit.h"
#include "link/unitlink.h"
#include "mainwindow/comparedialog.h"
#include "mainwindow/download.h"
#include "mainwindow/frmmain.h"
#include "platform/portcatalogue.h"
#include "platform/qtserialport.h"
#include "platform/qttimer.h"
#include "settings/settingseditors.h"
#include "settings/unitmodel.h"
#include "tests/support/fakes.h"
#include "transfer/dumpreader.h"
#include "transfer/uploadjob.h"
#include "transfer/uploadplan.h"
#include "unitsim/ptyunit.h"

#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

Q_DECLARE_METATYPE(settings::SettingsSet)
Q_DECLARE_METATYPE(std::optional<settings::SettingsSet>)
using Kind = compare::Row::Kind;

namespace {

settings::NumberRow row(int n, std::array<bool, 4> outputs = {true}, const QString &unit = {})
{
    return {unit.isEmpty() ? QString::number(n) : unit, QStringLiteral("+278255500%1").arg(n, 2, 10, QLatin1Char('0')),
            outputs};
}

settings::SettingsSet oak(int numbers = 5)
{
    settings::SettingsSet set;
    set.systemName = "OAK RIDGE";
    set.masterNumber = "+27821111111";
    for (int n = 1; n <= numbers; ++n)
        set.numbers << row(n);
    return set;
}

QString kinds(const compare::Comparison &c)
{
    QStringList out;
    for (const compare::Row &r : c.rows)
        out << compare::kind_key(r.kind) + QLatin1Char(':') + r.what;
    return out.join(' ');
}

int count(const QList<transfer::UploadCommand> &commands, const QString &word)
{
    return int(std::count_if(commands.cbegin(), commands.cend(), [&](const auto &c) { return c.word == word; }));
}

} // namespace

class TstCompare : public QObject {
    Q_OBJECT
private slots:
    void pairs_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<settings::SettingsSet>("left");
        QTest::addColumn<settings::SettingsSet>("right");
        QTest::addColumn<QString>("rows");      // kind:what, in order
        QTest::addColumn<QList<int>>("counts"); // added, removed, changed
        QTest::addColumn<QString>("text");

        const QString gate = settings::kGate;
        QTest::newRow("identical") << gate << oak() << oak() << "" << QList<int>{0, 0, 0}
                                   << "The two sides hold the same settings and numbers";
        settings::SettingsSet s = oak();
        s.numbers << row(6);
        QTest::newRow("one added") << gate << oak() << s << "added:+27825550006" << QList<int>{1, 0, 0} << "1 added";
        QTest::newRow("one removed") << gate << s << oak() << "removed:+27825550006" << QList<int>{0, 1, 0}
                                     << "1 removed";
        s = oak();
        s.numbers[2].outputs = {true, true, false, false};
        s.numbers[2].unit = "99"; // a gate's running number is no difference
        QTest::newRow("rights changed") << gate << oak() << s << "rights:+27825550003" << QList<int>{0, 0, 1}
                                        << "1 changed";
        s = oak();
        s.systemName = "BIRCH GATE";
        s.masterNumber = "27821111111"; // the same master number without "+"
        QTest::newRow("name changed") << gate << oak() << s << "setting:System name" << QList<int>{0, 0, 0}
                                      << "name changed";
        s = oak(0);
        for (int n = 11; n <= 15; ++n)
            s.numbers << row(n);
        s.password = "1234";
        s.numbers.prepend(oak().numbers.at(0)); // in another place, still the same number
        QTest::newRow("every other number different")
            << gate << oak() << s
            << "setting:System password added:+27825550011 added:+27825550012 added:+27825550013 "
               "added:+27825550014 added:+27825550015 removed:+27825550002 removed:+27825550003 "
               "removed:+27825550004 removed:+27825550005"
            << QList<int>{5, 4, 0} << "5 added, 4 removed, password changed";
        settings::SettingsSet a = oak(2), b = oak(2);
        a.numbers[0].unit = "7";
        b.numbers[0].unit = "07";
        b.numbers[1].unit = "8";
        b.inputNames[0] = "Door"; // the intercom has no input names to send
        QTest::newRow("intercom unit number") << settings::kIntercom << a << b << "unit:+27825550002"
                                              << QList<int>{0, 0, 1} << "1 changed";
        b = oak();
        b.inputNames[0] = "Door";
        b.errorReporting = false;
        QTest::newRow("options and an input name") << gate << oak() << b
                                                   << "setting:Error reporting setting:Input name 1"
                                                   << QList<int>{0, 0, 0} << "2 other settings changed";
        b.systemOptionsKnown = false; // a side without options: they are not compared
        QTest::newRow("options unknown on one side") << gate << oak() << b << "setting:Input name 1"
                                                     << QList<int>{0, 0, 0} << "1 other setting changed";
    }
    void pairs()
    {
        QFETCH(QString, model);
        QFETCH(settings::SettingsSet, left);
        QFETCH(settings::SettingsSet, right);
        QFETCH(QString, rows);
        QFETCH(QList<int>, counts);
        QFETCH(QString, text);
        const compare::Comparison c = compare::compare_settings(left, right, model, {{"27825550006", "Flat 6"}});
        QCOMPARE(kinds(c), rows);
        QCOMPARE((QList<int>{c.added, c.removed, c.changed}), counts);
        QCOMPARE(c.same(), rows.isEmpty());
        QCOMPARE(compare::counts_text(c), text);
        for (const compare::Row &r : c.rows) {
            QCOMPARE(r.label, QString(r.what == "+27825550006" ? "Flat 6" : ""));
            if (r.field == compare::kFieldPassword) // never shown, either side
                QVERIFY(r.left == "****" && r.right == "****");
        }
    }

    // The settings made from the ticked rows, planned as any upload: additions alone go by
    // "TEL ADDN", anything needing a removal by the whole sequence.
    void ticked_data()
    {
        QTest::addColumn<settings::SettingsSet>("window");
        QTest::addColumn<QList<bool>>("ticks");
        QTest::addColumn<bool>("unitOnLeft");
        QTest::addColumn<int>("additions");
        QTest::addColumn<bool>("clears");
        QTest::addColumn<QStringList>("settingsSent"); // words besides the list's
        QTest::addColumn<int>("numbersAfter");

        settings::SettingsSet w = oak();
        for (int n = 6; n <= 10; ++n)
            w.numbers << row(n);
        QTest::newRow("three of five additions") << w << QList<bool>{true, false, true, false, true} << true << 3 << false
                                                 << QStringList{} << 8;
        QTest::newRow("unit on the right") << w << QList<bool>{true, true, false, false, false} << false << 2 << false
                                           << QStringList{} << 7;
        QTest::newRow("nothing ticked") << w << QList<bool>{false, false, false, false, false} << true << 0 << false
                                        << QStringList{} << 5;
        settings::SettingsSet r = w;
        r.numbers.removeAt(0);
        r.systemName = "OAK RIDGE 2";
        // Rows: the name, five additions, one removal.
        QTest::newRow("a removal unticked") << r << QList<bool>{false, true, true, false, false, false, false} << true
                                            << 2 << false << QStringList{} << 7;
        QTest::newRow("a removal ticked") << r << QList<bool>{false, true, false, false, false, false, true} << true << 5
                                          << true << QStringList{"SYS PASS ", "SYS NAME ", "TEL MAST "} << 5;
        QTest::newRow("the name alone") << r << QList<bool>{true, false, false, false, false, false, false} << true << 0
                                        << false << QStringList{"SYS NAME "} << 5;
    }
    void ticked()
    {
        QFETCH(settings::SettingsSet, window);
        QFETCH(QList<bool>, ticks);
        QFETCH(bool, unitOnLeft);
        QFETCH(int, additions);
        QFETCH(bool, clears);
        QFETCH(QStringList, settingsSent);
        QFETCH(int, numbersAfter);
        const settings::SettingsSet unit = oak();
        const compare::Comparison c = unitOnLeft ? compare::compare_settings(unit, window, settings::kGate)
                                                 : compare::compare_settings(window, unit, settings::kGate);
        QCOMPARE(c.rows.size(), ticks.size());
        const settings::SettingsSet target = compare::apply_rows(unit, window, c, ticks, unitOnLeft);
        QCOMPARE(target.numbers.size(), numbersAfter);
        const transfer::UploadPlan plan = transfer::plan_upload(unit, target, {settings::kGate, false, false});
        QCOMPARE(count(plan.commands, "TEL ADDN "), additions);
        QCOMPARE(plan.clearAt >= 0, clears);
        QStringList others;
        for (const auto &cmd : plan.commands)
            if (!cmd.word.startsWith("TEL ADDN") && !cmd.word.startsWith("TEL CLRN"))
                others << cmd.word;
        QCOMPARE(others, settingsSent);
        // The unticked rows keep what the unit holds.
        const compare::Comparison rest = compare::compare_settings(unit, target, settings::kGate);
        QCOMPARE(rest.rows.size(), qsizetype(std::count(ticks.cbegin(), ticks.cend(), true)));
    }

    void wrongUnit_data()
    {
        QTest::addColumn<std::optional<settings::SettingsSet>>("unit");
        QTest::addColumn<settings::SettingsSet>("wanted");
        QTest::addColumn<bool>("wrong");
        settings::SettingsSet birch = oak();
        birch.systemName = "BIRCH GATE";
        QTest::newRow("nothing known") << std::optional<settings::SettingsSet>() << oak() << false;
        QTest::newRow("the same unit") << std::optional(oak()) << oak() << false;
        settings::SettingsSet same = oak();
        same.systemName = " oak ridge ";
        same.masterNumber = "27821111111";
        QTest::newRow("case, blanks and plus") << std::optional(oak()) << same << false;
        QTest::newRow("another name") << std::optional(birch) << oak() << true;
        settings::SettingsSet other = oak();
        other.masterNumber = "+27829999999";
        QTest::newRow("another master number") << std::optional(other) << oak() << true;
        QTest::newRow("a fresh unit") << std::optional(settings::SettingsSet{}) << oak() << false;
        settings::SettingsSet noMaster = oak();
        noMaster.masterNumber.clear();
        QTest::newRow("the unit has no master number") << std::optional(noMaster) << oak() << false;
    }
    void wrongUnit()
    {
        QFETCH(std::optional<settings::SettingsSet>, unit);
        QFETCH(settings::SettingsSet, wanted);
        QFETCH(bool, wrong);
        const auto found = compare::wrong_unit(unit, wanted);
        QCOMPARE(found.has_value(), wrong);
        if (found) { // both names are in the question
            const QString text = compare::wrong_unit_text(*found);
            QVERIFY2(text.contains(unit->systemName) && text.contains(wanted.systemName), qPrintable(text));
        }
    }

    // The window: after a read from a unit that says it is another site, the upload asks with
    // both names and Cancel last; cancelled, nothing is written.
    void windowGuard_data()
    {
        QTest::addColumn<QString>("unitName");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<bool>("guardAsked");
        QTest::addColumn<bool>("sent");
        QTest::newRow("matching unit") << "OAK RIDGE" << QList<int>{0} << false << true;
        QTest::newRow("another site, cancelled") << "BIRCH GATE" << QList<int>{0} << true << false;
        QTest::newRow("another site, anyway") << "BIRCH GATE" << QList<int>{0, 0} << true << true;
    }
    void windowGuard()
    {
        QFETCH(QString, unitName);
        QFETCH(QList<int>, answers);
        QFETCH(bool, guardAsked);
        QFETCH(bool, sent);
        fakes::FakeSerialPort port;
        fakes::FakeDialogs dialogs;
        platform::PortCatalogue catalogue({}, "/dev/unit", nullptr);
        mainwindow::Platform p{&port, &dialogs, [] { return std::make_unique<fakes::FakeTimer>(); }, &catalogue, {}, nullptr};
        mainwindow::FrmMain main(p, {settings::kGate, {0, 1, 3, 4}, catalogue.entries().value(0)});
        main.runit();
        settings::SettingsSet unit = oak();
        unit.systemName = unitName;
        unit.numbers.removeLast(); // the window's list differs: a removal clears the unit's list
        emit main.download().unitRead(unit);
        settings::SettingsSet window = oak();
        window.numbers.removeFirst();
        main.editors().load(window);
        dialogs.choices = answers;
        main.findChild<QPushButton *>("cmdUpload")->click();
        const auto asked = std::find_if(dialogs.questions.cbegin(), dialogs.questions.cend(),
                                        [](const auto &q) { return q.buttons.contains("Upload anyway"); });
        QCOMPARE(asked != dialogs.questions.cend(), guardAsked);
        if (guardAsked) {
            QCOMPARE(asked->buttons.last(), "Cancel");
            QVERIFY(asked->text.contains("BIRCH GATE") && asked->text.contains("OAK RIDGE"));
        }
        QCOMPARE(!port.writes.isEmpty(), sent);
    }

    // Unticking two of five additions in the compare view sends exactly three "TEL ADDN" to
    // the simulated unit, read back and verified; the window's settings stay as they were.
    void partialApply()
    {
        unitsim::PtyUnit unit;
        QVERIFY(unit.start());
        unit.protocol().state().systemName = "OAK RIDGE";
        unit.protocol().state().masterNumber = "+27821111111";
        unit.protocol().state().inputNames = settings::SettingsSet{}.inputNames;
        for (const auto &r : oak().numbers)
            unit.protocol().state().numbers.append({r.number.mid(1), "1"});
        QStringList received;
        connect(&unit, &unitsim::PtyUnit::commandReceived, this, [&](const QString &c) { received << c; });
        platform::QtSerialPort port;
        QVERIFY(port.open(unit.devicePath(), {}));
        platform::QtTimer reply, quiet, deadline;
        unitlink::UnitLink link(port);
        link.setReplyTimer(&reply);
        transfer::DumpReader reader(link, quiet, deadline, [](const QString &) {});
        transfer::UploadJob job(link, reader);
        QList<transfer::UploadOutcome> outcomes;
        connect(&job, &transfer::UploadJob::finished, this, [&](const transfer::UploadOutcome &o) { outcomes << o; });

        std::optional<settings::SettingsSet> read;
        QVERIFY(reader.request("5831", [&](const transfer::DumpOutcome &o) {
            read = transfer::read_unit_dump(o.records).settings;
        }));
        QTRY_VERIFY_WITH_TIMEOUT(read.has_value(), 10000);
        job.setHeld(read);

        settings::SettingsSet window = oak();
        for (int n = 6; n <= 10; ++n)
            window.numbers << row(n);
        fakes::FakeDialogs dialogs;
        dialogs.answerYes = true;
        mainwindow::CompareSources sources;
        sources.window = [&] { return window; };
        sources.lastRead = [&] { return job.held(); };
        sources.apply = [&](const settings::SettingsSet &target) {
            transfer::UploadChoices choices;
            choices.model = settings::kGate;
            choices.verify = true;
            return job.start(target, choices);
        };
        mainwindow::CompareDialog view(settings::kGate, sources, dialogs);
        view.setSides({mainwindow::CompareSide::Kind::Unit, "the unit", *read},
                      {mainwindow::CompareSide::Kind::Window, "window", window});
        QCOMPARE(view.comparison().added, 5);
        view.setTicked(1, false);
        view.setTicked(3, false);
        received.clear();
        QVERIFY(view.applyTicked());
        QTRY_COMPARE_WITH_TIMEOUT(outcomes.size(), 1, 20000);
        const transfer::UploadOutcome outcome = outcomes.first();
        QCOMPARE(outcome.kind, transfer::UploadOutcome::Kind::Done);
        QVERIFY(outcome.verification && outcome.verification->ok());
        QCOMPARE(received.filter("TEL ADDN").size(), 3);
        QCOMPARE(received.filter(QRegularExpression("^SYS (PASS|NAME|INP)|TEL CLRN|TEL MAST")).size(), 0);
        QCOMPARE(unit.protocol().state().numbers.size(), 8);
        QCOMPARE(window.numbers.size(), 10);
    }
};

QTEST_MAIN(TstCompare)
#include "tst_compare.moc"
