#include "transfer/upload.h"

#include "app/globals.h"
#include "link/unitlink.h"
#include "platform/dialogs.h"
#include "settings/numbergrid.h"
#include "settings/settingseditors.h"

namespace transfer {

namespace {
// The queue keeps its last entry empty to mark the end of the chain.
constexpr int kMaxCommands = unitlink::kQueueEntries - 1;

QString onOff(bool on) { return on ? QStringLiteral("ON") : QStringLiteral("OFF"); }
} // namespace

QList<UploadCommand> upload_commands(const settings::SettingsEditors &editors, const QString &unitModel)
{
    QList<UploadCommand> out;
    auto queue = [&out](const char *label, const QString &value, const char *word) {
        out.append({QString::fromLatin1(label), value, QString::fromLatin1(word)});
    };
    queue("System password", editors.password(), "SYS PASS ");
    queue("System name", editors.systemName(), "SYS NAME ");
    if (editors.uploadSystem() && unitModel != Module1::kIntercom) {
        queue("Error reporting", onOff(editors.errorReporting()), "SYS EREP ");
        queue("Output confirmation", onOff(editors.outputConfirmation()), "SYS OCNF ");
        QString monitor;
        for (int i = 0; i < 4; ++i)
            if (editors.monitorInput(i))
                monitor += QString::number(i + 1);
        queue("Monitor inputs", monitor, "SYS MONI ");
        queue("Input1", editors.inputName(0), "SYS INP1 ");
        queue("Input2", editors.inputName(1), "SYS INP2 ");
        queue("Input3", editors.inputName(2), "SYS INP3 ");
        queue("Input4", editors.inputName(3), "SYS INP4 ");
    }
    queue("Master Number", editors.masterNumber(), "TEL MAST ");
    queue("Clear Tel list", QString(), "TEL CLRN");
    const settings::NumberGrid &grid = editors.numbers();
    for (int r = 1; r < grid.rows(); ++r) {
        QString entry = settings::strip_plus(grid.textMatrix(r, 1)) + QLatin1Char(',');
        if (unitModel == Module1::kIntercom) {
            entry += grid.textMatrix(r, 0);
        } else {
            for (int c = 2; c <= 5; ++c)
                if (!grid.textMatrix(r, c).isEmpty())
                    entry += QString::number(c - 1);
        }
        queue("Send Telno", entry, "TEL ADDN ");
    }
    return out;
}

void cmdUpload_Click(const settings::SettingsEditors &editors, const QString &unitModel, unitlink::UnitLink &link,
                     platform::Dialogs &dialogs, const std::function<void()> &clearLog)
{
    const QList<UploadCommand> commands = upload_commands(editors, unitModel);
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
