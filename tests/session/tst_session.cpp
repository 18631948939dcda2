// The unit session against a scripted unit: every way an upload can end, as one outcome, and
// the events a front end presents, in their order.
#include "link/unitlink.h"
#include "messages/messages.h"
#include "session/unitsession.h"
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
    QList<fakes::FakeTimer *> timers;
    session::UnitSession session{port,
                                 [this] {
                                     auto t = std::make_unique<fakes::FakeTimer>();
                                     timers.append(t.get());
                                     return t;
                                 },
                                 settings::kGate};
    fakes::FakeTimer &reply = timer("replyTimer");
    fakes::FakeTimer &quiet = timer("readQuietTimer");
    QList<transfer::UploadOutcome> outcomes;
    Rig()
    {
        session.open("/dev/unit");
        QObject::connect(&session, &session::UnitSession::uploadDone,
                         [this](const transfer::UploadOutcome &o) { outcomes.append(o); });
    }
    fakes::FakeTimer &timer(const QString &name)
    {
        for (fakes::FakeTimer *t : timers)
            if (t->objectName() == name)
                return *t;
        qFatal("no timer %s", qPrintable(name));
    }
    // Uploads the site, plays the unit's steps; true when the upload ended in exactly one outcome.
    bool run(const transfer::UploadChoices &choices, const QStringList &unit)
    {
        if (!session.upload(session.prepare(site(), choices)))
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
            session.stop();
        else if (step.startsWith("dump:")) {
            port.feedNow(transfer::settings_file_text(site(step.mid(5)), settings::kGate).toLatin1());
            quiet.fire();
        } else
            port.feedNow(step.toLatin1());
    }
};

const char *const kKindNames[] = {"Done", "Unsendable", "PortClosed", "Refused", "WrongPassword",
                                  "NoAnswer", "Unreadable", "PortLost", "Differences", "Stopped"};

// What the session reports, one short line each (commands and acknowledgements only counted).
struct Events : QStringList {
    int sent = 0, acked = 0;
    void watch(session::UnitSession &s)
    {
        using S = session::UnitSession;
        QObject::connect(&s, &S::opened, [this] { append("opened"); });
        QObject::connect(&s, &S::busyChanged, [this](bool busy) { append(busy ? "busy" : "idle"); });
        QObject::connect(&s, &S::commandSent, [this] { ++sent; });
        QObject::connect(&s, &S::acknowledged, [this] { ++acked; });
        QObject::connect(&s, &S::verifying, [this] { append(QString("verifying after %1/%2").arg(acked).arg(sent)); });
        QObject::connect(&s, &S::portLost, [this](const session::PortLoss &l) {
            append(QString("lost %1 %2/%3").arg(l.cut ? "cut" : "idle").arg(l.acknowledged).arg(l.total));
        });
        QObject::connect(&s, &S::resumed, [this](int at, int total) { append(QString("resumed %1/%2").arg(at).arg(total)); });
        QObject::connect(&s, &S::readDone, [this](const session::ReadOutcome &o) {
            append(QString("read %1").arg(o.unit ? o.unit->systemName : QString("failed")));
        });
        QObject::connect(&s, &S::uploadDone, [this](const transfer::UploadOutcome &o) {
            append(QString("upload %1 %2/%3").arg(kKindNames[int(o.kind)]).arg(o.acknowledged).arg(o.total));
        });
    }
};

const QStringList kAcks{"OK (38)", "OK (12)", "OK (22)", "OK (23)", "OK (24)", "OK (24)"};

} // namespace

class TstSession : public QObject {
    Q_OBJECT
private slots:
    void endsInOneOutcome_data()
    {
        QTest::addColumn<bool>("verify");
        QTest::addColumn<QStringList>("unit");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<int>("acknowledged");
        // A refusal: "label command/total codes, numbers kept"; a read-back: what was compared.
        QTest::addColumn<QString>("detail");
        QTest::newRow("done") << false << kAcks << Kind::Done << 6 << "";
        QTest::newRow("done and verified") << true << kAcks + QStringList{"dump:Gate"} << Kind::Done << 6
                                           << "7 match, 0 differ: password 1, name 1, inputs 0, master 1, numbers 2";
        QTest::newRow("refused before the list is cleared") << false << kAcks.mid(0, 2) + QStringList{"ERROR (11)"}
                                                            << Kind::Refused << 2 << "Master Number 3/6 11, kept -1";
        QTest::newRow("refused after the list was cleared") << false << kAcks.mid(0, 5) + QStringList{"ERROR (25)"}
                                                            << Kind::Refused << 5 << "Send Telno 6/6 25, kept 1";
        QTest::newRow("wrong password") << true << QStringList{"ERROR (39)"} << Kind::WrongPassword << 0 << "";
        QTest::newRow("silence") << false << kAcks.mid(0, 1) + QStringList{"silence"} << Kind::NoAnswer << 1 << "";
        QTest::newRow("noise") << false << QStringList{"(~~)(\x7f)"} << Kind::Unreadable << 0 << "";
        QTest::newRow("port lost") << true << kAcks.mid(0, 2) + QStringList{"unplug"} << Kind::PortLost << 2 << "";
        QTest::newRow("differences") << true << kAcks + QStringList{"dump:Other"} << Kind::Differences << 6
                                     << "6 match, 1 differ: password 1, name 1, inputs 0, master 1, numbers 2";
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
        if (kind == Kind::Refused) {
            const unitlink::Refusal &f = o.refusal;
            QStringList codes;
            for (const qint16 c : f.codes)
                codes << QString::number(c);
            QCOMPARE(QString("%1 %2/%3 %4, kept %5").arg(f.label).arg(f.command).arg(f.total).arg(codes.join(',')).arg(f.numbersKept), detail);
        } else if (!detail.isEmpty()) {
            const transfer::Verification &v = *o.verification;
            const transfer::Compared &c = v.compared;
            QCOMPARE(QString("%1 match, %2 differ: password %3, name %4, inputs %5, master %6, numbers %7")
                         .arg(v.matches)
                         .arg(v.differences.size())
                         .arg(c.password)
                         .arg(c.name)
                         .arg(c.inputs)
                         .arg(c.master)
                         .arg(c.numbers),
                     detail);
        }
        QCOMPARE(o.kind == Kind::Stopped || o.kind == Kind::Done, messages::Texts::upload(o).kind == messages::Message::Kind::Information);
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
            r.session.assumeHeld(held);
        QVERIFY(r.run({settings::kGate, QString(), true, true, false}, unit));
        const transfer::UploadOutcome &o = r.outcomes.first();
        QCOMPARE(o.kind, kind);
        QCOMPARE(o.unitHolds, unitHolds);
        QCOMPARE(r.session.held().has_value(), knownAfter);
        if (knownAfter)
            QVERIFY(*r.session.held() == site());
        // The shortest plan leaves the unit's list in place: only the new numbers go.
        const QByteArray wire = r.port.writes.join();
        QCOMPARE(r.session.currentPlan().clearAt >= 0, !known);
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
        r.session.assumeHeld(held);
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
        QVERIFY(r.session.resume());
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

    // The events a front end presents, in their order: a read, an upload read back, a stop,
    // and a loss the upload resumes from; and what the unit is known to hold after each.
    void eventSequence()
    {
        Rig r;
        Events e;
        e.watch(r.session);
        QVERIFY(r.session.read("4711"));
        r.play("dump:Gate");
        QCOMPARE(e, (QStringList{"busy", "idle", "read Gate"}));
        QVERIFY(r.session.held() && r.session.held()->systemName == "Gate");

        // Known to hold the site: nothing to send but the read-back.
        e.clear();
        QVERIFY(!r.run({settings::kGate, QString(), true, true, false}, {}));
        r.play("dump:Gate");
        QCOMPARE(e, (QStringList{"busy", "verifying after 0/0", "upload Done 0/0", "idle"}));

        e.clear();
        settings::SettingsSet other = site("Other");
        r.session.upload(r.session.prepare(other, {settings::kGate, QString(), false, true, false, true}));
        r.play("OK (38)");
        r.play("stop");
        r.play("OK (12)");
        QCOMPARE(e, (QStringList{"busy", "upload Stopped 2/6", "idle"}));
        QVERIFY(!r.session.held());

        e = {};
        r.session.upload(r.session.prepare(site(), {settings::kGate, QString(), false, true, false, true}));
        for (const QString &step : kAcks.mid(0, 2) + QStringList{"unplug"})
            r.play(step);
        QVERIFY(r.session.canResume());
        QVERIFY(r.session.open("/dev/unit"));
        QVERIFY(r.session.resume());
        for (const QString &step : QStringList{"dump:Gate"} + kAcks.mid(2) + QStringList{"dump:Gate"})
            r.play(step);
        // A resumed upload is always read back: another unit may have been plugged in.
        QCOMPARE(e, (QStringList{"busy", "lost cut 2/6", "upload PortLost 2/6", "idle", "opened", "busy", "resumed 3/6",
                                 "verifying after 6/7", "upload Done 6/6", "idle"}));
        QVERIFY(r.session.held() && *r.session.held() == site());
    }

    // The upload sends the plan it was asked about, as it is, however it was made.
    void sendsThePlanItWasAskedAbout()
    {
        Rig r;
        session::PreparedUpload prepared = r.session.prepare(site(), {settings::kGate, QString(), false, true, false, false});
        QCOMPARE(prepared.plan.commands.size(), 6);
        prepared.plan.commands.removeAt(1); // not the plan a fresh look would make
        QVERIFY(r.session.upload(prepared));
        for (int i = 0; i < 5; ++i)
            r.play("OK (12)");
        QCOMPARE(r.outcomes.size(), 1);
        const auto shown = [](const transfer::UploadCommand &c) { return c.word + c.value; };
        QCOMPARE(fakes::textsOf(r.outcomes.first().plan.commands, shown), fakes::textsOf(prepared.plan.commands, shown));
        QCOMPARE(r.port.writes.size(), 5);
        QVERIFY(!r.port.writes.join().contains("SYS NAME"));

        // With the read-back, the question's time takes it in.
        const session::PreparedUpload verified = r.session.prepare(site(), {settings::kGate, QString(), true, true, false, false});
        QVERIFY(verified.seconds > verified.plan.seconds + 1);
    }
};

QTEST_GUILESS_MAIN(TstSession)
#include "tst_session.moc"
