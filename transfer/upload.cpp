#include "transfer/upload.h"

#include "link/unitlink.h"
#include "platform/dialogs.h"
#include "settings/numbergrid.h"
#include "settings/settingseditors.h"
#include "settings/unitmodel.h"

namespace transfer {

namespace {
// The queue keeps its last entry empty to mark the end of the chain.
constexpr int kMaxCommands = unitlink::kQueueEntries - 1;

QString onOff(bool on) { return on ? QStringLiteral("ON") : QStringLiteral("OFF"); }
} // namespace

QList<UploadCommand> upload_commands(const settings::SettingsSet &set, const QString &unitModel)
{
    QList<UploadCommand> out;
    auto queue = [&out](const char *label, const QString &value, const char *word) {
        out.append({QString::fromLatin1(label), value, QString::fromLatin1(word)});
    };
    queue("System password", set.password, "SYS PASS ");
    queue("System name", set.systemName, "SYS NAME ");
    if (set.uploadSystem && unitModel != settings::kIntercom) {
        queue("Error reporting", onOff(set.errorReporting), "SYS EREP ");
        queue("Output confirmation", onOff(set.outputConfirmation), "SYS OCNF ");
        QString monitor;
        for (int i = 0; i < 4; ++i)
            if (set.monitorInputs[i])
                monitor += QString::number(i + 1);
        queue("Monitor inputs", monitor, "SYS MONI ");
        queue("Input1", set.inputNames[0], "SYS INP1 ");
        queue("Input2", set.inputNames[1], "SYS INP2 ");
        queue("Input3", set.inputNames[2], "SYS INP3 ");
        queue("Input4", set.inputNames[3], "SYS INP4 ");
    }
    if (!set.uploadTelephone)
        return out; // the unit keeps its master number and list
    queue("Master Number", set.masterNumber, "TEL MAST ");
    queue("Clear Tel list", QString(), "TEL CLRN");
    for (const settings::NumberRow &row : set.numbers) {
        QString entry = settings::strip_plus(row.number) + QLatin1Char(',');
        if (unitModel == settings::kIntercom) {
            entry += row.unit;
        } else {
            for (int k = 0; k < 4; ++k)
                if (row.outputs[k])
                    entry += QString::number(k + 1);
        }
        queue("Send Telno", entry, "TEL ADDN ");
    }
    return out;
}

void cmdUpload_Click(const settings::SettingsEditors &editors, const QString &unitModel, unitlink::UnitLink &link,
                     platform::Dialogs &dialogs, const std::function<void()> &clearLog)
{
    const QList<UploadCommand> commands = upload_commands(editors.store(), unitModel);
    // The unit's list is cleared before the numbers go out, so an upload cut short by a
    // full queue would leave the unit with part of its list: refuse it whole instead.
    if (commands.size() > kMaxCommands) {
        dialogs.message(QStringLiteral("The upload needs %1 commands but at most %2 can be sent in one upload. "
                                       "Remove %3 numbers from the telephone list. Nothing was sent.")
                            .arg(commands.size())
                            .arg(kMaxCommands)
                            .arg(commands.size() - kMaxCommands),
                        platform::Dialogs::Icon::Stop);
        return;
    }
    if (!dialogs.askYesNo(QStringLiteral("This will replace the settings on the GSM unit, proceed?")))
        return;
    link.set_link_mode(QStringLiteral("upload"));
    clearLog();
    link.clear_queue();
    for (const UploadCommand &c : commands)
        link.queue_cmd(c.label, c.value, c.word);
    link.start_upload();
}

} // namespace transfer
