#include "link/outputtester.h"
#include "link/unitlink.h"
#include "link/wire.h"
#include "tests/support/fakes.h"

#include <QSignalSpy>
#include <QTest>

using State = unitlink::UnitLink::ChainState;
namespace wire = unitlink::wire;

namespace {

// Every event the link reports, one short line each.
struct Events : QStringList {
    void watch(unitlink::UnitLink &link)
    {
        using L = unitlink::UnitLink;
        QObject::connect(&link, &L::commandSent, [this](int n, int m, const QString &t) { add("sent %1/%2 %3", n, m, t); });
        QObject::connect(&link, &L::replyReceived, [this](const QString &t) { append("recv " + t); });
        QObject::connect(&link, &L::acknowledged, [this](int n, int m) { add("ack %1/%2", n, m); });
        QObject::connect(&link, &L::refused, [this](const unitlink::Refusal &r) {
            refusal = r;
            add("refused %1/%2", r.command, r.total);
        });
        QObject::connect(&link, &L::unreadableAnswer, [this] { append("unreadable"); });
        QObject::connect(&link, &L::wrongPassword, [this] { append("wrong password"); });
        QObject::connect(&link, &L::outputReported, [this](int o, bool on) { add("output %1 %2", o, on ? "on" : "off"); });
        QObject::connect(&link, &L::chainCompleted, [this](int m) { add("complete %1", m); });
        QObject::connect(&link, &L::chainStopped, [this](int n, int m) { add("stopped %1/%2", n, m); });
        QObject::connect(&link, &L::replyOverdue, [this](int n, int m, const QString &l) { add("overdue %1/%2 %3", n, m, l); });
        QObject::connect(&link, &L::portLost, [this](int e, const QString &, bool cut, int n, int m) {
            add("lost %1 %2 %3/%4", e, cut ? "cut" : "idle", n, m);
        });
        QObject::connect(&link, &L::notSent, [this] { append("not sent"); });
    }
    template <typename... Args>
    void add(const char *format, Args... args)
    {
        QString line = QString::fromLatin1(format);
        ((line = line.arg(args)), ...);
        append(line);
    }
    QStringList take() { return std::exchange(*this, {}); }
    unitlink::Refusal refusal;
};

struct Rig {
    fakes::FakeSerialPort port;
    fakes::FakeTimer outputLock, reply;
    QString pass = "1234";
    unitlink::UnitLink link{port};
    unitlink::OutputTester tester{link, outputLock, [this] { return pass; }};
    Events events;
    Rig()
    {
        port.open("/dev/unit", {});
        link.setReplyTimer(&reply);
        link.setChainPassword("1234");
        events.watch(link);
    }
    QList<unitlink::ChainCommand> chain;
    void queue(int n, const QString &word = wire::kName)
    {
        chain.clear();
        for (int i = 0; i < n; ++i)
            chain.append({"Step", QString::number(i), word});
    }
    bool start() { return link.startChain(chain); }
};

} // namespace

class TstUnitLink : public QObject {
    Q_OBJECT
private slots:
    void chainSendsEachCommandAfterItsAcknowledgement()
    {
        Rig r;
        r.chain = {{"System password", "1234", wire::kPassword},
                   {"Clear Tel list", "", wire::kClearNumbers},
                   {"Send Telno", "2782,13", wire::kAddNumber}};
        QVERIFY(r.start());
        QCOMPARE(r.events.take(), QStringList{"sent 1/3 *1234 SYS PASS 1234*"});

        // A code split across two events counts once, with the echo and both pieces.
        r.port.feed("*1234 SYS PASS 1234*\r\nOK (1");
        QTest::qWait(1);
        QCOMPARE(r.port.writes.size(), 1);
        r.link.setChainPassword("99"); // the next command is opened by the password of then
        r.port.feed("2)\r\n");
        QTRY_COMPARE(r.port.writes, (QList<QByteArray>{"*1234 SYS PASS 1234*", "*99 TEL CLRN*"}));
        QCOMPARE(r.events.take(), (QStringList{"recv *1234 SYS PASS 1234*\r\nOK (12)\r\n", "ack 1/3", "sent 2/3 *99 TEL CLRN*"}));

        // An output test pressed mid-chain: its answer neither advances nor ends the chain.
        r.tester.press(4, true);
        r.port.feedNow("(20)");
        QCOMPARE(r.link.chainState(), State::Running);
        QCOMPARE(r.events.take(), (QStringList{"recv (20)", "output 4 on"}));
        r.port.writes.removeLast();

        r.port.feedNow("(22)(12)"); // two replies in one event are one reply
        QCOMPARE(r.port.writes.size(), 3);
        r.port.feedNow("(24)");
        QCOMPARE(r.events.mid(r.events.size() - 3), (QStringList{"recv (24)", "ack 3/3", "complete 3"}));
        QVERIFY(!r.reply.isActive());

        // An accepted reply after the end (an output test, say) reports no second upload.
        r.events.clear();
        r.port.feedNow("(38)(14)");
        QCOMPARE(r.events.take(), (QStringList{"recv (38)(14)", "output 1 on"}));
        QCOMPARE(r.port.writes.size(), 3);
    }

    void chainStopsWhereItCannotGoOn()
    {
        Rig r;
        r.queue(2);
        r.start();
        r.port.feedNow("ERR (39)");
        r.port.feedNow("(39)"); // told once per exchange
        QCOMPARE(r.events.mid(1), (QStringList{"recv ERR (39)", "wrong password", "refused 1/2", "recv (39)"}));
        QVERIFY(r.events.refusal.wrongPassword && !r.events.refusal.passwordCommand);
        QCOMPARE(r.link.chainState(), State::Unacknowledged);
        r.port.feedNow("(12)");
        QCOMPARE(r.port.writes.size(), 1);

        r.start();
        r.events.clear();
        r.port.unplug(5, "No such file or directory");
        QCOMPARE(r.link.chainState(), State::Aborted);
        QCOMPARE(r.events.take(), QStringList{"lost 5 cut 0/2"});
        r.port.feedNow("(12)"); // text still buffered does not revive the chain
        QCOMPARE(r.port.writes.size(), 2);
        QVERIFY(!r.link.resumeChain()); // not while the port is closed

        // Back on the line: the unacknowledged command goes again, with the password of now.
        r.port.open("/dev/unit", {});
        r.link.setChainPassword("77");
        QCOMPARE(r.link.resumeAt(), 1);
        QVERIFY(r.link.resumeChain());
        r.port.feedNow("(12)");
        r.port.feedNow("(12)");
        QCOMPARE(r.port.writes.mid(2), (QList<QByteArray>{"*77 SYS NAME 0*", "*77 SYS NAME 1*"}));
        QCOMPARE(r.link.chainState(), State::Completed);
        QVERIFY(!r.link.canResume());
    }

    void silenceNoiseAndStop()
    {
        Rig r;
        r.queue(3);
        r.start();
        QVERIFY(r.reply.isActive());
        r.reply.fire();
        r.reply.fire();
        QCOMPARE(r.events.count("overdue 1/3 Step"), 1);
        r.port.feedNow("(12)"); // a late answer still lets the chain go on
        QCOMPARE(r.port.writes.size(), 2);
        QVERIFY(r.reply.isActive());

        // Asked to stop: the answer in flight is taken, nothing more is sent.
        r.link.stopAfterCurrent();
        r.port.feedNow("(12)");
        QCOMPARE(r.events.last(), "stopped 2/3");
        QCOMPARE(r.port.writes.size(), 2);
        QVERIFY(!r.reply.isActive());

        // Parentheses holding no code are noise, not a refusal with code 0.
        r.start();
        r.events.clear();
        r.port.feedNow("\x01(#~)(OK)(1.5)");
        QCOMPARE(r.events.take(), (QStringList{"recv \x01(#~)(OK)(1.5)", "unreadable"}));
        QCOMPARE(r.link.chainState(), State::Unacknowledged);
    }

    void longChainEndsAtMaximumOnce()
    {
        Rig r;
        // One command over the most a chain carries: refused whole, nothing sent.
        r.queue(unitlink::kMaxChainCommands + 1);
        QVERIFY(!r.start());
        QVERIFY(r.port.writes.isEmpty());
        const int n = unitlink::kMaxChainCommands;
        r.queue(n);
        QVERIFY(r.start());
        QCOMPARE(r.link.commandCount(), n);
        for (int i = 0; i < n; ++i)
            r.port.feedNow("OK (12)\r\n");
        QCOMPARE(r.port.writes.size(), n);
        QCOMPARE(r.port.writes.last(), "*1234 SYS NAME 999*");
        QCOMPARE(r.events.size(), 3 * n + 1);
        QCOMPARE(r.events.count(QStringLiteral("complete %1").arg(n)), 1);
    }

    void outputTestWritesAndLocks()
    {
        Rig r;
        QSignalSpy enabled(&r.tester, &unitlink::OutputTester::buttonsEnabledChanged);
        r.tester.press(3, false);
        r.pass = "";
        r.tester.press(2, true);
        QCOMPARE(enabled.size(), 0);
        r.tester.press(1, true);
        QCOMPARE(r.port.writes, (QList<QByteArray>{"*1234 SET OUT3 NOW OFF*", "* SET OUT2 NOW ON*", "* SET OUT1 NOW ON*"}));
        QCOMPARE(enabled.size(), 1);
        QCOMPARE(enabled[0][0].toBool(), false);
        r.outputLock.fire();
        QCOMPARE(enabled.last()[0].toBool(), true);

        // The answer before any upload: reported, nothing else.
        r.port.feedNow("(14)(12)");
        QCOMPARE(r.events.take(), (QStringList{"recv (14)(12)", "output 1 on"}));
        QCOMPARE(r.port.writes.size(), 3);
    }

    void portNotOpenChangesNothing()
    {
        Rig r;
        r.port.close();
        r.link.setLineUser(unitlink::LineUser::Dump);
        r.tester.press(1, true);
        QCOMPARE(r.link.lineUser(), unitlink::LineUser::Dump);
        QVERIFY(!r.outputLock.isActive());
        r.queue(1);
        QVERIFY(!r.start());
        QCOMPARE(r.events.take(), (QStringList{"not sent", "not sent"}));
    }

    void whatTheLinkKeepsStaysBounded()
    {
        Rig r;
        using unitlink::LineUser;
        for (const LineUser user : {LineUser::Nobody, LineUser::Commands, LineUser::Dump}) {
            r.link.setLineUser(user);
            const qsizetype kept = user == LineUser::Dump ? unitlink::kRxDownloadKept : unitlink::kRxTailKept;
            for (int i = 0; i < int(3 * kept / 4096); ++i)
                r.port.feedNow(QByteArray(4096, 'x'));
            r.port.feedNow("END");
            QVERIFY(r.link.rxBuffer().size() <= 2 * kept);
            QVERIFY(r.link.rxBuffer().endsWith("xEND"));
            r.link.clearRxBuffer();
        }
        r.port.feedNow("SN,Home|(12)");
        r.port.feedNow("TN,+2782|");
        QCOMPARE(r.link.takeRxBuffer(), "SN,Home|(12)TN,+2782|");
        QVERIFY(r.link.rxBuffer().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstUnitLink)
#include "tst_unitlink.moc"
