#include "link/outputtester.h"
#include "link/unitlink.h"
#include "tests/support/fakehost.h"
#include "tests/support/fakes.h"

#include <QSignalSpy>
#include <QTest>

using State = unitlink::UnitLink::ChainState;

namespace {

// Every message box shown, as "text|title|icon" (icon: 0 none, 1 information, 2 stop).
QStringList shown(const fakes::FakeDialogs &d)
{
    QStringList out;
    for (const auto &m : d.messages)
        out << m.text + "|" + m.title + "|" + QString::number(int(m.icon));
    return out;
}

struct Rig {
    fakes::FakeSerialPort port;
    fakes::FakeTimer tmrCheckGSM, tmrOut;
    fakes::FakeDialogs dialogs;
    fakes::FakeHost host;
    unitlink::UnitLink link{port, tmrCheckGSM, dialogs, host};
    unitlink::OutputTester tester{link, tmrOut};
    Rig() { port.open("/dev/unit", {}); }
    void queue(int n, const QString &word = "SYS NAME ")
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
        r.link.queue_cmd("System password", "1234", "SYS PASS ");
        r.link.queue_cmd("Clear Tel list", "", "TEL CLRN");
        r.link.queue_cmd("Send Telno", "2782,13", "TEL ADDN ");
        QVERIFY(r.link.start_upload());
        QCOMPARE(r.host.log, "\r\nSEND: *1234 SYS PASS 1234 *");
        QCOMPARE(r.host.maximum, 3);

        // A code split across two events counts once, with the echo and both pieces.
        r.port.feed("*1234 SYS PASS 1234*\r\nOK (1");
        QTest::qWait(1);
        QCOMPARE(r.port.writes.size(), 1);
        r.host.pass = "99"; // read afresh at each send
        r.port.feed("2)\r\n");
        QTRY_COMPARE(r.port.writes, (QList<QByteArray>{"*1234 SYS PASS 1234*", "*99 TEL CLRN*"}));
        QVERIFY(r.host.log.endsWith("\r\nRECV: *1234 SYS PASS 1234*\r\nOK (12)\r\n\r\nSEND: *99 TEL CLRN*"));
        QCOMPARE(r.host.value, 1);

        // An output test pressed mid-chain: its answer neither advances nor ends the chain.
        r.tester.press(4, true);
        r.port.feedNow("(20)");
        QCOMPARE(r.link.chain_state(), State::Running);
        r.port.writes.removeLast();

        r.port.feedNow("(22)(12)"); // two replies in one event are one reply
        QCOMPARE(r.port.writes.size(), 3);
        r.port.feedNow("(24)");
        QCOMPARE(r.host.value, 3);
        QVERIFY(r.host.log.endsWith("\r\nRECV: (24)"));
        QCOMPARE(shown(r.dialogs), QStringList{"Upload complete|Upload complete|1"});

        // An accepted reply after the end (an output test, say) reports no second upload.
        r.port.feedNow("(38)(14)");
        QCOMPARE(r.dialogs.messages.size(), 1);
        QCOMPARE(r.host.value + r.port.writes.size(), 6);
    }

    void chainStopsWhereItCannotGoOn()
    {
        Rig r;
        r.queue(2);
        r.link.start_upload();
        r.port.feedNow("ERR (39)");
        QCOMPARE(shown(r.dialogs), QStringList{"Incorrect GSM unit password|NorvikConf|2"});
        QCOMPARE(r.link.chain_state(), State::Unacknowledged);
        r.port.feedNow("(12)");
        QCOMPARE(r.port.writes.size() + r.host.value, 1);

        r.link.start_upload();
        r.port.unplug(5, "No such file or directory"); // QSerialPort::ReadError, as an unplug reports it
        QCOMPARE(r.link.chain_state(), State::Aborted);
        QVERIFY(r.host.log.endsWith("\r\nPort closed: 5:No such file or directory"));
        QCOMPARE(r.dialogs.messages.size(), 2);
        QVERIFY(r.dialogs.messages.last().text.startsWith("The serial port closed: the device could no longer be read "
                                                          "(the system said \"No such file or directory\"). The cable"));
        r.port.feedNow("(12)"); // text still buffered does not revive the chain
        QCOMPARE(r.port.writes.size() + r.dialogs.messages.size(), 4);
        QVERIFY(!r.link.resume_upload()); // not while the port is closed

        // Back on the line: the unacknowledged command goes again, with the password of now.
        r.port.open("/dev/unit", {});
        r.host.pass = "77";
        QCOMPARE(r.link.resume_at(), 1);
        QVERIFY(r.link.resume_upload());
        r.port.feedNow("(12)");
        r.port.unplug();
        QCOMPARE(r.link.resume_at(), 2);
        r.port.open("/dev/unit", {});
        QVERIFY(r.link.resume_upload());
        r.port.feedNow("(12)");
        QCOMPARE(r.port.writes.mid(2), (QList<QByteArray>{"*77 SYS NAME 0*", "*77 SYS NAME 1*", "*77 SYS NAME 1*"}));
        QCOMPARE(r.link.chain_state(), State::Completed);
        QVERIFY(!r.link.can_resume());
        QCOMPARE(r.host.value, 2);
    }

    void refusalNamesTheCommand_data()
    {
        QTest::addColumn<int>("refused"); // the command answered without acknowledgement
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("text");
        const QString again = " Correct the settings and upload again to send the whole list.";
        QTest::newRow("before the list is cleared")
            << 2 << QByteArray("ERROR (11)\r\n")
            << "The unit refused \"System name\" (code 11). The upload stopped at command 2 of 7.";
        QTest::newRow("the clearing itself") << 4 << QByteArray("ERROR (11)(25)")
                                             << "The unit refused \"Clear Tel list\" (codes 11, 25). The upload "
                                                "stopped at command 4 of 7.";
        QTest::newRow("first number, no code")
            << 5 << QByteArray("NO)")
            << "The unit refused \"Send Telno\" (its answer carried no status code). The upload stopped at command 5 "
               "of 7. The unit's number list was cleared by this upload and is now empty."
                   + again;
        QTest::newRow("a later number") << 6 << QByteArray("ERROR (25)")
                                        << "The unit refused \"Send Telno\" (code 25). The upload stopped at command "
                                           "6 of 7. The unit's number list was cleared by this upload and now holds "
                                           "only the 1 number sent before this one."
                                               + again;
    }
    void refusalNamesTheCommand()
    {
        QFETCH(int, refused);
        QFETCH(QByteArray, reply);
        QFETCH(QString, text);
        Rig r;
        r.queue(0);
        r.link.queue_cmd("System password", "1234", "SYS PASS ");
        r.link.queue_cmd("System name", "Gate", "SYS NAME ");
        r.link.queue_cmd("Master Number", "", "TEL MAST ");
        r.link.queue_cmd("Clear Tel list", "", "TEL CLRN");
        for (int i = 0; i < 3; ++i)
            r.link.queue_cmd("Send Telno", "2782,1", "TEL ADDN ");
        r.link.start_upload();
        const QList<QByteArray> acks{"(38)", "(12)", "(22)", "(23)", "(24)", "(24)"};
        for (int i = 0; i < refused - 1; ++i)
            r.port.feedNow(acks[i]);
        r.port.feedNow(reply);
        QCOMPARE(r.dialogs.messageTexts(), QStringList{text});
        QCOMPARE(r.link.last_refusal().command, refused);
        QCOMPARE(r.link.chain_state(), State::Unacknowledged);
    }

    void wrongPasswordToldOnceThenTheCurrentOneOffered()
    {
        for (const QString current : {"", "5831"}) {
            Rig r;
            r.dialogs.passwordAnswer = current;
            r.queue(0);
            r.link.queue_cmd("System password", "1234", "SYS PASS ");
            r.link.queue_cmd("System name", "Gate", "SYS NAME ");
            r.link.start_upload();
            r.port.feedNow("PASSWORD ERROR (39)(39)(39)");
            for (int i = 0; i < 30 && current.isEmpty(); ++i)
                r.port.feedNow("(39)");
            QCOMPARE(r.dialogs.messageTexts(), QStringList{"Incorrect GSM unit password"});
            QCOMPARE(r.dialogs.passwordQuestions.size(), 1);
            if (current.isEmpty()) { // Cancel: the chain stands where it stopped
                QCOMPARE(r.link.chain_state(), State::Unacknowledged);
                QCOMPARE(r.port.writes.size(), 1);
                continue;
            }
            // The password command alone is opened with the unit's current password.
            r.port.feedNow("(38)");
            r.port.feedNow("(12)");
            QCOMPARE(r.port.writes,
                     (QList<QByteArray>{"*1234 SYS PASS 1234*", "*5831 SYS PASS 1234*", "*1234 SYS NAME Gate*"}));
            QVERIFY(r.host.log.contains("\r\nSEND: *5831 SYS PASS 1234*\r\nRECV: (38)"));
            QCOMPARE(r.dialogs.messageTexts().last(), "Upload complete");
        }
    }

    void silentUnitIsReportedOncePerCommand()
    {
        Rig r;
        fakes::FakeTimer reply;
        r.link.setReplyTimer(&reply);
        r.queue(2);
        r.link.start_upload();
        QVERIFY(reply.isActive());
        reply.fire();
        reply.fire();
        QCOMPARE(r.dialogs.messages.size(), 1);
        QVERIFY(r.dialogs.messages[0].text.contains("\"Step\" (command 1 of 2)"));
        r.port.feedNow("(12)"); // a late answer still lets the chain go on
        QCOMPARE(r.port.writes.size(), 2);
        QVERIFY(reply.isActive());
        r.port.feedNow("(12)");
        QVERIFY(!reply.isActive());
        QCOMPARE(r.dialogs.messageTexts().last(), "Upload complete");
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
        QCOMPARE(r.host.value, r.host.maximum);
        QCOMPARE(r.host.appends, 2 * n);
        QCOMPARE(r.dialogs.messageTexts(), QStringList{"Upload complete"});
    }

    void processReplyActsOnCodes_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("flags");
        QTest::addColumn<QString>("colours");
        QTest::addColumn<int>("messages");
        // clang-format off
        QTest::newRow("ack1, green 1") << "(12)(14)" << "1" << "1g" << 0;
        QTest::newRow("zero stops") << "(0)(12)" << "" << "" << 0;
        QTest::newRow("negative stops") << "(13)(-1)(12)" << "" << "1r" << 0;
        QTest::newRow("colours in order") << "(13)(15)(17)(19)(16)(18)(20)(14)" << "" << "1r2r3r4r2g3g4g1g" << 0;
        QTest::newRow("other acks") << "(23)(38)(24)" << "234" << "" << 0;
        QTest::newRow("39 and ack") << "(39)(22)" << "2" << "" << 1;
        QTest::newRow("overflow goes on") << "(40000)(12)" << "1" << "" << 0;
        // clang-format on
    }
    void processReplyActsOnCodes()
    {
        QFETCH(QString, reply);
        Rig r;
        r.link.process_reply("(12)(22)(38)(24)"); // flags describe the latest reply only
        r.link.process_reply(reply);
        const QString flags = QString(r.link.ack_flag1() ? "1" : "") + (r.link.ack_flag2() ? "2" : "")
                              + (r.link.ack_flag3() ? "3" : "") + (r.link.ack_flag4() ? "4" : "");
        QTEST(flags, "flags");
        QTEST(r.host.colours, "colours");
        QTEST(int(r.dialogs.messages.size()), "messages");
    }

    void outputTestWritesAndLocks()
    {
        Rig r;
        QSignalSpy enabled(&r.tester, &unitlink::OutputTester::buttonsEnabledChanged);
        r.tester.press(3, false);
        r.host.pass = "";
        r.tester.press(2, true);
        QCOMPARE(enabled.size(), 0);
        r.tester.press(1, true);
        QCOMPARE(r.port.writes,
                 (QList<QByteArray>{"*1234 SET OUT3 NOW OFF*", "* SET OUT2 NOW ON*", "* SET OUT1 NOW ON*"}));
        QCOMPARE(enabled.size(), 1);
        QCOMPARE(enabled[0][0].toBool(), false);
        QCOMPARE(r.tmrOut.interval(), 1500);
        r.tmrOut.fire();
        QCOMPARE(enabled.last()[0].toBool(), true);

        // The answer before any upload: coloured and logged, nothing else.
        r.port.feedNow("(14)(12)");
        QCOMPARE(r.host.colours, "1g");
        QCOMPARE(r.host.log, "\r\nRECV: (14)(12)");
        QCOMPARE(r.dialogs.messages.size() + r.host.value + r.port.writes.size(), 3);
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
        QCOMPARE(r.dialogs.messages.size(), 2);
        QVERIFY(r.dialogs.messages[1].text.contains("not open"));
        QVERIFY(r.host.log.isEmpty());
        QCOMPARE(r.host.maximum, 100);
        QCOMPARE(r.link.chain_state(), State::Idle);
    }

    void unreadTextStaysBoundedAndDownloadCollects()
    {
        Rig r;
        for (int i = 0; i < 100; ++i)
            r.port.feedNow(QByteArray(4096, 'x'));
        r.port.feedNow("END");
        QVERIFY(r.link.rx_buffer().size() <= 2 * unitlink::kRxTailKept);
        QVERIFY(r.link.rx_buffer().endsWith("xEND"));

        r.link.clear_rx_buffer();
        r.link.set_link_mode(unitlink::kModeDownload);
        r.port.feedNow("SN,Home|(12)");
        r.port.feedNow("TN,+2782|");
        QCOMPARE(r.tmrCheckGSM.starts, 2);
        QCOMPARE(r.tmrCheckGSM.interval(), 1000);
        QVERIFY(r.host.log.isEmpty());
        QCOMPARE(r.link.take_rx_buffer(), "SN,Home|(12)TN,+2782|");
        QVERIFY(r.link.rx_buffer().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstUnitLink)
#include "tst_unitlink.moc"
