// download and verify: read the unit's settings into a new file, or compare them with a file.
#include "cli/commands.h"
#include "cli/report.h"
#include "cli/unitcommand.h"
#include "messages/messages.h"
#include "platform/serialport.h"
#include "session/unitsession.h"
#include "transfer/settingsfile.h"
#include "transfer/upload.h"
#include "transfer/uploadplan.h"
#include "transfer/verify.h"

#include <QFileInfo>
#include <QJsonArray>

namespace cli {

namespace {

// Asks for the unit's settings and hands a complete read to `received`; every other end is
// told here.
class ReadCommand : public UnitCommand {
public:
    ReadCommand(session::UnitSession &session, Reporter &report, Result &result, const Password &password,
                const QString &step, qint64 expectedBytes)
        : UnitCommand(session, report, result), step_(step), password_(password), expected_(expectedBytes)
    {
        connect(&session_, &session::UnitSession::readDone, this, &ReadCommand::onRead);
    }
    void start() override
    {
        if (!session_.read(password_.text, expected_))
            finish(kPortFailed,
                   step_ + tr("nothing could be written to the port: %1").arg(session_.errorDescription()));
    }

protected:
    virtual void received(const settings::SettingsSet &unit, const QString &records) = 0;
    const QString step_;

private:
    void onRead(const session::ReadOutcome &outcome)
    {
        using Status = transfer::DumpOutcome::Status;
        if (outcome.unit) {
            received(*outcome.unit, outcome.dump.records);
            return;
        }
        const messages::Message m = messages::Texts::read(outcome);
        switch (outcome.dump.status) {
        case Status::WrongPassword:
            finish(kWrongPassword, step_ + m.text + QStringLiteral(". ") + password_hint(password_.source));
            return;
        case Status::LineLost:
            finish(kPortFailed, tr("The serial port closed: %1. Check the cable or USB adapter, reconnect the unit "
                                   "and start again.")
                                    .arg(platform::SerialPort::lossInWords(session_.errorNumber(),
                                                                           session_.errorDescription())));
            return;
        case Status::Stopped: finish(kInterrupted, tr("Stopped by Ctrl-C.")); return;
        case Status::NoAnswer:
            finish(kNoAnswer, stepLines(step_, m) + QLatin1Char(' ')
                                  + tr("A unit slow to begin its answer needs a longer --timeout."));
            return;
        default: finish(kNoAnswer, stepLines(step_, m)); return;
        }
    }

    Password password_;
    qint64 expected_ = 0;
};

class DownloadCommand : public ReadCommand {
public:
    DownloadCommand(session::UnitSession &session, Reporter &report, Result &result, const Password &password,
                    const QString &path)
        : ReadCommand(session, report, result, password, tr("download: "), 0), path_(path)
    {
    }

private:
    void received(const settings::SettingsSet &unit, const QString &records) override
    {
        QString error;
        // The backup holds what the unit sent and nothing else.
        const transfer::UnitDump dump = transfer::read_unit_dump(records);
        if (!transfer::write_settings_file(path_, unit, session_.model(), &error,
                                           transfer::CarriedRecords{dump.tags, dump.marks})) {
            finish(kBadFile, step_ + tr("the settings were not saved. %1").arg(error));
            return;
        }
        result_.json[QStringLiteral("numbers")] = int(unit.numbers.size());
        finish(kDone, step_ + tr("the unit's settings, %1 numbers, saved in \"%2\"").arg(unit.numbers.size()).arg(path_));
    }
    QString path_;
};

class VerifyCommand : public ReadCommand {
public:
    VerifyCommand(session::UnitSession &session, Reporter &report, Result &result, const Password &password,
                  const settings::SettingsSet &set, const transfer::UploadedParts &parts)
        : ReadCommand(session, report, result, password, tr("verify: "), transfer::expected_dump_bytes(set)),
          set_(set), parts_(parts)
    {
    }

private:
    void received(const settings::SettingsSet &, const QString &records) override
    {
        const transfer::Verification v =
            transfer::verify_upload(set_, session_.model(), parts_, transfer::read_unit_dump(records));
        addVerificationJson(result_.json, v);
        finish(v.ok() ? kDone : kDifferences, step_ + messages::Texts::verification(v).replace(QLatin1Char('\n'), QLatin1Char('\n') + step_));
    }
    settings::SettingsSet set_;
    transfer::UploadedParts parts_;
};

// Keeps the unit's settings for a caller that compares them; no file is written.
class KeepCommand : public ReadCommand {
public:
    KeepCommand(session::UnitSession &session, Reporter &report, Result &result, const Password &password,
                const QString &step, settings::SettingsSet *out)
        : ReadCommand(session, report, result, password, step, 0), out_(out)
    {
    }

private:
    void received(const settings::SettingsSet &unit, const QString &) override
    {
        *out_ = unit;
        finish(kDone, step_ + tr("the unit's settings were read"));
    }
    settings::SettingsSet *out_;
};

} // namespace

int read_unit_settings(const Request &request, Reporter &report, const Password &password, const QString &step,
                       settings::SettingsSet *out, QString *message)
{
    Request quiet = request;
    quiet.json = false; // the caller prints the result
    Result result(quiet);
    const int code = run_on_unit(quiet, report, result, [&](session::UnitSession &session) {
        return std::make_unique<KeepCommand>(session, report, result, password, step, out);
    });
    *message = result.json.value(QStringLiteral("message")).toString();
    return code;
}

int runDownload(const Request &request, Reporter &report)
{
    Result result(request);
    const QString path = request.arguments.first();
    // Before the unit is asked anything: a file already there may be another site's only copy.
    if (!request.force && QFileInfo::exists(path))
        return result.finish(report, kBadFile,
                             DownloadCommand::tr("download: \"%1\" already exists and was left as it is; give --force to "
                                                 "replace it.")
                                 .arg(path));
    const Password password = password_for(request, report, std::nullopt);
    if (!password.error.isEmpty())
        return result.finish(report, kUsage, password.error);
    return run_on_unit(request, report, result, [&](session::UnitSession &session) {
        return std::make_unique<DownloadCommand>(session, report, result, password, path);
    });
}

int runVerify(const Request &request, Reporter &report)
{
    Result result(request);
    settings::SettingsSet set;
    QString error;
    if (!transfer::read_settings_file(request.arguments.first(), set, &error))
        return result.finish(report, kBadFile, error);
    set.uploadSystem = request.systemParameters;
    set.uploadTelephone = !request.noNumbers;
    const Password password = password_for(request, report, set.password);
    if (!password.error.isEmpty())
        return result.finish(report, kUsage, password.error);
    // What an upload of the file would leave on the unit.
    transfer::PlanChoices how;
    how.unitModel = request.model;
    const transfer::UploadedParts parts = transfer::plan_upload(std::nullopt, set, how).parts;
    return run_on_unit(request, report, result, [&](session::UnitSession &session) {
        return std::make_unique<VerifyCommand>(session, report, result, password, set, parts);
    });
}

} // namespace cli
