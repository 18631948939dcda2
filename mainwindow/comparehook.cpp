#include "mainwindow/comparehook.h"

#include "platform/dialogs.h"
#include "settings/settingseditors.h"
#include "transfer/dumpreader.h"
#include "transfer/uploadjob.h"
#include "transfer/verify.h"

namespace mainwindow {

CompareSources compare_sources(const settings::SettingsEditors &editors, transfer::UploadJob &job,
                               transfer::DumpReader &reader, platform::Dialogs &dialogs, const QString &unitModel,
                               std::function<void()> beforeUpload)
{
    CompareSources s;
    s.window = [&editors] { return editors.store(); };
    s.lastRead = [&job] { return job.held(); };
    s.readUnit = [&editors, &job, &reader, &dialogs](std::function<void(std::optional<settings::SettingsSet>)> done) {
        const bool sent = !job.running() && reader.request(editors.password(), [&job, &dialogs, done](const transfer::DumpOutcome &o) {
            if (o.status != transfer::DumpOutcome::Status::Received) {
                dialogs.message(o.reason(), platform::Dialogs::Icon::Stop);
                done(std::nullopt);
                return;
            }
            // A complete read is what the unit holds, as the read button's is.
            const settings::SettingsSet unit = transfer::read_unit_dump(o.records).settings;
            job.setHeld(unit);
            done(unit);
        });
        if (!sent)
            done(std::nullopt);
    };
    s.apply = [&job, unitModel, beforeUpload = std::move(beforeUpload)](const settings::SettingsSet &target) {
        if (job.running())
            return false;
        transfer::UploadChoices choices;
        choices.model = unitModel;
        choices.verify = true; // a partial upload is always checked against what was meant
        choices.offerCurrentPassword = true;
        beforeUpload();
        return job.start(target, choices);
    };
    return s;
}

void run_compare(const QString &unitModel, CompareSources sources, platform::Dialogs &dialogs,
                 bool unitAgainstWindow, QWidget *parent)
{
    const CompareSide window{CompareSide::Kind::Window, CompareDialog::tr("the settings in this window"),
                             sources.window()};
    const std::optional<settings::SettingsSet> held = sources.lastRead();
    CompareDialog dialog(unitModel, std::move(sources), dialogs, parent);
    if (unitAgainstWindow && held)
        dialog.setSides({CompareSide::Kind::Unit, CompareDialog::tr("the unit"), *held}, window);
    else
        dialog.setSides(window, window);
    dialog.exec();
}

} // namespace mainwindow
