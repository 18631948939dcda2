#include "cli/unitjob.h"

#include "cli/report.h"
#include "link/outputtester.h"
#include "link/replycodes.h"
#include "platform/dialogs.h"
#include "platform/latin1.h"
#include "platform/qttimer.h"
#include "platform/serialport.h"
#include "transfer/dumpreader.h"
#include "transfer/settingsfile.h"
#include "transfer/upload.h"

#include <QJsonArray>

namespace cli {

namespace {

const QString kRecvPrefix = QStringLiteral("\r\nRECV: ");

// The link tells the windows' operator through message boxes; here the job words every
// outcome itself, so the boxes go nowhere.
class SilentDialogs : public platform::Dialogs {
public:
    void message(const QString &, Icon, const QString &) override {}
    bool askYesNo(const QString &, Icon, const QString &) override { return false; }
    QString openFileName(const QString &, const QString &) override { return {}; }
    QString saveFileName(const QString &, const QString &) override { return {}; }
};
SilentDialogs silentDialogs;

QString seconds(int ms) { return QString::number(ms / 1000.0, 'g', 3); }

} // namespace

UnitJob::UnitJob(platform::SerialPort &port, Reporter &report, Patience patience, QObject *parent)
    : QObject(parent), port_(port), report_(report), patience_(patience),
      tmrCheckGSM_(std::make_unique<platform::QtTimer>()), dumpDeadline_(std::make_unique<platform::QtTimer>())
{
    link_ = std::make_unique<unitlink::UnitLink>(port_, *tmrCheckGSM_, silentDialogs,
                                                 static_cast<unitlink::LinkHost &>(*this));
    reader_ = std::make_unique<transfer::DumpReader>(*link_, *tmrCheckGSM_, *dumpDeadline_, silentDialogs,
                                                     [](const QString &) {});
    connect(link_.get(), &unitlink::UnitLink::chainStateChanged, this, &UnitJob::onChainState);
    // After the link's own handler: an upload then already stands as aborted.
    connect(&port_, &platform::SerialPort::lost, this, &UnitJob::onPortLost);
    overdue_.setSingleShot(true);
    connect(&overdue_, &QTimer::timeout, this, &UnitJob::onOverdue);
}

UnitJob::~UnitJob() = default;

QString UnitJob::commandText(int entry) const
{
    const unitlink::QueueEntry &e = link_->cmd_queue().at(entry);
    return e.word + e.value;
}

QString UnitJob::position() const
{
    return QStringLiteral("%1 of %2 commands acknowledged").arg(value_).arg(maximum_);
}

void UnitJob::startUpload(const settings::SettingsSet &set, const QString &model, const QString &password,
                          bool verify)
{
    const QString unsendable = transfer::unsendable_value(set, model);
    if (!unsendable.isEmpty()) {
        finish(kBadFile, QStringLiteral("upload: ") + unsendable);
        return;
    }
    const QList<transfer::UploadCommand> commands = transfer::upload_commands(set, model);
    result_[QStringLiteral("commands")] = int(commands.size());
    // The unit's list is cleared before the numbers go out: never start what cannot end.
    if (commands.size() > transfer::kMaxUploadCommands) {
        finish(kBadFile, QStringLiteral("The upload needs %1 commands but at most %2 can be sent in one upload. "
                                        "Remove %3 numbers from the file. Nothing was sent.")
                             .arg(commands.size())
                             .arg(transfer::kMaxUploadCommands)
                             .arg(commands.size() - transfer::kMaxUploadCommands));
        return;
    }
    // What will be replaced is the operator's own choice here; only the summary's warnings are news.
    for (const QString &line : transfer::upload_summary(set, model).split(QLatin1Char('\n')).mid(1))
        report_.info(QStringLiteral("upload: ") + line);
    phase_ = Phase::Upload;
    verify_ = verify;
    sent_ = {set, transfer::uploaded_parts(commands)};
    model_ = model;
    password_ = password;
    newPassword_ = set.password;
    if (!transfer::start_upload(*link_, commands)) {
        finish(kPortFailed, QStringLiteral("upload: nothing could be written to the port: %1")
                                .arg(port_.errorDescription()));
        return;
    }
    overdue_.start(patience_.replyMs);
}

void UnitJob::setProgress(int value, int maximum)
{
    value_ = value;
    maximum_ = maximum;
    if (value <= 0)
        return;
    // Entry 0 is "SYS PASS": once the unit took it, it holds the new password.
    password_ = newPassword_;
    report_.step(QStringLiteral("upload: %1/%2 %3").arg(value).arg(maximum).arg(commandText(value - 1)), value,
                 maximum);
    overdue_.start(patience_.replyMs);
}

void UnitJob::appendLog(const QString &text)
{
    if (!text.startsWith(kRecvPrefix))
        return;
    lastReply_ = text.mid(kRecvPrefix.size());
    lastCodes_ = unitlink::read_reply_codes(lastReply_);
    // How often the unit gave each code: a 1000-command upload stays readable.
    QJsonObject codes = result_.value(QStringLiteral("codes")).toObject();
    for (const qint16 c : std::as_const(lastCodes_)) {
        const QString key = QString::number(c);
        codes[key] = codes.value(key).toInt() + 1;
    }
    result_[QStringLiteral("codes")] = codes;
    // The link acts on the reply after logging it: judge it once it has.
    if (phase_ == Phase::Stopping || phase_ == Phase::Output)
        QTimer::singleShot(0, this, &UnitJob::onReplyRead);
}

void UnitJob::setOutputColour(int output, quint32 colourBgr)
{
    if (output == output_)
        outputReported_ = colourBgr == unitlink::kColourGreen ? 1 : 0;
}

void UnitJob::onChainState(unitlink::UnitLink::ChainState state)
{
    using State = unitlink::UnitLink::ChainState;
    if (phase_ != Phase::Upload)
        return;
    result_[QStringLiteral("acknowledged")] = value_;
    switch (state) {
    case State::Completed:
        overdue_.stop();
        if (!verify_) {
            finish(kDone, QStringLiteral("upload: done, all %1 commands acknowledged").arg(maximum_));
            return;
        }
        report_.info(QStringLiteral("upload: all %1 commands acknowledged; reading the settings back").arg(maximum_));
        requestDump(password_);
        return;
    case State::Unacknowledged:
        overdue_.stop();
        // The link names the refusal once it has told about it, after this signal.
        QTimer::singleShot(0, this, &UnitJob::onRefused);
        return;
    case State::Aborted:
        onPortLost(port_.errorNumber(), port_.errorDescription());
        return;
    case State::Idle:
    case State::Running:
        return;
    }
}

void UnitJob::onRefused()
{
    if (phase_ != Phase::Upload || link_->chain_state() != unitlink::UnitLink::ChainState::Unacknowledged)
        return;
    const unitlink::Refusal &refusal = link_->last_refusal();
    QJsonArray codes;
    for (const qint16 c : refusal.codes)
        codes.append(c);
    result_[QStringLiteral("refused")] = QJsonObject{{QStringLiteral("label"), refusal.label},
                                                     {QStringLiteral("command"), commandText(refusal.command - 1)},
                                                     {QStringLiteral("position"), refusal.command},
                                                     {QStringLiteral("codes"), codes},
                                                     {QStringLiteral("numbersKept"), refusal.numbersKept}};
    if (refusal.codes.contains(unitlink::kWrongPasswordCode)) {
        finish(kWrongPassword, QStringLiteral("upload: Incorrect GSM unit password: the unit refused \"%1\" "
                                              "(command %2 of %3). Give the unit's password with --password.")
                                   .arg(refusal.label)
                                   .arg(refusal.command)
                                   .arg(refusal.total));
        return;
    }
    finish(kRefused, QStringLiteral("upload: ") + unitlink::refusal_text(refusal));
}

void UnitJob::startOutput(int output, bool on, const QString &password)
{
    phase_ = Phase::Output;
    output_ = output;
    outputOn_ = on;
    password_ = password;
    link_->set_link_mode(unitlink::kModeUpload);
    const QString command = unitlink::OutputTester::commandText(output, on);
    result_[QStringLiteral("output")] = output;
    if (!link_->write_command(platform::toWire(QLatin1Char('*') + password + command))) {
        finish(kPortFailed, QStringLiteral("output: nothing could be written to the port: %1")
                                .arg(port_.errorDescription()));
        return;
    }
    report_.info(QStringLiteral("output: sent%1").arg(command.chopped(1)));
    overdue_.start(patience_.replyMs);
}

void UnitJob::startDownload(const QString &path, const QString &model, const QString &password)
{
    downloadPath_ = path;
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
    if (!reader_->request(password, [this](const transfer::DumpOutcome &outcome) { onDump(outcome); }))
        finish(kPortFailed, QStringLiteral("%1: nothing could be written to the port: %2")
                                .arg(downloadPath_.isEmpty() ? QStringLiteral("verify") : QStringLiteral("download"),
                                     port_.errorDescription()));
}

void UnitJob::onDump(const transfer::DumpOutcome &outcome)
{
    using Status = transfer::DumpOutcome::Status;
    const QString step = downloadPath_.isEmpty() ? QStringLiteral("verify: ") : QStringLiteral("download: ");
    switch (outcome.status) {
    case Status::Received:
        downloadPath_.isEmpty() ? judgeVerification(outcome) : writeDownload(outcome);
        return;
    case Status::WrongPassword:
        finish(kWrongPassword,
               step + outcome.reason() + QStringLiteral(". Give the unit's password with --password."));
        return;
    case Status::LineLost:
        onPortLost(port_.errorNumber(), port_.errorDescription());
        return;
    case Status::NoAnswer:
    case Status::Incomplete:
    case Status::TooLarge:
    case Status::TooSlow:
    case Status::Interrupted:
        finish(kNoAnswer, step + outcome.reason());
        return;
    }
}

void UnitJob::writeDownload(const transfer::DumpOutcome &outcome)
{
    const settings::SettingsSet set = transfer::read_unit_dump(outcome.records).settings;
    QString error;
    if (!transfer::write_settings_file(downloadPath_, set, model_, &error)) {
        finish(kBadFile, QStringLiteral("download: the settings were not saved. %1").arg(error));
        return;
    }
    result_[QStringLiteral("numbers")] = int(set.numbers.size());
    finish(kDone, QStringLiteral("download: the unit's settings, %1 numbers, saved in \"%2\"")
                      .arg(set.numbers.size())
                      .arg(downloadPath_));
}

void UnitJob::judgeVerification(const transfer::DumpOutcome &outcome)
{
    const transfer::Verification v =
        transfer::verify_upload(sent_.settings, model_, sent_.parts, transfer::read_unit_dump(outcome.records));
    QJsonArray differences;
    for (const transfer::Difference &d : v.differences)
        differences.append(QJsonObject{{QStringLiteral("field"), d.field},
                                       {QStringLiteral("sent"), d.sent},
                                       {QStringLiteral("found"), d.found}});
    result_[QStringLiteral("matches")] = v.matches;
    result_[QStringLiteral("differences")] = differences;
    result_[QStringLiteral("notVerifiable")] = QJsonArray::fromStringList(v.notVerifiable);
    // One line each, so that a script can grep them.
    const QString text = QStringLiteral("verify: ")
                         + transfer::verification_text(v).replace(QLatin1Char('\n'), QStringLiteral("\nverify: "));
    finish(v.ok() ? kDone : kDifferences, text);
}

void UnitJob::onReplyRead()
{
    if (phase_ == Phase::Stopping) {
        if (link_->accepted())
            ++value_;
        result_[QStringLiteral("acknowledged")] = value_;
        finish(kInterrupted, QStringLiteral("upload: stopped by Ctrl-C; %1.").arg(position()));
        return;
    }
    if (phase_ != Phase::Output)
        return;
    overdue_.stop();
    if (lastCodes_.contains(unitlink::kWrongPasswordCode)) {
        finish(kWrongPassword, QStringLiteral("output: Incorrect GSM unit password. Give the unit's password with "
                                              "--password."));
        return;
    }
    if (outputReported_ < 0) {
        finish(kRefused, QStringLiteral("output: the unit did not report output %1 (reply \"%2\").")
                             .arg(output_)
                             .arg(lastReply_.trimmed()));
        return;
    }
    const bool on = outputReported_ == 1;
    result_[QStringLiteral("state")] = on ? QStringLiteral("on") : QStringLiteral("off");
    finish(on == outputOn_ ? kDone : kRefused,
           QStringLiteral("output: output %1 is %2").arg(output_).arg(on ? QStringLiteral("on") : QStringLiteral("off")));
}

void UnitJob::interrupt()
{
    if (phase_ == Phase::Upload && link_->chain_state() == unitlink::UnitLink::ChainState::Running) {
        // Emptying the queue leaves the link nothing to send when the reply in flight comes.
        phase_ = Phase::Stopping;
        link_->clear_queue();
        report_.info(QStringLiteral("upload: stopping after the command in flight (command %1 of %2)")
                         .arg(value_ + 1)
                         .arg(maximum_));
        return;
    }
    finish(kInterrupted, phase_ == Phase::Stopping
                             ? QStringLiteral("upload: stopped by Ctrl-C before the unit answered; %1.").arg(position())
                             : QStringLiteral("Stopped by Ctrl-C."));
}

void UnitJob::onPortLost(int errorNumber, const QString &description)
{
    const QString where = phase_ == Phase::Upload || phase_ == Phase::Stopping
                              ? QStringLiteral(" at command %1 of %2; %3").arg(value_ + 1).arg(maximum_).arg(position())
                              : QString();
    finish(kPortFailed, QStringLiteral("The serial port closed: %1%2. Check the cable or USB adapter, reconnect the "
                                       "unit and start again.")
                            .arg(platform::SerialPort::lossInWords(errorNumber, description), where));
}

void UnitJob::onOverdue()
{
    switch (phase_) {
    case Phase::Upload:
        finish(kNoAnswer, QStringLiteral("upload: the unit did not answer \"%1\" (command %2 of %3) within %4 s; "
                                         "%5. Check the cable, the port and that the unit is switched on.")
                              .arg(link_->cmd_queue().at(value_).label)
                              .arg(value_ + 1)
                              .arg(maximum_)
                              .arg(seconds(patience_.replyMs), position()));
        return;
    case Phase::Stopping:
        finish(kInterrupted, QStringLiteral("upload: stopped by Ctrl-C; the unit did not answer the command in "
                                            "flight within %1 s; %2.")
                                 .arg(seconds(patience_.replyMs), position()));
        return;
    case Phase::Output:
        finish(kNoAnswer, QStringLiteral("output: the unit did not answer within %1 s. Check the cable, the port "
                                         "and that the unit is switched on.")
                              .arg(seconds(patience_.replyMs)));
        return;
    case Phase::Dump: // the reader keeps its own time
    case Phase::Idle:
    case Phase::Finished:
        return;
    }
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
