#include "transfer/upload.h"

#include "link/unitlink.h"
#include "platform/dialogs.h"
#include "settings/settingseditors.h"

namespace transfer {

std::optional<SentUpload> cmdUpload_Click(const settings::SettingsEditors &editors, const QString &unitModel,
                                          unitlink::UnitLink &link, platform::Dialogs &dialogs,
                                          const std::function<void()> &clearLog)
{
    // Nothing changes, not even the log, when nothing can be sent.
    if (!link.check_port())
        return std::nullopt;
    const auto refused = [&](const settings::SettingsSet &set) {
        const QString why = unsendable_value(set, unitModel);
        if (!why.isEmpty())
            dialogs.message(why, platform::Dialogs::Icon::Stop);
        return !why.isEmpty();
    };
    // The unit's list is cleared before the numbers go out, so an upload cut short by a
    // full queue would leave the unit with part of its list: refuse it whole instead.
    const auto tooMany = [&dialogs](const QList<UploadCommand> &commands) {
        if (commands.size() <= kMaxUploadCommands)
            return false;
        dialogs.message(QStringLiteral("The upload needs %1 commands but at most %2 can be sent in one upload. "
                                       "Remove %3 numbers from the telephone list. Nothing was sent.")
                            .arg(commands.size())
                            .arg(kMaxUploadCommands)
                            .arg(commands.size() - kMaxUploadCommands),
                        platform::Dialogs::Icon::Stop);
        return true;
    };
    const settings::SettingsSet shown = editors.store();
    if (refused(shown) || tooMany(upload_commands(shown, unitModel)))
        return std::nullopt;
    if (!dialogs.confirm(QStringLiteral("This will replace the settings on the GSM unit, proceed?"),
                         upload_summary(shown, unitModel)))
        return std::nullopt;
    // Taken again now: the editors may have changed while the question was up (a download
    // ending), and what is sent must be what they hold.
    SentUpload sent{editors.store(), {}};
    const QList<UploadCommand> commands = upload_commands(sent.settings, unitModel);
    if (refused(sent.settings) || tooMany(commands))
        return std::nullopt;
    sent.parts = uploaded_parts(commands);
    clearLog();
    if (!start_upload(link, commands))
        return std::nullopt;
    return sent;
}

} // namespace transfer
