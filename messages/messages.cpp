#include "messages/messages.h"

#include "link/replycodes.h"
#include "platform/serialport.h"
#include "session/unitsession.h"
#include "transfer/dumpreader.h"
#include "transfer/uploadjob.h"
#include "transfer/verify.h"

#include <QStringList>

namespace messages {

namespace {

using Kind = Message::Kind;

Message make(Kind kind, const QString &text, const QString &title = QString(), const QString &details = QString())
{
    return Message{kind, title, text, details};
}

// "a", "a and b", "a, b and c"
QString joined(const QStringList &items)
{
    if (items.size() < 2)
        return items.value(0);
    return items.mid(0, items.size() - 1).join(QStringLiteral(", ")) + Texts::tr(" and ") + items.last();
}

} // namespace

QString Message::full() const { return details.isEmpty() ? text : text + QLatin1Char('\n') + details; }

QString Texts::wrongPassword()
{
    // The reader's own words for it, so that they exist once.
    transfer::DumpOutcome refused;
    refused.status = transfer::DumpOutcome::Status::WrongPassword;
    return refused.reason();
}

QString Texts::readFailure(const transfer::DumpOutcome &dump) { return dump.reason(); }

Message Texts::read(const session::ReadOutcome &outcome)
{
    using Status = transfer::DumpOutcome::Status;
    const QString why = readFailure(outcome.dump);
    if (why.isEmpty())
        return {};
    // A stop the operator pressed is no failure.
    return make(outcome.dump.status == Status::Stopped ? Kind::Information : Kind::Problem, why);
}

QString Texts::refusal(const unitlink::Refusal &refusal)
{
    QStringList codes;
    for (const qint16 code : refusal.codes) {
        const QString meaning = unitlink::code_meaning(code);
        codes << (meaning.isEmpty() ? QString::number(code) : QStringLiteral("%1: %2").arg(code).arg(meaning));
    }
    QString text;
    if (codes.isEmpty())
        text = tr("The unit refused \"%1\" (its answer carried no status code).").arg(refusal.label);
    else if (codes.size() == 1)
        text = tr("The unit refused \"%1\" (code %2).").arg(refusal.label, codes.first());
    else
        text = tr("The unit refused \"%1\" (codes %2).").arg(refusal.label, codes.join(QStringLiteral(", ")));
    text += QLatin1Char(' ') + tr("The upload stopped at command %1 of %2.").arg(refusal.command).arg(refusal.total);
    if (refusal.numbersKept == 0)
        text += QLatin1Char(' ') + tr("The unit's number list was cleared by this upload and is now empty.");
    else if (refusal.numbersKept == 1)
        text += QLatin1Char(' ') + tr("The unit's number list was cleared by this upload and now holds only the 1 "
                                      "number sent before this one.");
    else if (refusal.numbersKept > 1)
        text += QLatin1Char(' ') + tr("The unit's number list was cleared by this upload and now holds only the %1 "
                                      "numbers sent before this one.")
                                       .arg(refusal.numbersKept);
    if (refusal.numbersKept >= 0)
        text += QLatin1Char(' ') + tr("Correct the settings and upload again to send the whole list.");
    return text;
}

namespace {

// "the password, the name, 4 inputs, the master number and 996 numbers"
QString comparedText(const transfer::Compared &c)
{
    QStringList what;
    if (c.password)
        what << Texts::tr("the password");
    if (c.name)
        what << Texts::tr("the name");
    if (c.inputs == 1)
        what << Texts::tr("1 input");
    else if (c.inputs > 1)
        what << Texts::tr("%1 inputs").arg(c.inputs);
    if (c.master)
        what << Texts::tr("the master number");
    if (c.numbers == 1)
        what << Texts::tr("1 number");
    else if (c.numbers > 1)
        what << Texts::tr("%1 numbers").arg(c.numbers);
    return joined(what);
}

QString differenceLine(const transfer::Difference &d)
{
    using DKind = transfer::Difference::Kind;
    switch (d.kind) {
    case DKind::Value: return Texts::tr("%1: sent \"%2\", the unit holds \"%3\"").arg(d.field, d.sent, d.found);
    case DKind::Missing: return Texts::tr("%1: \"%2\" was sent but is not in the unit's list").arg(d.field, d.sent);
    case DKind::Extra: return Texts::tr("%1: \"%2\" is in the unit's list but was not sent").arg(d.field, d.found);
    case DKind::Secret: return Texts::tr("%1: differs from the one sent").arg(d.field);
    }
    return QString();
}

} // namespace

QString Texts::verification(const transfer::Verification &result)
{
    QString text;
    if (result.ok()) {
        const QString compared = comparedText(result.compared);
        text = compared.isEmpty() ? tr("Verified: nothing the unit reports was sent.")
                                  : tr("Verified: %1 match.").arg(compared);
    } else {
        const qsizetype n = result.differences.size();
        text = (n == 1 ? tr("Verification failed: the unit holds 1 setting other than what was sent (%2 match):")
                       : tr("Verification failed: the unit holds %1 settings other than what was sent (%2 match):"))
                   .arg(n)
                   .arg(result.matches);
        for (qsizetype i = 0; i < std::min<qsizetype>(n, transfer::kDifferencesShown); ++i)
            text += QLatin1Char('\n') + differenceLine(result.differences.at(i));
        if (n > transfer::kDifferencesShown)
            text += QLatin1Char('\n') + tr("... and %1 more.").arg(n - transfer::kDifferencesShown);
        text += QLatin1Char('\n') + tr("Upload the settings again, or read them from the unit to see what it holds.");
    }
    if (!result.notVerifiable.isEmpty())
        text += QLatin1Char('\n')
                + tr("Not verifiable, because the unit's dump does not carry them: %1.")
                      .arg(result.notVerifiable.join(QStringLiteral(", ")));
    return text;
}

Message Texts::upload(const transfer::UploadOutcome &outcome)
{
    using UKind = transfer::UploadOutcome::Kind;
    const QString verifyTitle = tr("Verify after upload");
    if (outcome.verification)
        return make(outcome.verification->ok() ? Kind::Information : Kind::Problem,
                    verification(*outcome.verification), verifyTitle);
    const QString position = tr("%1 of %2 commands acknowledged").arg(outcome.acknowledged).arg(outcome.total);
    switch (outcome.kind) {
    case UKind::Done:
        if (outcome.total == 0)
            return make(Kind::Information, tr("Nothing to send: the unit already holds these settings."),
                        tr("Upload complete"));
        return make(Kind::Information, tr("Upload complete"), tr("Upload complete"));
    case UKind::Differences: break; // always carries its verification
    case UKind::Unsendable:
    case UKind::NotResumed: return make(Kind::Problem, outcome.reason);
    case UKind::PortClosed:
        return make(Kind::Problem, tr("Nothing could be written to the port, so the upload did not start."));
    case UKind::PortLost:
        if (outcome.readingBack)
            return make(Kind::Problem, tr("The serial port closed while the settings were read back; all %1 commands "
                                          "were acknowledged, nothing was verified.")
                                           .arg(outcome.total),
                        verifyTitle);
        return make(Kind::Problem, tr("The serial port closed during the upload at command %1 of %2; %3.")
                                       .arg(outcome.acknowledged + 1)
                                       .arg(outcome.total)
                                       .arg(position));
    case UKind::Refused: return make(Kind::Problem, refusal(outcome.refusal));
    case UKind::WrongPassword:
        if (outcome.readingBack)
            return make(Kind::Problem, tr("The upload was acknowledged but could not be verified: %1").arg(wrongPassword()),
                        verifyTitle);
        return make(Kind::Problem, tr("%1: the unit refused \"%2\" (command %3 of %4).")
                                       .arg(wrongPassword(), outcome.refusal.label)
                                       .arg(outcome.refusal.command)
                                       .arg(outcome.refusal.total));
    case UKind::NoAnswer:
        if (outcome.readingBack)
            return make(Kind::Problem,
                        tr("The upload was acknowledged but could not be verified: %1").arg(readFailure(outcome.readBack)),
                        verifyTitle);
        return make(Kind::Problem, tr("The unit did not answer \"%1\" (command %2 of %3); %4. Check the cable, the port "
                                      "and that the unit is switched on.")
                                       .arg(outcome.label)
                                       .arg(outcome.command)
                                       .arg(outcome.total)
                                       .arg(position));
    case UKind::Unreadable:
        return make(Kind::Problem, tr("The unit's answer to \"%1\" (command %2 of %3) could not be read: the line may "
                                      "be noisy. The upload stopped there; check the cable and upload again.")
                                       .arg(outcome.label)
                                       .arg(outcome.command)
                                       .arg(outcome.total));
    case UKind::Stopped:
        // The operator asked for it: information, with what the unit now holds.
        if (outcome.readingBack)
            return make(Kind::Information, tr("The upload was stopped while its settings were read back; all %1 "
                                              "commands were acknowledged, nothing was verified.")
                                               .arg(outcome.total));
        return make(Kind::Information, tr("The upload was stopped with %1 of %2 commands acknowledged. %3.")
                                           .arg(outcome.acknowledged)
                                           .arg(outcome.total)
                                           .arg(outcome.unitHolds.isEmpty() ? tr("The unit holds everything that was sent")
                                                                            : outcome.unitHolds));
    }
    return {};
}

Message Texts::portLost(const session::PortLoss &loss)
{
    QString text = tr("The serial port closed: %1. The cable or USB adapter was probably unplugged.")
                       .arg(platform::SerialPort::lossInWords(loss.errorNumber, loss.description));
    if (loss.cut)
        text += QLatin1Char(' ') + tr("The upload stopped with %1 of its %2 commands acknowledged; it can go on from "
                                      "there when the unit is back.")
                                       .arg(loss.acknowledged)
                                       .arg(loss.total);
    return make(Kind::Problem, text, QString(),
                tr("Your settings are still in the editors. Reconnect the unit: NorvikConf opens the port again when "
                   "it returns, or press OPEN PORT."));
}

Message Texts::portNotOpen()
{
    return make(Kind::Problem, tr("The serial port is not open, so nothing was sent to the unit. Choose a working "
                                  "COMM PORT in the main window and press OPEN PORT."));
}

QString Texts::portOpenFailed(int errorNumber, const QString &description)
{
    return description.isEmpty() ? tr("The port cannot be opened (error %1).").arg(errorNumber)
                                 : tr("The port cannot be opened: %1 (error %2).").arg(description).arg(errorNumber);
}

Message Texts::overdue(int number, int total, const QString &label, int patienceMs)
{
    return make(Kind::Problem, tr("The unit has not answered \"%1\" (command %2 of %3) for %4 seconds. Check the "
                                  "cable, the COMM PORT and that the unit is switched on. The upload goes on when the "
                                  "unit answers; you can also start it again.")
                                   .arg(label)
                                   .arg(number)
                                   .arg(total)
                                   .arg(patienceMs / 1000));
}

Message Texts::lateAnswerIgnored()
{
    return make(Kind::Information, tr("The unit's answer came after reading the settings had failed; it was ignored "
                                      "(see the log) and nothing was changed."));
}

QString Texts::uploadQuestion() { return tr("This will replace the settings on the GSM unit, proceed?"); }

QString Texts::currentPasswordQuestion(const QString &newPassword)
{
    return tr("If you are changing the unit's password, type the password the unit has now.\nIt opens the password "
              "command; the rest of the upload uses the new password \"%1\".")
        .arg(newPassword);
}

QString Texts::currentPasswordTitle() { return tr("Unit's current password"); }

QString Texts::stoppedByOperator() { return tr("STOP: the upload ends after the command in flight"); }

} // namespace messages
