#include "transfer/uploadjob.h"

#include "link/replycodes.h"
#include "link/wire.h"
#include "transfer/dumpreader.h"

#include <QCoreApplication>
#include <QStringList>

namespace transfer {

namespace {
UploadOutcome outcomeOf(UploadOutcome::Kind kind)
{
    UploadOutcome outcome;
    outcome.kind = kind;
    return outcome;
}
} // namespace

QString refusal_text(const unitlink::Refusal &refusal)
{
    QStringList codes;
    for (const qint16 code : refusal.codes) {
        const QString meaning = unitlink::code_meaning(code);
        codes << (meaning.isEmpty() ? QString::number(code) : QStringLiteral("%1: %2").arg(code).arg(meaning));
    }
    QString text = QStringLiteral("The unit refused \"%1\" ").arg(refusal.label);
    if (codes.isEmpty())
        text += QStringLiteral("(its answer carried no status code).");
    else
        text += QStringLiteral("(code%1 %2).").arg(codes.size() > 1 ? QStringLiteral("s") : QString(), codes.join(QStringLiteral(", ")));
    text += QStringLiteral(" The upload stopped at command %1 of %2.").arg(refusal.command).arg(refusal.total);
    if (refusal.numbersKept == 0)
        text += QStringLiteral(" The unit's number list was cleared by this upload and is now empty.");
    else if (refusal.numbersKept > 0)
        text += QStringLiteral(" The unit's number list was cleared by this upload and now holds only the %1 "
                               "number%2 sent before this one.")
                    .arg(refusal.numbersKept)
                    .arg(refusal.numbersKept == 1 ? QString() : QStringLiteral("s"));
    if (refusal.numbersKept >= 0)
        text += QStringLiteral(" Correct the settings and upload again to send the whole list.");
    return text;
}

UploadJob::UploadJob(unitlink::UnitLink &link, DumpReader &reader, QObject *parent)
    : QObject(parent), link_(link), reader_(reader)
{
    using unitlink::UnitLink;
    connect(&link_, &UnitLink::acknowledged, this, &UploadJob::onAcknowledged);
    connect(&link_, &UnitLink::chainCompleted, this, &UploadJob::onCompleted);
    connect(&link_, &UnitLink::refused, this, &UploadJob::onRefused);
    connect(&link_, &UnitLink::unreadableAnswer, this, &UploadJob::onUnreadable);
    connect(&link_, &UnitLink::replyOverdue, this, &UploadJob::onOverdue);
    connect(&link_, &UnitLink::chainStopped, this, &UploadJob::onStopped);
    connect(&link_, &UnitLink::portLost, this,
            [this](int, const QString &, bool cut, int, int) { onPortLost(cut); });
}

UploadPlan UploadJob::plan(const settings::SettingsSet &set, const UploadChoices &choices) const
{
    PlanChoices how;
    how.unitModel = choices.model;
    how.sendEverything = choices.sendEverything;
    how.numbersOnly = choices.numbersOnly;
    return plan_upload(held_, set, how);
}

QString UploadJob::problem(const settings::SettingsSet &set, const QString &model)
{
    const QString unsendable = unsendable_value(set, model);
    if (!unsendable.isEmpty())
        return unsendable;
    // The unit's list is cleared before the numbers go out, so an upload cut short by a full
    // queue would leave the unit with part of its list: refuse it whole instead.
    const qsizetype n = upload_commands(set, model).size();
    if (n > kMaxUploadCommands) {
        const int over = int(n - kMaxUploadCommands);
        const char *remove = over == 1 ? "Remove %n number from the telephone list." : "Remove %n numbers from the telephone list.";
        return QCoreApplication::translate("transfer::UploadJob", "The upload needs %1 commands but at most %2 can be "
                                                                  "sent in one upload.")
                   .arg(n)
                   .arg(kMaxUploadCommands)
               + QLatin1Char(' ') + QCoreApplication::translate("transfer::UploadJob", remove, nullptr, over)
               + QStringLiteral(" Nothing was sent.");
    }
    return QString();
}

bool UploadJob::start(const settings::SettingsSet &set, const UploadChoices &choices)
{
    choices_ = choices;
    resumed_ = stopping_ = asked_ = false;
    awaiting_.reset();
    running_ = true;
    const QList<UploadCommand> commands = upload_commands(set, choices.model);
    // The unit ends up holding all of `set` whichever plan goes, so all of it is compared.
    sent_ = {set, uploaded_parts(commands)};
    plan_ = plan(set, choices);
    // Nothing of this upload is on the line: an earlier chain cut short is not its to resume.
    phase_ = Phase::Idle;
    if (const QString why = problem(set, choices.model); !why.isEmpty()) {
        UploadOutcome outcome;
        outcome.kind = UploadOutcome::Kind::Unsendable;
        outcome.reason = why;
        outcome.total = int(commands.size());
        finish(outcome);
        return false;
    }
    phase_ = Phase::Chain;
    link_.set_link_mode(unitlink::kModeUpload);
    link_.clear_queue();
    for (const UploadCommand &c : plan_.commands)
        link_.queue_cmd(c.label, c.value, c.word);
    // A unit whose settings are known is opened with its own password.
    opening_ = !choices.password.isEmpty() ? choices.password : held_ ? held_->password
                                                                      : set.password;
    if (choices.numbersOnly) {
        // No password or name command goes: the unit keeps its own, and only the list is compared.
        sent_.settings.password = opening_;
        sent_.parts.identity = sent_.parts.system = false;
    }
    if (plan_.commands.isEmpty()) {
        onCompleted();
        return running_;
    }
    // Whatever happens from here, only a verified end says what the unit holds.
    before_ = std::exchange(held_, std::nullopt);
    link_.set_chain_password(opening_);
    if (!link_.start_upload()) {
        finish(outcomeOf(UploadOutcome::Kind::PortClosed));
        return false;
    }
    return true;
}

bool UploadJob::can_resume() const { return phase_ == Phase::Chain && link_.can_resume(); }

QString UploadJob::passwordNow() const
{
    for (int i = 0; i < link_.acknowledged_count() && i < plan_.commands.size(); ++i)
        if (plan_.commands.at(i).word == unitlink::wire::kPassword)
            return sent_.settings.password;
    return opening_;
}

bool UploadJob::resume()
{
    if (!can_resume())
        return false;
    running_ = true;
    resumed_ = true;
    stopping_ = false;
    phase_ = Phase::ResumeCheck;
    // Another unit may be on the line now: what it holds says whether it is the same one.
    if (!reader_.request(
            passwordNow(), [this](const DumpOutcome &dump) { onResumeDump(dump); },
            expected_dump_bytes(sent_.settings))) {
        phase_ = Phase::Chain;
        finish(outcomeOf(UploadOutcome::Kind::PortClosed));
        return false;
    }
    return true;
}

void UploadJob::onResumeDump(const DumpOutcome &dump)
{
    if (!running_ || phase_ != Phase::ResumeCheck)
        return;
    phase_ = Phase::Chain;
    using Status = DumpOutcome::Status;
    if (dump.status == Status::Stopped || dump.status == Status::LineLost) {
        finish(outcomeOf(dump.status == Status::Stopped ? UploadOutcome::Kind::Stopped : UploadOutcome::Kind::PortLost));
        return;
    }
    const ResumeCheck check = dump.status == Status::Received
                                  ? check_resumed_unit(plan_, link_.acknowledged_count(), before_,
                                                       read_unit_dump(dump.records))
                                  : ResumeCheck::CannotKnow;
    if (check == ResumeCheck::SameUnit) {
        // The first command sets the password: once acknowledged, the unit holds the new one.
        link_.set_chain_password(passwordNow());
        if (!link_.resume_upload())
            finish(outcomeOf(UploadOutcome::Kind::PortClosed));
        return;
    }
    UploadOutcome outcome = outcomeOf(UploadOutcome::Kind::NotResumed);
    outcome.dumpText = dump.raw;
    const auto tr = [](const char *text) { return QCoreApplication::translate("transfer::UploadJob", text); };
    if (check == ResumeCheck::OtherUnit)
        outcome.reason = tr("The unit on the line does not hold what this upload had given it before the line was "
                            "lost: it is another unit, or it was changed meanwhile. Nothing was sent to it.");
    else if (dump.status == Status::Received)
        outcome.reason = tr("Whether the unit on the line is the one this upload began with cannot be known: "
                            "nothing the upload had sent tells one unit from another. Nothing was sent to it.");
    else
        outcome.reason = tr("Whether the unit on the line is the one this upload began with cannot be known: its "
                            "settings could not be read (%1) Nothing was sent to it.")
                             .arg(dump.reason());
    finish(outcome);
}

QString UploadJob::resumeQuestion() const
{
    return QCoreApplication::translate("transfer::UploadJob",
                                       "Resume the upload at command %1 of %2? First the unit's settings are read "
                                       "(%3) to make sure it is the unit the upload began with; afterwards they are "
                                       "read back again to check them.")
        .arg(link_.resume_at())
        .arg(link_.cmd_count())
        .arg(estimate_text(double(expected_dump_bytes(sent_.settings)) / kLineBytesPerSecond));
}

bool UploadJob::restartWhole()
{
    if (running_)
        return false;
    UploadChoices choices = choices_;
    choices.sendEverything = true;
    held_.reset();
    return start(sent_.settings, choices);
}

void UploadJob::stop()
{
    if (!running_)
        return;
    if (inChain() && !stopping_ && link_.chain_state() == unitlink::UnitLink::ChainState::Running) {
        stopping_ = true;
        link_.stop_after_current();
        return;
    }
    if (phase_ == Phase::ReadBack || phase_ == Phase::ResumeCheck) {
        reader_.stop();
        return;
    }
    endChain(outcomeOf(UploadOutcome::Kind::Stopped));
}

void UploadJob::resendWith(const QString &current)
{
    const std::optional<unitlink::Refusal> refusal = std::exchange(awaiting_, std::nullopt);
    if (!refusal || !inChain())
        return;
    if (current.isEmpty()) {
        UploadOutcome outcome = outcomeOf(UploadOutcome::Kind::WrongPassword);
        outcome.refusal = *refusal;
        finish(outcome);
        return;
    }
    if (!link_.resend_refused(current))
        finish(outcomeOf(UploadOutcome::Kind::PortClosed));
}

void UploadJob::onAcknowledged(int done, int)
{
    if (inChain() && link_.cmd_queue().at(done - 1).word == unitlink::wire::kPassword)
        link_.set_chain_password(sent_.settings.password);
}

void UploadJob::onCompleted()
{
    if (!inChain())
        return;
    if (!reads_back(plan_, choices_.verify, resumed_)) {
        finish(outcomeOf(UploadOutcome::Kind::Done));
        return;
    }
    phase_ = Phase::ReadBack;
    emit verifying();
    if (!reader_.request(
            sent_.settings.password, [this](const DumpOutcome &dump) { onDump(dump); },
            expected_dump_bytes(sent_.settings))) {
        UploadOutcome outcome = outcomeOf(UploadOutcome::Kind::PortClosed);
        outcome.readingBack = true;
        finish(outcome);
    }
}

void UploadJob::onRefused(const unitlink::Refusal &refusal)
{
    if (!inChain())
        return;
    if (refusal.wrongPassword && refusal.passwordCommand && choices_.offerCurrentPassword && !std::exchange(asked_, true)) {
        awaiting_ = refusal;
        emit currentPasswordWanted(sent_.settings.password);
        return;
    }
    UploadOutcome outcome = outcomeOf(refusal.wrongPassword ? UploadOutcome::Kind::WrongPassword : UploadOutcome::Kind::Refused);
    outcome.refusal = refusal;
    finish(outcome);
}

void UploadJob::onUnreadable()
{
    if (!inChain())
        return;
    UploadOutcome outcome = outcomeOf(UploadOutcome::Kind::Unreadable);
    outcome.command = link_.cmd_pos();
    outcome.label = link_.cmd_queue().at(link_.cmd_pos() - 1).label;
    finish(outcome);
}

void UploadJob::onOverdue(int number, int, const QString &label)
{
    if (!inChain())
        return;
    if (stopping_) {
        endChain(outcomeOf(UploadOutcome::Kind::Stopped));
        return;
    }
    if (!choices_.giveUpOnSilence)
        return; // the chain keeps waiting; whoever shows the link says so
    UploadOutcome outcome = outcomeOf(UploadOutcome::Kind::NoAnswer);
    outcome.command = number;
    outcome.label = label;
    endChain(outcome);
}

void UploadJob::onPortLost(bool cut)
{
    if (!running_ || (phase_ == Phase::Chain && !cut))
        return;
    UploadOutcome outcome = outcomeOf(UploadOutcome::Kind::PortLost);
    outcome.readingBack = phase_ == Phase::ReadBack;
    if (phase_ == Phase::ResumeCheck)
        phase_ = Phase::Chain; // still to be resumed, once the line is back
    finish(outcome);
}

void UploadJob::onStopped()
{
    if (inChain())
        finish(outcomeOf(UploadOutcome::Kind::Stopped));
}

void UploadJob::onDump(const DumpOutcome &dump)
{
    if (!running_ || phase_ != Phase::ReadBack)
        return;
    using Status = DumpOutcome::Status;
    UploadOutcome outcome;
    outcome.readingBack = true;
    outcome.dumpText = dump.raw;
    outcome.reason = dump.reason();
    switch (dump.status) {
    case Status::Received: {
        const Verification v = verify_upload(sent_.settings, choices_.model, sent_.parts, read_unit_dump(dump.records));
        outcome.kind = v.ok() ? UploadOutcome::Kind::Done : UploadOutcome::Kind::Differences;
        outcome.verification = v;
        break;
    }
    case Status::WrongPassword: outcome.kind = UploadOutcome::Kind::WrongPassword; break;
    case Status::Stopped: outcome.kind = UploadOutcome::Kind::Stopped; break;
    case Status::LineLost: outcome.kind = UploadOutcome::Kind::PortLost; break;
    case Status::NoAnswer:
    case Status::Incomplete:
    case Status::TooLarge:
    case Status::Interrupted: outcome.kind = UploadOutcome::Kind::NoAnswer; break;
    }
    finish(outcome);
}

void UploadJob::endChain(UploadOutcome outcome)
{
    // Emptying the queue leaves the link nothing to send when a late answer comes.
    outcome.acknowledged = link_.acknowledged_count();
    outcome.total = link_.cmd_count();
    link_.clear_queue();
    finish(outcome);
}

void UploadJob::finish(UploadOutcome outcome)
{
    if (!running_)
        return;
    running_ = false;
    stopping_ = false;
    if (outcome.total == 0) {
        outcome.acknowledged = link_.acknowledged_count();
        outcome.total = link_.cmd_count();
    }
    if (outcome.kind != UploadOutcome::Kind::Unsendable && outcome.kind != UploadOutcome::Kind::NotResumed
        && !outcome.readingBack && outcome.acknowledged < outcome.total)
        outcome.unitHolds = held_after_stop(plan_, outcome.acknowledged);
    // After a list-only upload the unit's name was not read, so what it holds is not known whole.
    if (outcome.kind == UploadOutcome::Kind::Done && outcome.verification && outcome.verification->ok()
        && !choices_.numbersOnly)
        held_ = sent_.settings;
    else if (outcome.kind != UploadOutcome::Kind::Unsendable && !(outcome.kind == UploadOutcome::Kind::Done && outcome.total == 0))
        held_.reset();
    emit finished(outcome);
}

} // namespace transfer
