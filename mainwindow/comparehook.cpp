#include "mainwindow/comparehook.h"

#include "messages/messages.h"
#include "platform/dialogs.h"
#include "session/unitsession.h"
#include "settings/settingseditors.h"
#include "transfer/uploadjob.h"

#include <memory>

namespace mainwindow {

CompareSources compare_sources(const settings::SettingsEditors &editors, session::UnitSession &session,
                               platform::Dialogs &dialogs, std::function<void()> beforeUpload)
{
    CompareSources s;
    s.window = [&editors] { return editors.store(); };
    s.lastRead = [&session] { return session.held(); };
    s.readUnit = [&editors, &session, &dialogs](std::function<void(std::optional<settings::SettingsSet>)> done) {
        if (session.uploading() || session.reading()) {
            done(std::nullopt);
            return;
        }
        // One answer is this read's: the connection goes with it. The session keeps what a
        // complete read says the unit holds.
        auto connection = std::make_shared<QMetaObject::Connection>();
        *connection = QObject::connect(&session, &session::UnitSession::readDone, &session,
                                       [connection, &dialogs, done](const session::ReadOutcome &o) {
                                           QObject::disconnect(*connection);
                                           if (!o.unit) {
                                               const messages::Message m = messages::Texts::read(o);
                                               if (!m.isEmpty())
                                                   dialogs.message(m.text, platform::Dialogs::Icon::Stop);
                                               done(std::nullopt);
                                               return;
                                           }
                                           done(o.unit);
                                       });
        if (!session.read(editors.password())) {
            QObject::disconnect(*connection);
            done(std::nullopt);
        }
    };
    s.apply = [&session, beforeUpload = std::move(beforeUpload)](const settings::SettingsSet &target) {
        if (session.uploading())
            return false;
        transfer::UploadChoices choices;
        choices.model = session.model();
        choices.verify = true; // a partial upload is always checked against what was meant
        choices.offerCurrentPassword = true;
        const session::PreparedUpload prepared = session.prepare(target, choices);
        beforeUpload();
        return session.upload(prepared);
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
