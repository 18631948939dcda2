// The upload job against a scripted unit: every way an upload can end, as one outcome.
#include "link/unitlink.h"
#include "settings/unitmodel.h"
#include "tests/support/fakes.h"
#include "transfer/dumpreader.h"
#include "transfer/settingsfile.h"
#include "transfer/uploadjob.h"

#include <QTest>

using Kind = transfer::UploadOutcome::Kind;
Q_DECLARE_METATYPE(Kind)

namespace {

settings::SettingsSet site(const QString &name = "Gate")
{
    settings::SettingsSet set;
    set.password = "4711";
    set.systemName = name;
    set.masterNumber = "+2782";
    set.numbers = {{"1", "+27821", {true, false, false, false}}, {"2", "+27822", {false, true, false, false}}};
    return set; // six commands: password, name, master number, clearing, two numbers
}

struct Rig {
    fakes::FakeSerialPort port;
    fakes::FakeTimer reply, quiet, deadline;
    unitlink::UnitLink link{port};
    transfer::DumpReader reader{link, quiet, deadline, [](const QString &) {}};
    transfer::UploadJob job{link, reader};
    QList<transfer::UploadOutcome> outcomes;
    Rig()
    {
        port.open("/dev/unit", {});
        link.setReplyTimer(&reply);
        QObject::connect(&job, &transfer::UploadJob::finished,
                         [this](const transfer::UploadOutcome &o) { outcomes.append(o); });
    }
    // Uploads the site, plays the unit's steps; true when the upload ended in exactly one outcome.
    bool run(const transfer::UploadChoices &choices, const QStringList &unit)
    {
        if (!job.start(site(), choices))
            return false;
        for (const QString &step : unit)
            play(step);
        return outcomes.size() == 1;
    }
    // One step of the unit: an answer, "silence", "unplug", "stop", or "dump:" and what the dump names the unit.
    void play(const QString &step)
    {
        if (step == "silence")
            reply.fire();
        else if (step == "unplug")
            port.unplug();
        else if (step == "stop")
            job.stop();
        else if (step.startsWith("dump:")) {
            port.feedNow(transfer::settings_file_text(site(step.mid(5)), settings::kGate).toLatin1());
            quiet.fire();
        } else
            port.feedNow(step.toLatin1());
    }
};

const QStringList kAcks{"OK (38)", "OK (12)", "OK (22)", "OK (23)", "OK (24)", "OK (24)"};

} // namespace

class TstUploadJob : public QObject {
    Q_OBJECT
private slots:
    void endsInOneOutcome_data()
    {
        QTest::addColumn<bool>("verify");
        QTest::addColumn<QStringList>("unit");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<int>("acknowledged");
        QTest::addColumn<QString>("detail"); // what a refusal says, or the verification's first line
        QTest::newRow("done") << false << kAcks << Kind::Done << 6 << "";
        QTest::newRow("done and verified") << true << kAcks + QStringList{"dump:Gate"} << Kind::Done << 6
                                           << "Verified: all 7 settings match.";
        QTest::newRow("refused before the list is cleared") << false << kAcks.mid(0, 2) + QStringList{"ERROR (11)"}
                                                            << Kind::Refused << 2
                                                            << "The unit refused \"Master Number\" (code 11). The upload "
                                                               "stopped at command 3 of 6.";
        QTest::newRow("refused after the list was cleared") << false << kAcks.mid(0, 5) + QStringList{"ERROR (25)"}
                                                            << Kind::Refused << 5
                                                            << "The unit refused \"Send Telno\" (code 25). The upload "
                                                               "stopped at command 6 of 6. The unit's number list was "
                                                               "cleared by this upload and now holds only the 1 number "
                                                               "sent before this one. Correct the settings and upload "
                                                               "again to send the whole list.";
        QTest::newRow("wrong password") << true << QStringList{"ERROR (39)"} << Kind::WrongPassword << 0 << "";
        QTest::newRow("silence") << false << kAcks.mid(0, 1) + QStringList{"silence"} << Kind::NoAnswer << 1 << "";
        QTest::newRow("noise") << false << QStringList{"(~~)(\x7f)"} << Kind::Unreadable << 0 << "";
        QTest::newRow("port lost") << true << kAcks.mid(0, 2) + QStringList{"unplug"} << Kind::PortLost << 2 << "";
        QTest::newRow("differences") << true << kAcks + QStringList{"dump:Other"} << Kind::Differences << 6
                                     << "Verification failed: the unit holds 1 setting other than what was sent (6 "
                                        "match):";
        QTest::newRow("stopped") << true << QStringList{"stop", "OK (38)", "OK (12)"} << Kind::Stopped << 1 << "";
    }
    void endsInOneOutcome()
    {
        QFETCH(bool, verify);
        QFETCH(QStringList, unit);
        QFETCH(Kind, kind);
        QFETCH(QString, detail);
        Rig r;
        QVERIFY(r.run({settings::kGate, QString(), verify, true, false}, unit));
        const transfer::UploadOutcome &o = r.outcomes.first();
        QCOMPARE(o.kind, kind);
        QTEST(o.acknowledged, "acknowledged");
        QCOMPARE(o.total, 6);
        if (kind == Kind::Refused)
            QCOMPARE(transfer::refusal_text(o.refusal), detail);
        else if (!detail.isEmpty())
            QCOMPARE(transfer::verification_text(*o.verification).section('\n', 0, 0), detail);
        // Nothing goes out after the end.
        const qsizetype written = r.port.writes.size();
        r.play("OK (12)");
        QCOMPARE(r.port.writes.size(), written);
        QCOMPARE(r.outcomes.size(), 1);
    }

    // What the unit is known to hold decides the plan, and only a verified end keeps it known;
    // a stop says how much of the list the unit now holds.
    void remembersWhatTheUnitHolds_data()
    {
        QTest::addColumn<bool>("known"); // the unit holds the site without its numbers
        QTest::addColumn<QStringList>("unit");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("unitHolds");
        QTest::addColumn<bool>("knownAfter");
        const QStringList acks{"OK (24)", "OK (24)"};
        QTest::newRow("shortest, verified") << true << acks + QStringList{"dump:Gate"} << Kind::Done << "" << true;
        QTest::newRow("shortest, differences") << true << acks + QStringList{"dump:Other"} << Kind::Differences << ""
                                               << false;
        QTest::newRow("shortest, stopped after one new number")
            << true << QStringList{"stop", "OK (24)"} << Kind::Stopped
            << "The unit's list now holds its 0 numbers and the first 1 of the 2 new ones; upload again to complete it"
            << false;
        QTest::newRow("full, verified") << false << kAcks + QStringList{"dump:Gate"} << Kind::Done << "" << true;
        QTest::newRow("full, stopped before the clearing")
            << false << QStringList{"OK (38)", "stop", "OK (12)"} << Kind::Stopped
            << "The unit's list is as it was; upload again to send the rest of the settings" << false;
        QTest::newRow("full, stopped after the clearing")
            << false << kAcks.mid(0, 4) + QStringList{"stop", "OK (24)"} << Kind::Stopped
            << "The unit's list now holds the first 1 of 2 numbers; upload again to complete it" << false;
        QTest::newRow("full, refused") << false << kAcks.mid(0, 1) + QStringList{"ERROR (11)"} << Kind::Refused
                                       << "The unit's list is as it was; upload again to send the rest of the settings"
                                       << false;
    }
    void remembersWhatTheUnitHolds()
    {
        QFETCH(bool, known);
        QFETCH(QStringList, unit);
        QFETCH(Kind, kind);
        QFETCH(QString, unitHolds);
        QFETCH(bool, knownAfter);
        Rig r;
        settings::SettingsSet held = site();
        held.numbers.clear();
        if (known)
            r.job.setHeld(held);
        QVERIFY(r.run({settings::kGate, QString(), true, true, false}, unit));
        const transfer::UploadOutcome &o = r.outcomes.first();
        QCOMPARE(o.kind, kind);
        QCOMPARE(o.unitHolds, unitHolds);
        QCOMPARE(r.job.held().has_value(), knownAfter);
        if (knownAfter)
            QVERIFY(*r.job.held() == site());
        // The shortest plan leaves the unit's list in place: only the new numbers go.
        const QByteArray wire = r.port.writes.join();
        QCOMPARE(r.job.currentPlan().clearAt >= 0, !known);
        QVERIFY(!known || !wire.contains("TEL CLRN"));
        QCOMPARE(wire.count("TEL ADDN"), known ? o.acknowledged : qMax(0, o.acknowledged - 4));
    }

    // An upload that sends only the changes trusts what the unit was last seen to hold, so it
    // is read back even with verification off; a unit changed behind the program's back shows.
    void shortPlanIsAlwaysReadBack_data()
    {
        QTest::addColumn<QString>("unitNow"); // the dump after the new number went
        QTest::addColumn<Kind>("kind");
        settings::SettingsSet cleared = site();
        cleared.numbers.removeFirst(); // its list was emptied by someone else, then ours came
        QTest::newRow("unit as the program saw it") << transfer::settings_file_text(site(), settings::kGate) << Kind::Done;
        QTest::newRow("list cleared behind its back") << transfer::settings_file_text(cleared, settings::kGate)
                                                      << Kind::Differences;
    }
    void shortPlanIsAlwaysReadBack()
    {
        QFETCH(QString, unitNow);
        Rig r;
        settings::SettingsSet held = site();
        held.numbers.removeLast();
        r.job.setHeld(held);
        QVERIFY(!r.run({settings::kGate, QString(), false, true, false}, {"OK (24)"}));
        QCOMPARE(r.port.writes.size(), 2);
        QVERIFY(r.port.writes.last().contains("SYS SPEW"));
        r.play(unitNow);
        QCOMPARE(r.outcomes.size(), 1);
        QTEST(r.outcomes.first().kind, "kind");
        QVERIFY(r.outcomes.first().verification.has_value());
    }

    // A resume first reads the unit: only the unit the upload began with gets the rest.
    void resumeChecksTheUnit_data()
    {
        QTest::addColumn<int>("acked"); // commands acknowledged before the line was lost
        QTest::addColumn<QString>("unitNow");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("says");
        const auto dump = [](const QString &name, QList<settings::NumberRow> numbers) {
            settings::SettingsSet set = site(name);
            set.numbers = numbers;
            return transfer::settings_file_text(set, settings::kGate);
        };
        const QList<settings::NumberRow> first = site().numbers.mid(0, 1);
        const QList<settings::NumberRow> own{{"1", "+27830001", {}}, {"2", "+27830002", {}}, {"3", "+27830003", {}}};
        QTest::newRow("same unit") << 5 << dump("Gate", first) << Kind::Done << "";
        QTest::newRow("same unit, the lost answer's number taken") << 4 << dump("Gate", first) << Kind::Done << "";
        QTest::newRow("another unit, its own list") << 5 << dump("Gate", own + first) << Kind::NotResumed
                                                    << "The unit on the line does not hold";
        QTest::newRow("another unit, its own name") << 2 << dump("North", own) << Kind::NotResumed
                                                    << "The unit on the line does not hold";
        QTest::newRow("nothing tells them apart") << 1 << dump("North", own) << Kind::NotResumed
                                                  << "Whether the unit on the line is the one";
        QTest::newRow("unreadable") << 5 << QString("ERROR (39)") << Kind::NotResumed << "Whether the unit on the line";
    }
    void resumeChecksTheUnit()
    {
        QFETCH(int, acked);
        QFETCH(QString, unitNow);
        QFETCH(Kind, kind);
        QFETCH(QString, says);
        Rig r;
        QVERIFY(r.run({settings::kGate, QString(), false, true, false}, kAcks.mid(0, acked) + QStringList{"unplug"}));
        r.port.open("/dev/unit", {});
        QVERIFY(r.job.resume());
        QCOMPARE(r.port.writes.last(), "*4711 SYS SPEW*\r");
        r.play(unitNow);
        r.quiet.fire();
        if (kind == Kind::NotResumed) {
            QCOMPARE(r.outcomes.size(), 2);
            QVERIFY2(r.outcomes.last().reason.startsWith(says), qPrintable(r.outcomes.last().reason));
            QVERIFY(r.port.writes.last().contains("SYS SPEW")); // nothing was sent to it
            return;
        }
        // The command whose answer was lost goes again, then the rest, then the read-back.
        QVERIFY(r.port.writes.last().contains(acked == 5 ? "TEL ADDN 27822" : "TEL ADDN 27821"));
        for (const QString &step : kAcks.mid(acked) + QStringList{"dump:Gate"})
            r.play(step);
        QCOMPARE(r.outcomes.size(), 2);
        QCOMPARE(r.outcomes.last().kind, Kind::Done);
        QVERIFY(r.outcomes.last().verification.has_value());
    }
};

QTEST_GUILESS_MAIN(TstUploadJob)
#include "tst_uploadjob.moc"
