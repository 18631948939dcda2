// What an upload sent, compared with what the simulated unit's dump says it holds.
#include "messages/messages.h"
#include "settings/unitmodel.h"
#include "transfer/upload.h"
#include "transfer/verify.h"
#include "unitsim/unitprotocol.h"

#include <QtTest>

namespace {
const QString kOptions = "Error reporting, Output confirmation, Monitor inputs";
const char *const kKinds[] = {"Value", "Missing", "Extra"};
} // namespace

class TstVerify : public QObject {
    Q_OBJECT
private slots:
    void uploadThenDump_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<int>("numbers");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("matches");
        QTest::addColumn<QString>("compared");    // password, name, inputs, master number, numbers
        QTest::addColumn<QString>("differences"); // "field:kind", ";"-joined
        QTest::addColumn<QString>("notVerifiable");
        QTest::newRow("gate, clean") << settings::kGate << 3 << "" << 13 << "1 1 4 1 3"
                                     << "" << kOptions;
        QTest::newRow("intercom, clean") << settings::kIntercom << 3 << "" << 9 << "1 1 0 1 3"
                                         << ""
                                         << "";
        QTest::newRow("marks left out") << settings::kGate << 3 << "no marks" << 10 << "1 1 4 1 3"
                                        << ""
                                        << kOptions + ", Output rights of the numbers";
        QTest::newRow("a number dropped, the name changed") << settings::kGate << 3 << "drop 2, name" << 10 << "1 1 4 1 2"
                                                            << "System name:Value;Number 2:Missing" << kOptions;
        QStringList units;
        for (int i = 1; i <= 25; ++i)
            units << QString("Number %1 unit number:Value").arg(i);
        QTest::newRow("every unit number other") << settings::kIntercom << 25 << "units" << 28 << "1 1 0 1 25"
                                                 << units.join(';') << "";
        QTest::newRow("a number the upload did not send") << settings::kIntercom << 1 << "extra" << 5 << "1 1 0 1 1"
                                                          << "Number in the unit:Extra"
                                                          << "";
    }
    void uploadThenDump()
    {
        QFETCH(QString, model);
        QFETCH(int, numbers);
        QFETCH(QString, fault);
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
        QTEST(result.matches, "matches");
        const transfer::Compared &c = result.compared;
        QTEST(QString("%1 %2 %3 %4 %5").arg(c.password).arg(c.name).arg(c.inputs).arg(c.master).arg(c.numbers), "compared");
        QStringList differences;
        for (const transfer::Difference &d : result.differences)
            differences << d.field + ':' + kKinds[int(d.kind)];
        QTEST(differences.join(';'), "differences");
        QTEST(result.notVerifiable.join(", "), "notVerifiable");

        // The operator reads the first differences and how many more there are.
        const QString told = messages::Texts::verification(result);
        const qsizetype shown = std::min<qsizetype>(result.differences.size(), transfer::kDifferencesShown);
        QCOMPARE(told.count('\n'), result.ok() ? !result.notVerifiable.isEmpty()
                                               : 1 + shown + (result.differences.size() > shown) + !result.notVerifiable.isEmpty());
    }
};

QTEST_MAIN(TstVerify)
#include "tst_verify.moc"
