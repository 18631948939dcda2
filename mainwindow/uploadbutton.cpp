#include "mainwindow/uploadbutton.h"

#include "compare/wrongunit.h"
#include "messages/messages.h"
#include "platform/dialogs.h"
#include "session/unitsession.h"
#include "settings/settingseditors.h"
#include "transfer/upload.h"
#include "transfer/uploadplan.h"

#include <QCoreApplication>
#include <QStringList>

namespace mainwindow {

bool mayClearUnit(const std::optional<settings::SettingsSet> &held, const settings::SettingsSet &wanted,
                  const transfer::UploadPlan &plan, platform::Dialogs &dialogs)
{
    const std::optional<compare::WrongUnit> wrong = compare::wrong_unit(held, wanted);
    if (!wrong || plan.clearAt < 0)
        return true;
    // Cancel is the last button: the default, and what Escape answers.
    return dialogs.choose(compare::wrong_unit_text(*wrong) + QLatin1Char('.'),
                          UploadButton::tr("Clear that unit's list and send these settings anyway?"),
                          {UploadButton::tr("Upload anyway"), UploadButton::tr("Cancel")})
           == 0;
}

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
                         platform::Dialogs &dialogs, const std::function<void()> &clearLog,
                         const std::function<void()> &showChanges)
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
    const QString show = tr("Show the changes");
    const bool canShow = showChanges && session.held();
    const bool incremental = prepared.plan.kind == transfer::UploadPlan::Kind::Incremental;
    if (!incremental && !canShow) {
        if (!dialogs.confirm(question, informative(prepared)))
            return false;
    } else {
        QStringList buttons = incremental ? QStringList{tr("Yes"), tr("Send everything"), tr("No")} : QStringList{tr("Yes"), tr("No")};
        if (canShow)
            buttons.insert(buttons.size() - 1, show);
        int answer;
        while (buttons.at(answer = dialogs.choose(question, informative(prepared), buttons)) == show) {
            showChanges();
            if (session.uploading())
                return false; // the compare view sent what was ticked
        }
        if (answer == buttons.size() - 1)
            return false;
        // Everything is another plan: made now, from the same settings, and sent as made.
        if (incremental && answer == 1) {
            choices.sendEverything = true;
            prepared = session.prepare(prepared.settings, choices);
        }
    }
    if (!mayClearUnit(session.held(), prepared.settings, prepared.plan, dialogs))
        return false;
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
