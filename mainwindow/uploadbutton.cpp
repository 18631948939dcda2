#include "mainwindow/uploadbutton.h"

#include "compare/wrongunit.h"
#include "link/unitlink.h"
#include "platform/dialogs.h"
#include "platform/serialport.h"
#include "settings/settingseditors.h"
#include "transfer/upload.h"
#include "transfer/uploadjob.h"

#include <QCoreApplication>
#include <QStringList>

namespace mainwindow {

QString not_open_text()
{
    return QCoreApplication::translate("mainwindow", "The serial port is not open, so nothing was sent to the unit. "
                                                     "Choose a working COMM PORT in the main window and press OPEN PORT.");
}

QString port_lost_text(int errorNumber, const QString &description, bool cut, int acknowledged, int total)
{
    QString text = QCoreApplication::translate("mainwindow", "The serial port closed: %1. The cable or USB adapter was probably unplugged.")
                       .arg(platform::SerialPort::lossInWords(errorNumber, description));
    if (cut)
        text += QCoreApplication::translate("mainwindow", " The upload stopped with %1 of its %2 commands acknowledged; it can go on from "
                                                          "there when the unit is back.")
                    .arg(acknowledged)
                    .arg(total);
    return text + QCoreApplication::translate("mainwindow", " Your settings are still in the editors. Reconnect the unit: NorvikConf opens "
                                                            "the port again when it returns, or press OPEN PORT.");
}

QString overdue_text(int number, int total, const QString &label, int patienceMs)
{
    return QCoreApplication::translate("mainwindow", "The unit has not answered \"%1\" (command %2 of %3) for %4 seconds. "
                                                     "Check the cable, the COMM PORT and that the unit is switched on. The upload "
                                                     "goes on when the unit answers; you can also start it again.")
        .arg(label)
        .arg(number)
        .arg(total)
        .arg(patienceMs / 1000);
}

bool mayClearUnit(const std::optional<settings::SettingsSet> &held, const settings::SettingsSet &wanted,
                  const transfer::UploadPlan &plan, platform::Dialogs &dialogs)
{
    const std::optional<compare::WrongUnit> wrong = compare::wrong_unit(held, wanted);
    if (!wrong || plan.clearAt < 0)
        return true;
    // Cancel is the last button: the default, and what Escape answers.
    return dialogs.choose(compare::wrong_unit_text(*wrong) + QLatin1Char('.'),
                          QStringLiteral("Clear that unit's list and send these settings anyway?"),
                          {QStringLiteral("Upload anyway"), QStringLiteral("Cancel")})
           == 0;
}

bool cmdUpload_Click(const settings::SettingsEditors &editors, const QString &unitModel, bool verify,
                     unitlink::UnitLink &link, transfer::UploadJob &job, platform::Dialogs &dialogs,
                     const std::function<void()> &clearLog, const std::function<void()> &showChanges)
{
    // A press while an upload runs changes nothing: the running one goes on.
    if (job.running())
        return false;
    // Nothing changes, not even the log, when nothing can be sent.
    if (!link.port_open()) {
        dialogs.message(not_open_text(), platform::Dialogs::Icon::Stop);
        return false;
    }
    const auto refused = [&](const settings::SettingsSet &set) {
        const QString why = transfer::UploadJob::problem(set, unitModel);
        if (!why.isEmpty())
            dialogs.message(why, platform::Dialogs::Icon::Stop);
        return !why.isEmpty();
    };
    const settings::SettingsSet shown = editors.store();
    if (refused(shown))
        return false;
    transfer::UploadChoices choices;
    choices.model = unitModel;
    choices.verify = verify;
    choices.offerCurrentPassword = true;
    const QString question = QCoreApplication::translate("mainwindow", "This will replace the settings on the GSM unit, proceed?");
    const transfer::UploadPlan plan = job.plan(shown, choices);
    const QString summary = transfer::upload_summary(shown, unitModel);
    const QString show = QStringLiteral("Show the changes");
    const bool canShow = showChanges && job.held();
    if (plan.kind == transfer::UploadPlan::Kind::Incremental) {
        // What is replaced is only what the plan names; the summary's warnings still hold.
        QStringList informative{plan.summary + QLatin1Char('.')};
        informative << summary.split(QLatin1Char('\n')).mid(1);
        if (const QString note = transfer::read_back_note(plan, shown, verify); !note.isEmpty())
            informative << note;
        QStringList buttons{QStringLiteral("Yes"), QStringLiteral("Send everything"), QStringLiteral("No")};
        if (canShow)
            buttons.insert(2, show);
        int answer;
        while (buttons.at(answer = dialogs.choose(question, informative.join(QLatin1Char('\n')), buttons)) == show) {
            showChanges();
            if (job.running())
                return false; // the compare view sent what was ticked
        }
        if (answer == buttons.size() - 1)
            return false;
        choices.sendEverything = answer == 1;
    } else {
        QString informative = plan.summary + QLatin1Char('.');
        if (job.held())
            informative += QLatin1Char('\n') + plan.reason + QLatin1Char('.');
        informative += QLatin1Char('\n') + summary;
        if (canShow) {
            const QStringList buttons{QStringLiteral("Yes"), show, QStringLiteral("No")};
            int answer;
            while ((answer = dialogs.choose(question, informative, buttons)) == 1) {
                showChanges();
                if (job.running())
                    return false;
            }
            if (answer != 0)
                return false;
        } else if (!dialogs.confirm(question, informative)) {
            return false;
        }
    }
    if (!mayClearUnit(job.held(), shown, job.plan(shown, choices), dialogs))
        return false;
    // Taken again now: the editors may have changed while the question was up (a download
    // ending), and what is sent must be what they hold.
    const settings::SettingsSet sent = editors.store();
    if (refused(sent))
        return false;
    clearLog();
    return job.start(sent, choices);
}

OutcomeReport report_of(const transfer::UploadOutcome &outcome)
{
    using Kind = transfer::UploadOutcome::Kind;
    OutcomeReport r;
    if (!outcome.dumpText.isEmpty())
        r.log << QStringLiteral("\r\n") + outcome.dumpText;
    if (outcome.verification) {
        r.message = transfer::verification_text(*outcome.verification);
        r.stop = !outcome.verification->ok();
        r.title = kVerifyTitle;
        r.log << QStringLiteral("\r\nVERIFY: ") + r.message;
        return r;
    }
    // A lost port and a wrong password have had their own words from the link.
    if (outcome.kind == Kind::PortLost || outcome.kind == Kind::PortClosed)
        return r;
    if (outcome.readingBack) {
        r.message = QCoreApplication::translate("mainwindow", "The upload was acknowledged but could not be verified: ") + outcome.reason;
        r.stop = true;
        r.title = kVerifyTitle;
        r.log << QStringLiteral("\r\nVERIFY: ") + r.message;
        return r;
    }
    r.stop = true;
    switch (outcome.kind) {
    case Kind::Unsendable: r.message = outcome.reason; break;
    case Kind::NotResumed: r.message = outcome.reason; break;
    case Kind::Stopped:
        r.message = QCoreApplication::translate("mainwindow", "The upload was stopped with %1 of its %2 commands acknowledged. %3.")
                        .arg(outcome.acknowledged)
                        .arg(outcome.total)
                        .arg(outcome.unitHolds.isEmpty() ? QCoreApplication::translate("mainwindow", "The unit holds everything that was sent")
                                                         : outcome.unitHolds);
        r.stop = false;
        break;
    case Kind::Refused: r.message = transfer::refusal_text(outcome.refusal); break;
    case Kind::Unreadable:
        r.message = QCoreApplication::translate("mainwindow", "The unit's answer to \"%1\" (command %2 of %3) could not be read: the line may "
                                                              "be noisy. The upload stopped there; check the cable and upload again.")
                        .arg(outcome.label)
                        .arg(outcome.command)
                        .arg(outcome.total);
        break;
    default: break;
    }
    return r;
}

} // namespace mainwindow
