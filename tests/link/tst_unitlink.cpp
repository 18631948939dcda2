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
    fakes::FakeTimer tmrOut, reply;
    QString pass = "1234";
    unitlink::UnitLink link{port};
    unitlink::OutputTester tester{link, tmrOut, [this] { return pass; }};
    Events events;
    Rig()
    {
        port.open("/dev/unit", {});
        link.setReplyTimer(&reply);
        link.set_chain_password("1234");
        events.watch(link);
    }
    void queue(int n, const QString &word = wire::kName)
    {
        link.set_link_mode(unitlink::kModeUpload);
        link.clear_queue();
        for (int i = 0; i < n; ++i)
            link.queue_cmd("Step", QString::number(i), word);
    }
};

} // namespace

class TstUnitLink : public QObject {
    Q_OBJECT
private slots:
    void chainSendsEachCommandAfterItsAcknowledgement()
    {
        Rig r;
        r.queue(0);
        r.link.queue_cmd("System password", "1234", wire::kPassword);
        r.link.queue_cmd("Clear Tel list", "", wire::kClearNumbers);
        r.link.queue_cmd("Send Telno", "2782,13", wire::kAddNumber);
        QVERIFY(r.link.start_upload());
        QCOMPARE(r.events.take(), QStringList{"sent 1/3 *1234 SYS PASS 1234*"});

        // A code split across two events counts once, with the echo and both pieces.
        r.port.feed("*1234 SYS PASS 1234*\r\nOK (1");
        QTest::qWait(1);
        QCOMPARE(r.port.writes.size(), 1);
        r.link.set_chain_password("99"); // the next command is opened by the password of then
        r.port.feed("2)\r\n");
        QTRY_COMPARE(r.port.writes, (QList<QByteArray>{"*1234 SYS PASS 1234*", "*99 TEL CLRN*"}));
        QCOMPARE(r.events.take(), (QStringList{"recv *1234 SYS PASS 1234*\r\nOK (12)\r\n", "ack 1/3", "sent 2/3 *99 TEL CLRN*"}));

        // An output test pressed mid-chain: its answer neither advances nor ends the chain.
        r.tester.press(4, true);
        r.port.feedNow("(20)");
        QCOMPARE(r.link.chain_state(), State::Running);
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
        r.link.start_upload();
        r.port.feedNow("ERR (39)");
        r.port.feedNow("(39)"); // told once per exchange
        QCOMPARE(r.events.mid(1), (QStringList{"recv ERR (39)", "wrong password", "refused 1/2", "recv (39)"}));
        QVERIFY(r.events.refusal.wrongPassword && !r.events.refusal.passwordCommand);
        QCOMPARE(r.link.chain_state(), State::Unacknowledged);
        r.port.feedNow("(12)");
        QCOMPARE(r.port.writes.size(), 1);

        r.link.start_upload();
        r.events.clear();
        r.port.unplug(5, "No such file or directory");
        QCOMPARE(r.link.chain_state(), State::Aborted);
        QCOMPARE(r.events.take(), QStringList{"lost 5 cut 0/2"});
        r.port.feedNow("(12)"); // text still buffered does not revive the chain
        QCOMPARE(r.port.writes.size(), 2);
        QVERIFY(!r.link.resume_upload()); // not while the port is closed

        // Back on the line: the unacknowledged command goes again, with the password of now.
        r.port.open("/dev/unit", {});
        r.link.set_chain_password("77");
        QCOMPARE(r.link.resume_at(), 1);
        QVERIFY(r.link.resume_upload());
        r.port.feedNow("(12)");
        r.port.feedNow("(12)");
        QCOMPARE(r.port.writes.mid(2), (QList<QByteArray>{"*77 SYS NAME 0*", "*77 SYS NAME 1*"}));
        QCOMPARE(r.link.chain_state(), State::Completed);
        QVERIFY(!r.link.can_resume());
    }

    void silenceNoiseAndStop()
    {
        Rig r;
        r.queue(3);
        r.link.start_upload();
        QVERIFY(r.reply.isActive());
        r.reply.fire();
        r.reply.fire();
        QCOMPARE(r.events.count("overdue 1/3 Step"), 1);
        r.port.feedNow("(12)"); // a late answer still lets the chain go on
        QCOMPARE(r.port.writes.size(), 2);
        QVERIFY(r.reply.isActive());

        // Asked to stop: the answer in flight is taken, nothing more is sent.
        r.link.stop_after_current();
        r.port.feedNow("(12)");
        QCOMPARE(r.events.last(), "stopped 2/3");
        QCOMPARE(r.port.writes.size(), 2);
        QVERIFY(!r.reply.isActive());

        // Parentheses holding no code are noise, not a refusal with code 0.
        r.link.start_upload();
        r.events.clear();
        r.port.feedNow("\x01(#~)(OK)(1.5)");
        QCOMPARE(r.events.take(), (QStringList{"recv \x01(#~)(OK)(1.5)", "unreadable"}));
        QCOMPARE(r.link.chain_state(), State::Unacknowledged);
    }

    void longChainEndsAtMaximumOnce()
    {
        Rig r;
        r.queue(unitlink::kQueueEntries + 5);
        const int n = r.link.cmd_count();
        QCOMPARE(n, unitlink::kQueueEntries - 1); // the last entry stays the chain's end
        QVERIFY(r.link.start_upload());
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
        r.tmrOut.fire();
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
        r.link.set_link_mode(unitlink::kModeDownload);
        r.tester.press(1, true);
        QCOMPARE(r.link.link_mode(), unitlink::kModeDownload);
        QVERIFY(!r.tmrOut.isActive());
        r.queue(1);
        QVERIFY(!r.link.start_upload());
        QCOMPARE(r.events.take(), (QStringList{"not sent", "not sent"}));
    }

    void whatTheLinkKeepsStaysBounded()
    {
        Rig r;
        for (const QString &mode : {QString(), unitlink::kModeUpload, unitlink::kModeDownload}) {
            r.link.set_link_mode(mode);
            const qsizetype kept = mode == unitlink::kModeDownload ? unitlink::kRxDownloadKept : unitlink::kRxTailKept;
            for (int i = 0; i < int(3 * kept / 4096); ++i)
                r.port.feedNow(QByteArray(4096, 'x'));
            r.port.feedNow("END");
            QVERIFY(r.link.rx_buffer().size() <= 2 * kept);
            QVERIFY(r.link.rx_buffer().endsWith("xEND"));
            r.link.clear_rx_buffer();
        }
        r.port.feedNow("SN,Home|(12)");
        r.port.feedNow("TN,+2782|");
        QCOMPARE(r.link.take_rx_buffer(), "SN,Home|(12)TN,+2782|");
        QVERIFY(r.link.rx_buffer().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstUnitLink)
#include "tst_unitlink.moc"
