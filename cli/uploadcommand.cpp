// upload and sync: send a file's settings, the shortest safe way when what the unit holds is
// known (sync reads it first), and optionally read them back.
#include "cli/commands.h"
#include "cli/report.h"
#include "cli/unitcommand.h"
#include "compare/wrongunit.h"
#include "link/replycodes.h"
#include "link/wire.h"
#include "messages/messages.h"
#include "platform/qtserialport.h"
#include "platform/qttimer.h"
#include "session/unitsession.h"
#include "transfer/settingsfile.h"
#include "transfer/upload.h"
#include "transfer/uploadjob.h"

#include <QJsonArray>

namespace cli {

namespace {

QJsonArray codesJson(const QList<qint16> &codes)
{
    QJsonArray out;
    for (const qint16 c : codes)
        out.append(QJsonObject{{QStringLiteral("code"), c}, {QStringLiteral("meaning"), unitlink::code_meaning(c)}});
    return out;
}

int exitCodeOf(const transfer::UploadOutcome &o)
{
    using Kind = transfer::UploadOutcome::Kind;
    switch (o.kind) {
    case Kind::Done: return kDone;
    case Kind::Differences:
    case Kind::NotResumed: return kDifferences;
    case Kind::Unsendable: return kBadFile;
    case Kind::PortClosed:
    case Kind::PortLost: return kPortFailed;
    case Kind::Refused: return kRefused;
    case Kind::WrongPassword: return kWrongPassword;
    case Kind::NoAnswer:
    case Kind::Unreadable: return kNoAnswer;
    case Kind::Stopped: return kInterrupted;
    }
    return kNoAnswer;
}

class UploadCommand : public UnitCommand {
public:
    UploadCommand(session::UnitSession &session, Reporter &report, Result &result, const settings::SettingsSet &set,
                  const Password &password, const Request &request, const UploadWatch &watch = {})
        : UnitCommand(session, report, result), set_(set), password_(password), request_(request), watch_(watch)
    {
        using session::UnitSession;
        connect(&session_, &UnitSession::acknowledged, this, [this](int done, int total) {
            const transfer::UploadCommand &c = session_.currentPlan().commands.at(done - 1);
            report_.step(tr("upload: %1/%2 %3").arg(done).arg(total).arg(unitlink::wire::shown_command(c.word, c.value)),
                         done, total);
        });
        connect(&session_, &UnitSession::verifying, this, [this] {
            report_.info(tr("upload: all %1 commands acknowledged; reading the settings back")
                             .arg(session_.currentPlan().commands.size()));
        });
        connect(&session_, &UnitSession::uploadDone, this, &UploadCommand::onDone);
        connect(&session_, &UnitSession::readDone, this, &UploadCommand::onRead);
    }

    void start() override
    {
        if (request_.command != QLatin1String("sync")) {
            send();
            return;
        }
        report_.info(tr("sync: reading what the unit holds"));
        if (!session_.read(password_.text, transfer::expected_dump_bytes(set_)))
            finish(kPortFailed, tr("sync: nothing could be written to the port: %1").arg(session_.errorDescription()));
    }

    void interrupt() override
    {
        if (!session_.uploading()) {
            UnitCommand::interrupt();
            return;
        }
        if (!std::exchange(stopping_, true))
            report_.info(tr("upload: stopping after the command in flight"));
        session_.stop();
    }

private:
    void onRead(const session::ReadOutcome &outcome)
    {
        if (outcome.unit) {
            if (watch_.unitRead)
                watch_.unitRead(outcome.dump.records);
            send(); // the session now knows what the unit holds
            return;
        }
        const messages::Message m = messages::Texts::read(outcome);
        if (outcome.dump.status == transfer::DumpOutcome::Status::WrongPassword)
            finish(kWrongPassword, tr("sync: ") + m.text + QLatin1Char(' ') + password_hint(password_.source));
        else if (outcome.dump.status == transfer::DumpOutcome::Status::LineLost)
            finish(kPortFailed, tr("sync: the serial port closed while the unit's settings were read."));
        else
            finish(outcome.dump.status == transfer::DumpOutcome::Status::Stopped ? kInterrupted : kNoAnswer,
                   stepLines(tr("sync: "), m));
    }

    void send()
    {
        transfer::UploadChoices choices;
        choices.model = session_.model();
        // A unit whose settings are known is opened with its own password.
        choices.password = session_.held() ? QString() : password_.text;
        choices.verify = request_.verify || request_.command == QLatin1String("sync");
        choices.giveUpOnSilence = true;
        choices.numbersOnly = request_.only == QLatin1String("numbers");
        const session::PreparedUpload prepared = session_.prepare(set_, choices);
        result_.json[QStringLiteral("commands")] = prepared.plan.wholeCommands;
        result_.json[QStringLiteral("plan")] = planJson(prepared.plan);
        // Clearing the list of another site's unit is the operator's explicit choice.
        if (const auto wrong = compare::wrong_unit(session_.held(), set_);
            wrong && prepared.plan.clearAt >= 0 && !request_.force) {
            finish(kWrongUnit, tr("upload: %1. Nothing was sent; give --force to upload anyway.")
                                   .arg(compare::wrong_unit_text(*wrong)));
            return;
        }
        // What will be replaced is the operator's own choice here; only the summary's warnings are news.
        if (prepared.problem.isEmpty()) {
            for (const QString &line : transfer::upload_summary(set_, session_.model()).split(QLatin1Char('\n')).mid(1))
                report_.info(tr("upload: ") + line);
            // The plan is news when something was known to choose it by, or when it is all there is.
            if (prepared.unitKnown || request_.dryRun)
                report_.info(tr("upload: ") + prepared.plan.summary);
            if (prepared.plan.kind == transfer::UploadPlan::Kind::Full && prepared.unitKnown)
                report_.info(tr("upload: ") + prepared.plan.reason);
        }
        if (request_.dryRun) {
            // The same limit as the real upload, whatever the plan would send.
            if (!prepared.problem.isEmpty())
                finish(kBadFile, tr("upload: ") + prepared.problem);
            finish(kDone, tr("upload: dry run, nothing was sent"));
            return;
        }
        session_.upload(prepared);
    }

    void onDone(const transfer::UploadOutcome &o)
    {
        using Kind = transfer::UploadOutcome::Kind;
        if (watch_.ended)
            watch_.ended(o);
        result_.json[QStringLiteral("acknowledged")] = o.acknowledged;
        QJsonArray sent;
        for (int i = 0; i < o.acknowledged && i < o.plan.commands.size(); ++i)
            sent.append(unitlink::wire::shown_command(o.plan.commands.at(i).word, o.plan.commands.at(i).value));
        result_.json[QStringLiteral("sent")] = sent;
        if (o.kind == Kind::Refused || (o.kind == Kind::WrongPassword && !o.readingBack)) {
            const unitlink::Refusal &r = o.refusal;
            result_.json[QStringLiteral("refused")] = QJsonObject{{QStringLiteral("label"), r.label},
                                                                  {QStringLiteral("command"), r.shown},
                                                                  {QStringLiteral("position"), r.command},
                                                                  {QStringLiteral("codes"), codesJson(r.codes)},
                                                                  {QStringLiteral("numbersKept"), r.numbersKept}};
        }
        if (o.verification)
            addVerificationJson(result_.json, *o.verification);
        const messages::Message m = messages::Texts::upload(o);
        const bool readBack = o.readingBack || o.verification;
        QString text = stepLines(readBack ? tr("verify: ") : tr("upload: "), m);
        if (o.kind == Kind::WrongPassword)
            text += QLatin1Char(' ') + password_hint(password_.source);
        finish(exitCodeOf(o), text);
    }

    settings::SettingsSet set_;
    Password password_;
    Request request_;
    UploadWatch watch_;
    bool stopping_ = false;
};

} // namespace

int runUpload(const Request &request, Reporter &report)
{
    Result result(request);
    settings::SettingsSet set;
    QString error;
    if (!transfer::read_settings_file(request.arguments.first(), set, &error))
        return result.finish(report, kBadFile, error);
    // The same choices as the window's boxes, so one file gives the same commands from both.
    set.uploadSystem = request.systemParameters;
    set.uploadTelephone = !request.noNumbers && request.only != QLatin1String("settings");
    std::optional<settings::SettingsSet> base;
    if (request.since) {
        base.emplace();
        if (!transfer::read_settings_file(*request.since, *base, &error))
            return result.finish(report, kBadFile, UploadCommand::tr("--since: ") + error);
    }
    // Without a port: the plan of an upload from what the operator says the unit holds.
    const bool planOnly = !request.port && request.dryRun;
    Password password;
    if (!planOnly) {
        // With --since the unit holds BASE, password included.
        password = password_for(request, report, base ? base->password : set.password);
        if (!password.error.isEmpty())
            return result.finish(report, kUsage, password.error);
    }
    if (transfer::system_options_kept(set, request.model))
        report.info(UploadCommand::tr("upload: the file holds no system options; the unit keeps its own"));
    const auto make = [&](session::UnitSession &session) -> std::unique_ptr<UnitCommand> {
        if (base)
            session.assumeHeld(*base);
        return std::make_unique<UploadCommand>(session, report, result, set, password, request);
    };
    if (!planOnly)
        return run_on_unit(request, report, result, make);
    // The plan needs no unit: a session on a port that is never opened makes it.
    platform::QtSerialPort closed;
    session::UnitSession session(
        closed, [] { return std::make_unique<platform::QtTimer>(); }, request.model);
    const std::unique_ptr<UnitCommand> command = make(session);
    command->start();
    return result.finish(report, command->exitCode(), QString());
}

int upload_set(const Request &request, Reporter &report, Result &result, const settings::SettingsSet &set,
               const Password &password, const UploadWatch &watch)
{
    return run_on_unit(request, report, result, [&](session::UnitSession &session) {
        return std::make_unique<UploadCommand>(session, report, result, set, password, request, watch);
    });
}

} // namespace cli
