#include "mainwindow/uploadbutton.h"

#include "messages/messages.h"
#include "platform/dialogs.h"
#include "session/unitsession.h"
#include "settings/settingseditors.h"
#include "transfer/upload.h"
#include "transfer/uploadplan.h"

#include <QStringList>

namespace mainwindow {

QString UploadButton::informative(const session::PreparedUpload &prepared)
{
    const transfer::UploadPlan &plan = prepared.plan;
    const QString summary = transfer::upload_summary(prepared.settings, prepared.choices.model);
    QStringList lines{plan.summary + QLatin1Char('.')};
    if (prepared.choices.verify)
        lines << tr("With the settings read back afterwards: %1 in all.").arg(transfer::estimate_text(prepared.seconds));
    if (plan.kind == transfer::UploadPlan::Kind::Incremental) {
        // What is replaced is only what the plan names; the summary's warnings still hold.
        lines << summary.split(QLatin1Char('\n')).mid(1);
        if (const QString note = transfer::read_back_note(plan, prepared.settings, prepared.choices.verify); !note.isEmpty())
            lines << note;
        return lines.join(QLatin1Char('\n'));
    }
    if (prepared.unitKnown)
        lines << plan.reason + QLatin1Char('.');
    lines << summary;
    return lines.join(QLatin1Char('\n'));
}

bool UploadButton::press(const settings::SettingsEditors &editors, bool verify, session::UnitSession &session,
                         platform::Dialogs &dialogs, const std::function<void()> &clearLog)
{
    // A press while an upload runs changes nothing: the running one goes on.
    if (session.uploading())
        return false;
    // Nothing changes, not even the log, when nothing can be sent.
    if (!session.isOpen()) {
        dialogs.message(messages::Texts::portNotOpen().text, platform::Dialogs::Icon::Stop);
        return false;
    }
    transfer::UploadChoices choices;
    choices.model = session.model();
    choices.verify = verify;
    choices.offerCurrentPassword = true;
    session::PreparedUpload prepared = session.prepare(editors.store(), choices);
    if (!prepared.problem.isEmpty()) {
        dialogs.message(prepared.problem, platform::Dialogs::Icon::Stop);
        return false;
    }
    const QString question = messages::Texts::uploadQuestion();
    if (prepared.plan.kind == transfer::UploadPlan::Kind::Incremental) {
        const int answer =
            dialogs.choose(question, informative(prepared), {tr("Yes"), tr("Send everything"), tr("No")});
        if (answer == 2)
            return false;
        // Everything is another plan: made now, from the same settings, and sent as made.
        if (answer == 1) {
            choices.sendEverything = true;
            prepared = session.prepare(prepared.settings, choices);
        }
    } else if (!dialogs.confirm(question, informative(prepared))) {
        return false;
    }
    // What is sent is what the question was about: settings changed meanwhile (a read that
    // ended under the question) would make it another upload.
    if (!(editors.store() == prepared.settings)) {
        dialogs.message(tr("The settings changed while the question was open, so nothing was sent. Press UPLOAD "
                           "again to send them."),
                        platform::Dialogs::Icon::Information);
        return false;
    }
    clearLog();
    return session.upload(prepared);
}

} // namespace mainwindow
