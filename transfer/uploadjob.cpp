#include "transfer/uploadjob.h"

#include "link/replycodes.h"
#include "link/wire.h"
#include "transfer/dumpreader.h"

#include <QCoreApplication>

namespace transfer {

namespace {
UploadOutcome outcomeOf(UploadOutcome::Kind kind)
{
    UploadOutcome outcome;
    outcome.kind = kind;
    return outcome;
}
} // namespace

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

QString UploadJob::problem(const settings::SettingsSet &set, const QString &model, const UploadPlan &plan)
{
    const QString unsendable = unsendable_value(set, model);
    if (!unsendable.isEmpty())
        return unsendable;
    // The unit's list is cleared before the numbers go out, so an upload cut short by a full
    // chain would leave the unit with part of its list: refuse it whole instead.
    const int n = std::max(plan.wholeCommands, int(plan.commands.size()));
    if (n > kMaxUploadCommands) {
        const int over = n - kMaxUploadCommands;
        const char *remove = over == 1 ? "Remove %n number from the telephone list." : "Remove %n numbers from the telephone list.";
        return QCoreApplication::translate("transfer::UploadJob", "The upload needs %1 commands but at most %2 can be "
                                                                  "sent in one upload.")
                   .arg(n)
                   .arg(kMaxUploadCommands)
               + QLatin1Char(' ') + QCoreApplication::translate("transfer::UploadJob", remove, nullptr, over)
               + QLatin1Char(' ') + QCoreApplication::translate("transfer::UploadJob", "Nothing was sent.");
    }
    return QString();
}

bool UploadJob::start(const settings::SettingsSet &set, const UploadPlan &plan, const UploadChoices &choices,
                      const std::optional<settings::SettingsSet> &before)
{
    before_ = before;
    choices_ = choices;
    resumed_ = stopping_ = asked_ = false;
    awaiting_.reset();
    running_ = true;
    // The unit ends up holding all of `set` whichever plan goes, so all of it is compared.
    sent_ = {set, plan.parts};
    plan_ = plan;
    // Nothing of this upload is on the line: an earlier chain cut short is not its to resume.
    phase_ = Phase::Idle;
    if (const QString why = problem(set, choices.model, plan); !why.isEmpty()) {
        UploadOutcome outcome;
        outcome.kind = UploadOutcome::Kind::Unsendable;
        outcome.reason = why;
        outcome.total = plan.wholeCommands;
        finish(outcome);
        return false;
    }
    phase_ = Phase::Chain;
    link_.dropChain();
    opening_ = !choices.password.isEmpty() ? choices.password : set.password;
    if (choices.numbersOnly) {
        // No password or name command goes: the unit keeps its own, and only the list is compared.
        sent_.settings.password = opening_;
        sent_.parts.identity = sent_.parts.system = false;
    }
    if (plan_.commands.isEmpty()) {
        onCompleted();
        return running_;
    }
    QList<unitlink::ChainCommand> chain;
    chain.reserve(plan_.commands.size());
    for (const UploadCommand &c : plan_.commands)
        chain.append({c.label, c.value, c.word});
    link_.setChainPassword(opening_);
    if (!link_.startChain(chain)) {
        finish(outcomeOf(UploadOutcome::Kind::PortClosed));
        return false;
    }
    return true;
}

bool UploadJob::canResume() const { return phase_ == Phase::Chain && link_.canResume(); }

QString UploadJob::passwordNow() const
{
    for (int i = 0; i < link_.acknowledgedCount() && i < plan_.commands.size(); ++i)
        if (plan_.commands.at(i).word == unitlink::wire::kPassword)
            return sent_.settings.password;
    return opening_;
}

bool UploadJob::resume()
{
    if (!canResume())
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
                                  ? check_resumed_unit(plan_, link_.acknowledgedCount(), before_,
                                                       read_unit_dump(dump.records))
                                  : ResumeCheck::CannotKnow;
    if (check == ResumeCheck::SameUnit) {
        // The first command sets the password: once acknowledged, the unit holds the new one.
        link_.setChainPassword(passwordNow());
        if (!link_.resumeChain())
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
        .arg(link_.resumeAt())
        .arg(link_.commandCount())
        .arg(estimate_text(double(expected_dump_bytes(sent_.settings)) / kLineBytesPerSecond));
}

bool UploadJob::restartWhole()
{
    if (running_)
        return false;
    UploadChoices choices = choices_;
    choices.sendEverything = true;
    // The unit on the line is not the one known before: its password is the settings' own.
    if (before_)
        choices.password.clear();
    PlanChoices how;
    how.unitModel = choices.model;
    how.sendEverything = true;
    return start(sent_.settings, plan_upload(std::nullopt, sent_.settings, how), choices);
}

void UploadJob::stop()
{
    if (!running_)
        return;
    if (inChain() && !stopping_ && link_.chainState() == unitlink::UnitLink::ChainState::Running) {
        stopping_ = true;
        link_.stopAfterCurrent();
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
    if (!link_.resendRefused(current))
        finish(outcomeOf(UploadOutcome::Kind::PortClosed));
}

void UploadJob::onAcknowledged(int done, int)
{
    if (inChain() && plan_.commands.at(done - 1).word == unitlink::wire::kPassword)
        link_.setChainPassword(sent_.settings.password);
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
    outcome.command = link_.sentCount();
    outcome.label = plan_.commands.at(link_.sentCount() - 1).label;
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
    outcome.readBack = dump;
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
    // Dropping the chain leaves the link nothing to send when a late answer comes.
    outcome.acknowledged = link_.acknowledgedCount();
    outcome.total = link_.commandCount();
    link_.dropChain();
    finish(outcome);
}

void UploadJob::finish(UploadOutcome outcome)
{
    if (!running_)
        return;
    running_ = false;
    stopping_ = false;
    if (outcome.total == 0) {
        outcome.acknowledged = link_.acknowledgedCount();
        outcome.total = link_.commandCount();
    }
    if (outcome.kind != UploadOutcome::Kind::Unsendable && outcome.kind != UploadOutcome::Kind::NotResumed
        && !outcome.readingBack && outcome.acknowledged < outcome.total)
        outcome.unitHolds = held_after_stop(plan_, outcome.acknowledged);
    outcome.plan = plan_;
    outcome.settings = sent_.settings;
    emit finished(outcome);
}

} // namespace transfer
