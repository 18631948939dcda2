// What an upload sent, compared with what the simulated unit's dump says it holds.
#include "settings/unitmodel.h"
#include "transfer/upload.h"
#include "transfer/verify.h"
#include "unitsim/unitprotocol.h"

#include <QtTest>

namespace {
const QString kOptions = "\nNot verifiable, because the unit's dump does not carry them: Error reporting, Output "
                         "confirmation, Monitor inputs";
} // namespace

class TstVerify : public QObject {
    Q_OBJECT
private slots:
    void uploadThenDump_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<int>("numbers");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("text");
        QTest::newRow("gate, clean") << settings::kGate << 3 << ""
                                     << "Verified: all 13 settings match." + kOptions + ".";
        QTest::newRow("intercom, clean") << settings::kIntercom << 3 << ""
                                         << "Verified: all 9 settings match.";
        QTest::newRow("marks left out") << settings::kGate << 3 << "no marks"
                                        << "Verified: all 10 settings match." + kOptions + ", Output rights of the numbers.";
        QTest::newRow("a number dropped, the name changed")
            << settings::kGate << 3 << "drop 2, name"
            << "Verification failed: the unit holds 2 settings other than what was sent (10 match):\n"
               "System name: sent \"Gate (North)\", the unit holds \"Gate South\"\n"
               "Number 2: \"+27825550002\" was sent but is not in the unit's list\n"
               "Upload the settings again, or read them from the unit to see what it holds."
                   + kOptions + ".";
        QTest::newRow("only the first 20 told") << settings::kIntercom << 25 << "units"
                                                << "... and 5 more.\nUpload the settings again, or read them from "
                                                   "the unit to see what it holds.";
        QTest::newRow("a number the upload did not send") << settings::kIntercom << 1 << "extra"
                                                          << "Number in the unit: \"+2799\" is in the unit's list but "
                                                             "was not sent\n";
    }
    void uploadThenDump()
    {
        QFETCH(QString, model);
        QFETCH(int, numbers);
        QFETCH(QString, fault);
        QFETCH(QString, text);
        const bool gate = model == settings::kGate;
        settings::SettingsSet sent;
        sent.systemName = "Gate (North)";
        sent.masterNumber = "+27821111111";
        sent.inputNames[2] = "Door, back";
        sent.uploadSystem = true;
        for (int i = 1; i <= numbers; ++i)
            sent.numbers.append({QString::number(i), QStringLiteral("+278255500%1").arg(i, 2, 10, QLatin1Char('0')), {i % 2 == 1, false, i == 2, true}});

        unitsim::UnitProtocol unit;
        unit.setModel(gate ? unitsim::Model::Gate : unitsim::Model::Intercom);
        const QList<transfer::UploadCommand> commands = transfer::upload_commands(sent, model);
        for (const auto &c : commands) {
            const auto replies = unit.feed(("*5831 " + c.word + c.value + "*").toLatin1());
            QVERIFY(replies.size() == 1 && !replies.first().reply.contains("ERROR"));
        }
        if (fault.contains("drop"))
            unit.dumpFaults().dropNumber = 1;
        if (fault.contains("name"))
            unit.dumpFaults().systemName = "Gate South";
        unit.dumpFaults().withoutMarks = fault == "no marks";
        if (fault == "units")
            for (auto &n : unit.state().numbers)
                n.value += '0';
        if (fault == "extra")
            unit.state().numbers.append(unitsim::NumberEntry{"2799", "4"});

        QString dump = QString::fromLatin1(unit.dump());
        dump.remove('\r');
        dump.remove('\n');
        const auto result = transfer::verify_upload(sent, model, transfer::uploaded_parts(commands),
                                                    transfer::read_unit_dump(dump));
        const QString got = transfer::verification_text(result);
        if (fault == "units" || fault == "extra")
            QVERIFY2(got.contains(text), qPrintable(got));
        else
            QCOMPARE(got, text);
    }
};

QTEST_MAIN(TstVerify)
#include "tst_verify.moc"
