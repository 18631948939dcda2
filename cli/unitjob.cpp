#include "cli/unitjob.h"

#include "cli/report.h"
#include "compare/wrongunit.h"
#include "link/replycodes.h"
#include "link/wire.h"
#include "platform/qttimer.h"
#include "platform/serialport.h"
#include "transfer/settingsfile.h"
#include "transfer/upload.h"

#include <QJsonArray>

#include <cmath>
#include <utility>

namespace cli {

namespace {

QString seconds(int ms) { return QString::number(ms / 1000.0, 'g', 3); }

QJsonArray codesJson(const QList<qint16> &codes)
{
    QJsonArray out;
    for (const qint16 c : codes)
        out.append(QJsonObject{{QStringLiteral("code"), c}, {QStringLiteral("meaning"), unitlink::code_meaning(c)}});
    return out;
}

QString position(const transfer::UploadOutcome &o)
{
    return QStringLiteral("%1 of %2 commands acknowledged").arg(o.acknowledged).arg(o.total);
}

} // namespace

UnitJob::UnitJob(platform::SerialPort &port, Reporter &report, Patience patience, QObject *parent)
    : QObject(parent), port_(port), report_(report), patience_(patience),
      quiet_(std::make_unique<platform::QtTimer>()), dumpDeadline_(std::make_unique<platform::QtTimer>()),
      replyTimer_(std::make_unique<platform::QtTimer>())
{
    link_ = std::make_unique<unitlink::UnitLink>(port_);
    link_->setReplyTimer(replyTimer_.get(), patience_.replyMs);
    reader_ = std::make_unique<transfer::DumpReader>(*link_, *quiet_, *dumpDeadline_, [](const QString &) {});
    upload_ = std::make_unique<transfer::UploadJob>(*link_, *reader_);
    connect(link_.get(), &unitlink::UnitLink::replyReceived, this, &UnitJob::onReply);
    connect(link_.get(), &unitlink::UnitLink::acknowledged, this, [this](int done, int total) {
        const unitlink::QueueEntry &e = link_->cmd_queue().at(done - 1);
        report_.step(QStringLiteral("upload: %1/%2 %3").arg(done).arg(total).arg(unitlink::wire::shown_command(e.word, e.value)),
                     done, total);
    });
    connect(link_.get(), &unitlink::UnitLink::portLost, this,
            [this](int errorNumber, const QString &description) { onPortLost(errorNumber, description); });
    connect(upload_.get(), &transfer::UploadJob::verifying, this, [this] {
        report_.info(QStringLiteral("upload: all %1 commands acknowledged; reading the settings back").arg(link_->cmd_count()));
    });
    connect(upload_.get(), &transfer::UploadJob::finished, this, &UnitJob::onUploadFinished);
    overdue_.setSingleShot(true);
    connect(&overdue_, &QTimer::timeout, this, [this] {
        finish(kNoAnswer, QStringLiteral("output: the unit did not answer within %1 s. Check the cable, the port "
                                         "and that the unit is switched on.")
                              .arg(seconds(patience_.replyMs)));
    });
}

UnitJob::~UnitJob() = default;

QJsonObject UnitJob::result() const
{
    QJsonObject out = result_;
    QJsonArray codes;
    for (auto it = codes_.cbegin(); it != codes_.cend(); ++it)
        codes.append(QJsonObject{{QStringLiteral("code"), it.key()},
                                 {QStringLiteral("meaning"), unitlink::code_meaning(it.key())},
                                 {QStringLiteral("count"), it.value()}});
    if (!codes.isEmpty())
        out[QStringLiteral("codes")] = codes;
    return out;
}

QJsonObject UnitJob::planJson(const transfer::UploadPlan &plan)
{
    QJsonArray commands;
    for (const transfer::UploadCommand &c : plan.commands)
        commands.append(unitlink::wire::shown_command(c.word, c.value));
    return QJsonObject{
        {QStringLiteral("kind"), plan.kind == transfer::UploadPlan::Kind::Full ? QStringLiteral("full")
                                                                               : QStringLiteral("shortest")},
        {QStringLiteral("summary"), plan.summary},
        {QStringLiteral("reason"), plan.reason},
        {QStringLiteral("commands"), commands},
        {QStringLiteral("bytesOut"), plan.bytesOut},
        {QStringLiteral("bytesIn"), plan.bytesIn},
        {QStringLiteral("seconds"), std::round(plan.seconds * 10) / 10},
        {QStringLiteral("numbersSent"), plan.numbersSent},
        {QStringLiteral("numbersKept"), plan.numbersKept},
    };
}

void UnitJob::startUpload(const settings::SettingsSet &set, const QString &model, const QString &password, bool verify,
                          const PlanFrom &from)
{
    phase_ = Phase::Upload;
    model_ = model;
    from_ = from;
    sent_.settings = set;
    result_[QStringLiteral("commands")] = int(transfer::upload_commands(set, model).size());
    choices_ = {};
    choices_.model = model;
    // A unit whose settings are known is opened with its own password.
    choices_.password = from.readFirst || from.held ? QString() : password;
    choices_.verify = verify;
    choices_.giveUpOnSilence = true;
    choices_.numbersOnly = from.numbersOnly;
    if (from.held)
        upload_->setHeld(from.held);
    if (from.readFirst) {
        syncing_ = true;
        report_.info(QStringLiteral("sync: reading what the unit holds"));
        requestDump(password);
        return;
    }
    sendPlanned();
}

void UnitJob::sendPlanned()
{
    const settings::SettingsSet &set = sent_.settings;
    phase_ = Phase::Upload;
    const transfer::UploadPlan plan = upload_->plan(set, choices_);
    result_[QStringLiteral("plan")] = planJson(plan);
    if (const auto wrong = compare::wrong_unit(upload_->held(), set); wrong && plan.clearAt >= 0 && !from_.force) {
        finish(kWrongUnit, QStringLiteral("upload: %1. Nothing was sent; give --force to upload anyway.")
                               .arg(compare::wrong_unit_text(*wrong)));
        return;
    }
    // What will be replaced is the operator's own choice here; only the summary's warnings are news.
    if (transfer::UploadJob::problem(set, model_).isEmpty()) {
        for (const QString &line : transfer::upload_summary(set, model_).split(QLatin1Char('\n')).mid(1))
            report_.info(QStringLiteral("upload: ") + line);
        // The plan is news when something was known to choose it by, or when it is all there is.
        if (upload_->held() || from_.dryRun)
            report_.info(QStringLiteral("upload: ") + plan.summary);
        if (plan.kind == transfer::UploadPlan::Kind::Full && upload_->held())
            report_.info(QStringLiteral("upload: ") + plan.reason);
    }
    if (from_.dryRun) {
        // The same limit as the real upload, whatever the plan would send.
        if (const QString why = transfer::UploadJob::problem(set, model_); !why.isEmpty()) {
            finish(kBadFile, QStringLiteral("upload: ") + why);
            return;
        }
        finish(kDone, QStringLiteral("upload: dry run, nothing was sent"));
        return;
    }
    upload_->start(set, choices_);
}

void UnitJob::onUploadFinished(const transfer::UploadOutcome &o)
{
    using Kind = transfer::UploadOutcome::Kind;
    result_[QStringLiteral("acknowledged")] = o.acknowledged;
    QJsonArray sent;
    const QList<transfer::UploadCommand> &planned = upload_->currentPlan().commands;
    for (int i = 0; i < o.acknowledged && i < planned.size(); ++i)
        sent.append(unitlink::wire::shown_command(planned.at(i).word, planned.at(i).value));
    result_[QStringLiteral("sent")] = sent;
    emit uploadEnded(o, upload_->currentPlan());
    if (o.kind == Kind::Refused || (o.kind == Kind::WrongPassword && !o.readingBack)) {
        const unitlink::Refusal &r = o.refusal;
        result_[QStringLiteral("refused")] = QJsonObject{{QStringLiteral("label"), r.label},
                                                         {QStringLiteral("command"), r.shown},
                                                         {QStringLiteral("position"), r.command},
                                                         {QStringLiteral("codes"), codesJson(r.codes)},
                                                         {QStringLiteral("numbersKept"), r.numbersKept}};
    }
    if (o.verification) {
        judge(*o.verification, QStringLiteral("verify: "));
        return;
    }
    const QString readBack = QStringLiteral("verify: ") + o.reason;
    switch (o.kind) {
    case Kind::Done:
        finish(kDone, QStringLiteral("upload: done, all %1 commands acknowledged").arg(o.total));
        return;
    case Kind::Differences: // always carries its verification
        return;
    case Kind::Unsendable: finish(kBadFile, QStringLiteral("upload: ") + o.reason); return;
    case Kind::NotResumed: finish(kDifferences, QStringLiteral("upload: ") + o.reason); return;
    case Kind::PortClosed:
        finish(kPortFailed, QStringLiteral("upload: nothing could be written to the port: %1").arg(port_.errorDescription()));
        return;
    case Kind::Refused: finish(kRefused, QStringLiteral("upload: ") + transfer::refusal_text(o.refusal)); return;
    case Kind::WrongPassword:
        finish(kWrongPassword,
               (o.readingBack ? readBack
                              : QStringLiteral("upload: Incorrect GSM unit password: the unit refused \"%1\" (command %2 of %3)")
                                    .arg(o.refusal.label)
                                    .arg(o.refusal.command)
                                    .arg(o.refusal.total))
                   + QStringLiteral(". Give the unit's password with --password."));
        return;
    case Kind::NoAnswer:
        finish(kNoAnswer, o.readingBack ? readBack
                                        : QStringLiteral("upload: the unit did not answer \"%1\" (command %2 of %3) "
                                                         "within %4 s; %5. Check the cable, the port and that the unit "
                                                         "is switched on.")
                                              .arg(o.label)
                                              .arg(o.command)
                                              .arg(o.total)
                                              .arg(seconds(patience_.replyMs), position(o)));
        return;
    case Kind::Unreadable:
        finish(kNoAnswer, QStringLiteral("upload: the unit's answer to \"%1\" (command %2 of %3) could not be read; "
                                         "the line may be noisy. %4.")
                              .arg(o.label)
                              .arg(o.command)
                              .arg(o.total)
                              .arg(position(o)));
        return;
    case Kind::PortLost:
        finish(kPortFailed, QStringLiteral("The serial port closed: %1 at command %2 of %3; %4. Check the cable or "
                                           "USB adapter, reconnect the unit and start again.")
                                    .arg(platform::SerialPort::lossInWords(port_.errorNumber(), port_.errorDescription()))
                                    .arg(o.acknowledged + 1)
                                    .arg(o.total)
                                    .arg(position(o))
                                + (o.unitHolds.isEmpty() ? QString() : QLatin1Char(' ') + o.unitHolds + QLatin1Char('.')));
        return;
    case Kind::Stopped:
        finish(kInterrupted, o.readingBack ? QStringLiteral("upload: stopped by Ctrl-C while reading the settings back; "
                                                            "all %1 commands were acknowledged, nothing was verified.")
                                                 .arg(o.total)
                                           : QStringLiteral("upload: stopped by Ctrl-C; %1. %2.")
                                                 .arg(position(o), o.unitHolds));
        return;
    }
}

void UnitJob::onReply(const QString &text, const QList<qint16> &codes)
{
    for (const qint16 c : codes)
        ++codes_[c];
    if (phase_ != Phase::Output)
        return;
    overdue_.stop();
    const unitlink::Reply reply = unitlink::read_reply(text);
    if (reply.wrongPassword) {
        finish(kWrongPassword, QStringLiteral("output: Incorrect GSM unit password. Give the unit's password with "
                                              "--password."));
        return;
    }
    for (const unitlink::OutputState &s : reply.outputs) {
        if (s.output != output_)
            continue;
        result_[QStringLiteral("state")] = s.on ? QStringLiteral("on") : QStringLiteral("off");
        finish(s.on == outputOn_ ? kDone : kRefused,
               QStringLiteral("output: output %1 is %2").arg(output_).arg(s.on ? QStringLiteral("on") : QStringLiteral("off")));
        return;
    }
    finish(kRefused, QStringLiteral("output: the unit did not report output %1 (reply \"%2\").").arg(output_).arg(text.trimmed()));
}

void UnitJob::startOutput(int output, bool on, const QString &password)
{
    phase_ = Phase::Output;
    output_ = output;
    outputOn_ = on;
    link_->set_link_mode(unitlink::kModeUpload);
    result_[QStringLiteral("output")] = output;
    if (!link_->write_command(unitlink::wire::bytes(unitlink::wire::output_text(password, output, on)))) {
        finish(kPortFailed, QStringLiteral("output: nothing could be written to the port: %1").arg(port_.errorDescription()));
        return;
    }
    report_.info(QStringLiteral("output: sent ") + unitlink::wire::output_command(output, on));
    overdue_.start(patience_.replyMs);
}

void UnitJob::startDownload(const QString &path, const QString &model, const QString &password)
{
    downloadPath_ = path;
    model_ = model;
    requestDump(password);
}

void UnitJob::startRead(const QString &model, const QString &password)
{
    reading_ = true;
    model_ = model;
    requestDump(password);
}

void UnitJob::startVerify(const settings::SettingsSet &set, const QString &model, const QString &password)
{
    sent_ = {set, transfer::uploaded_parts(transfer::upload_commands(set, model))};
    model_ = model;
    requestDump(password);
}

void UnitJob::requestDump(const QString &password)
{
    phase_ = Phase::Dump;
    reader_->setNoAnswerMs(patience_.firstByteMs);
    // A read-back or a sync expects about the list of the file; a download the longest list.
    const qint64 expected = downloadPath_.isEmpty() && !reading_ ? transfer::expected_dump_bytes(sent_.settings) : 0;
    if (!reader_->request(
            password, [this](const transfer::DumpOutcome &outcome) { onDump(outcome); }, expected))
        finish(kPortFailed, QStringLiteral("%1: nothing could be written to the port: %2")
                                .arg(downloadPath_.isEmpty() ? QStringLiteral("verify") : QStringLiteral("download"),
                                     port_.errorDescription()));
}

void UnitJob::onDump(const transfer::DumpOutcome &outcome)
{
    using Status = transfer::DumpOutcome::Status;
    const QString step = syncing_                  ? QStringLiteral("sync: ")
                         : reading_                ? QStringLiteral("diff: ")
                         : downloadPath_.isEmpty() ? QStringLiteral("verify: ")
                                                   : QStringLiteral("download: ");
    switch (outcome.status) {
    case Status::Received:
        if (reading_) {
            unitRead_ = transfer::read_unit_dump(outcome.records).settings;
            finish(kDone, QStringLiteral("diff: the unit's settings were read"));
        } else if (std::exchange(syncing_, false)) {
            emit unitRead(outcome.records);
            upload_->setHeld(transfer::read_unit_dump(outcome.records).settings);
            sendPlanned();
        } else if (downloadPath_.isEmpty())
            judge(transfer::verify_upload(sent_.settings, model_, sent_.parts, transfer::read_unit_dump(outcome.records)),
                  step);
        else
            writeDownload(outcome);
        return;
    case Status::WrongPassword:
        finish(kWrongPassword, step + outcome.reason() + QStringLiteral(". Give the unit's password with --password."));
        return;
    case Status::LineLost: onPortLost(port_.errorNumber(), port_.errorDescription()); return;
    case Status::NoAnswer:
        finish(kNoAnswer, step + outcome.reason() + QStringLiteral(" A unit slow to begin its answer needs a longer --timeout."));
        return;
    case Status::Incomplete:
    case Status::TooLarge:
    case Status::Interrupted: finish(kNoAnswer, step + outcome.reason()); return;
    case Status::Stopped: finish(kInterrupted, QStringLiteral("Stopped by Ctrl-C.")); return;
    }
}

void UnitJob::writeDownload(const transfer::DumpOutcome &outcome)
{
    const transfer::UnitDump dump = transfer::read_unit_dump(outcome.records);
    const settings::SettingsSet &set = dump.settings;
    QString error;
    // The backup holds what the unit sent and nothing else.
    if (!transfer::write_settings_file(downloadPath_, set, model_, &error, transfer::CarriedRecords{dump.tags, dump.marks})) {
        finish(kBadFile, QStringLiteral("download: the settings were not saved. %1").arg(error));
        return;
    }
    result_[QStringLiteral("numbers")] = int(set.numbers.size());
    finish(kDone, QStringLiteral("download: the unit's settings, %1 numbers, saved in \"%2\"")
                      .arg(set.numbers.size())
                      .arg(downloadPath_));
}

void UnitJob::judge(const transfer::Verification &v, const QString &step)
{
    QJsonArray differences;
    for (const transfer::Difference &d : v.differences)
        differences.append(QJsonObject{{QStringLiteral("field"), d.field},
                                       {QStringLiteral("sent"), d.sent},
                                       {QStringLiteral("found"), d.found}});
    result_[QStringLiteral("matches")] = v.matches;
    result_[QStringLiteral("differences")] = differences;
    result_[QStringLiteral("notVerifiable")] = QJsonArray::fromStringList(v.notVerifiable);
    // One line each, so that a script can grep them.
    const QString text = step + transfer::verification_text(v).replace(QLatin1Char('\n'), QStringLiteral("\n") + step);
    finish(v.ok() ? kDone : kDifferences, text);
}

void UnitJob::interrupt()
{
    if (phase_ == Phase::Upload && upload_->running()) {
        if (!std::exchange(stopping_, true))
            report_.info(QStringLiteral("upload: stopping after the command in flight (command %1 of %2)")
                             .arg(link_->acknowledged_count() + 1)
                             .arg(link_->cmd_count()));
        upload_->stop();
        return;
    }
    finish(kInterrupted, QStringLiteral("Stopped by Ctrl-C."));
}

void UnitJob::onPortLost(int errorNumber, const QString &description)
{
    // An upload tells its own loss, with how far it got.
    if (phase_ == Phase::Upload)
        return;
    finish(kPortFailed, QStringLiteral("The serial port closed: %1. Check the cable or USB adapter, reconnect the "
                                       "unit and start again.")
                            .arg(platform::SerialPort::lossInWords(errorNumber, description)));
}

void UnitJob::finish(int code, const QString &message)
{
    if (phase_ == Phase::Finished)
        return;
    phase_ = Phase::Finished;
    overdue_.stop();
    exitCode_ = code;
    result_[QStringLiteral("message")] = message;
    if (code == kDone)
        report_.info(message);
    else
        report_.error(message);
    port_.close();
    emit finished(code);
}

} // namespace cli
