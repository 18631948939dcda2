// The shortest safe upload: what it sends for what the unit holds, and what it says.
#include "settings/unitmodel.h"
#include "transfer/uploadplan.h"
#include "transfer/verify.h"
#include "unitsim/unitprotocol.h"

#include <QtTest>

Q_DECLARE_METATYPE(settings::SettingsSet)
Q_DECLARE_METATYPE(std::optional<settings::SettingsSet>)

namespace {

settings::NumberRow row(int n, std::array<bool, 4> outputs, const QString &unit = {})
{
    return {unit.isEmpty() ? QString::number(n) : unit, QStringLiteral("+278255500%1").arg(n, 2, 10, QLatin1Char('0')), outputs};
}

settings::SettingsSet base()
{
    settings::SettingsSet set;
    set.systemName = "Gate North";
    set.masterNumber = "+27821111111";
    set.numbers = {row(1, {true}), row(2, {true, true}), row(3, {false, false, false, true})};
    return set;
}

settings::SettingsSet intercomBase()
{
    settings::SettingsSet set = base();
    set.numbers = {row(1, {}, "7"), row(2, {}, "8"), row(3, {}, "9")};
    return set;
}

QStringList wordsAndValues(const QList<transfer::UploadCommand> &commands)
{
    QStringList out;
    for (const auto &c : commands)
        out << c.word + c.value;
    return out;
}

// Puts `commands` into the simulated unit; false when it refused one.
bool send(unitsim::UnitProtocol &unit, const QList<transfer::UploadCommand> &commands)
{
    for (const auto &c : commands) {
        const auto replies = unit.feed(("*" + unit.state().password + " " + c.word + c.value + "*").toLatin1());
        if (replies.size() != 1 || replies.first().reply.contains("ERROR"))
            return false;
    }
    return true;
}

} // namespace

class TstUploadPlan : public QObject {
    Q_OBJECT
private slots:
    void plan_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<std::optional<settings::SettingsSet>>("held");
        QTest::addColumn<settings::SettingsSet>("wanted");
        QTest::addColumn<bool>("everything");
        QTest::addColumn<QStringList>("commands"); // empty for the whole sequence
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("summary");
        const QString gate = settings::kGate, intercom = settings::kIntercom;

        settings::SettingsSet s = base();
        s.numbers << row(4, {true}) << row(5, {false, true, true});
        QTest::newRow("additions only") << gate << std::optional(base()) << s << false
                                        << QStringList{"TEL ADDN 27825550004,1", "TEL ADDN 27825550005,23"} << ""
                                        << "Send 2 commands: 2 new numbers (about 0.1 s)";
        s.systemName = "Gate South";
        s.numbers.insert(0, row(6, {true, false, false, true})); // where a new number stands does not matter
        QTest::newRow("additions and the name")
            << gate << std::optional(base()) << s << false
            << QStringList{"SYS NAME Gate South", "TEL ADDN 27825550006,14", "TEL ADDN 27825550004,1", "TEL ADDN 27825550005,23"}
            << ""
            << "Send 4 commands: System name and 3 new numbers (about 0.2 s)";

        s = base();
        s.numbers.removeAt(1);
        QTest::newRow("a removal") << gate << std::optional(base()) << s << false << QStringList{}
                                   << "1 number was removed; the unit has no command to remove one number, so its list "
                                      "is cleared and all 2 numbers are sent again"
                                   << "Send 6 commands; the unit's list is cleared first (about 0.2 s)";
        s = base();
        s.numbers[2].outputs[2] = true;
        s.numbers << row(4, {true});
        QTest::newRow("a changed right") << gate << std::optional(base()) << s << false << QStringList{}
                                         << "1 number was given other outputs; the unit has no command to change one "
                                            "number, so its list is cleared and all 4 numbers are sent again"
                                         << "Send 8 commands; the unit's list is cleared first (about 0.3 s)";
        s = intercomBase();
        s.numbers[0].unit = "07"; // the same unit number as the unit's 7
        s.numbers[1].unit = "10";
        QTest::newRow("a changed unit number") << intercom << std::optional(intercomBase()) << s << false << QStringList{}
                                               << "1 number was given another unit number; the unit has no command to "
                                                  "change one number, so its list is cleared and all 3 numbers are sent again"
                                               << "Send 7 commands; the unit's list is cleared first (about 0.3 s)";
        s.numbers.removeAt(2);
        s.numbers.removeAt(0);
        QTest::newRow("removed and changed") << intercom << std::optional(intercomBase()) << s << false << QStringList{}
                                             << "2 numbers were removed and 1 number was given another unit number; the unit "
                                                "has no command to remove or change one number, so its list is cleared and "
                                                "the 1 number is sent again"
                                             << "Send 5 commands; the unit's list is cleared first (about 0.2 s)";

        s = base();
        s.uploadSystem = true;
        s.inputNames[1] = "Back door";
        s.monitorInputs = {true, false, true, false};
        settings::SettingsSet h = base();
        h.uploadSystem = true; // the held options happen to match: they are sent all the same
        h.monitorInputs = s.monitorInputs;
        QTest::newRow("system parameters ticked")
            << gate << std::optional(h) << s << false
            << QStringList{"SYS EREP ON", "SYS OCNF ON", "SYS MONI 13", "SYS INP2 Back door"} << ""
            << "Send 4 commands: Error reporting, Output confirmation, Monitor inputs and Input2 (about 0.1 s)";
        s.password = "9921";
        s.masterNumber = "+27829999999";
        QTest::newRow("system settings changed, not ticked for the intercom")
            << intercom << std::optional(h) << s << false << QStringList{"SYS PASS 9921", "TEL MAST +27829999999"} << ""
            << "Send 2 commands: System password and Master Number (about 0.1 s)";

        QTest::newRow("nothing known about the unit")
            << gate << std::optional<settings::SettingsSet>() << base() << false << QStringList{}
            << "What the unit holds is not known, so its list is cleared and all 3 numbers are sent again"
            << "Send 7 commands; the unit's list is cleared first (about 0.3 s)";
        QTest::newRow("everything asked for")
            << gate << std::optional(base()) << base() << true << QStringList{}
            << "Everything is sent, as chosen: the unit's list is cleared and all 3 numbers are sent again"
            << "Send 7 commands; the unit's list is cleared first (about 0.3 s)";
        QTest::newRow("nothing changed") << gate << std::optional(base()) << base() << false << QStringList{} << ""
                                         << "Nothing to send: the unit already holds these settings";
    }
    void plan()
    {
        QFETCH(QString, model);
        QFETCH(std::optional<settings::SettingsSet>, held);
        QFETCH(settings::SettingsSet, wanted);
        QFETCH(bool, everything);
        QFETCH(QStringList, commands);
        QFETCH(QString, reason);
        QFETCH(QString, summary);

        const transfer::UploadPlan plan = transfer::plan_upload(held, wanted, {model, everything});
        const QList<transfer::UploadCommand> all = transfer::upload_commands(wanted, model);
        const bool full = !reason.isEmpty();
        QCOMPARE(plan.kind, full ? transfer::UploadPlan::Kind::Full : transfer::UploadPlan::Kind::Incremental);
        QCOMPARE(wordsAndValues(plan.commands), full ? wordsAndValues(all) : commands);
        QCOMPARE(plan.reason, reason);
        QCOMPARE(plan.summary, summary);
        QCOMPARE(plan.clearAt >= 0, full);

        // Whatever the plan, the unit that held `held` ends up holding what was wanted.
        unitsim::UnitProtocol unit;
        unit.setModel(model == settings::kGate ? unitsim::Model::Gate : unitsim::Model::Intercom);
        QVERIFY(send(unit, transfer::upload_commands(held.value_or(base()), model)));
        QVERIFY(send(unit, plan.commands));
        QString dump = QString::fromLatin1(unit.dump());
        dump.remove('\r');
        dump.remove('\n');
        const auto check = transfer::verify_upload(wanted, model, transfer::uploaded_parts(all), transfer::read_unit_dump(dump));
        QVERIFY2(check.ok(), qPrintable(check.differences.value(0).field));
    }

    void heldAfterStop_data()
    {
        QTest::addColumn<int>("held");   // numbers the unit is known to hold; -1: not known
        QTest::addColumn<int>("wanted"); // numbers wanted
        QTest::addColumn<int>("acknowledged");
        QTest::addColumn<QString>("text");
        const QString again = "; upload again to complete it";
        QTest::newRow("full, before the clear") << -1 << 996 << 3 << "The unit's list is as it was; upload again to send the rest of the settings";
        QTest::newRow("full, just cleared") << -1 << 996 << 4 << "The unit's list is now empty (0 of 996 numbers)" + again;
        QTest::newRow("full, midway") << -1 << 996 << 306 << "The unit's list now holds the first 302 of 996 numbers" + again;
        QTest::newRow("shorter, before the numbers") << 991 << 996 << 1 << "The unit's list still holds its 991 numbers and none of the 5 new ones" + again;
        QTest::newRow("shorter, midway") << 991 << 996 << 3 << "The unit's list now holds its 991 numbers and the first 2 of the 5 new ones" + again;
        QTest::newRow("shorter, complete") << 991 << 996 << 6 << "The unit holds everything that was sent";
    }
    void heldAfterStop()
    {
        QFETCH(int, held);
        QFETCH(int, wanted);
        QFETCH(int, acknowledged);
        QFETCH(QString, text);
        settings::SettingsSet want = base();
        want.numbers.clear();
        for (int i = 0; i < wanted; ++i)
            want.numbers << settings::NumberRow{{}, QStringLiteral("+2782%1").arg(i, 7, 10, QLatin1Char('0')), {true}};
        std::optional<settings::SettingsSet> unit;
        if (held >= 0) {
            unit = want;
            unit->numbers = want.numbers.mid(0, held);
            unit->systemName = "Old name"; // one setting goes before the numbers
        }
        const transfer::UploadPlan plan = transfer::plan_upload(unit, want, {settings::kGate});
        QCOMPARE(transfer::held_after_stop(plan, acknowledged), text);
    }
};

QTEST_MAIN(TstUploadPlan)
#include "tst_uploadplan.moc"
