#include "session/unitsession.h"

#include "link/outputtester.h"
#include "platform/serialport.h"
#include "platform/timer.h"
#include "transfer/verify.h"

namespace session {

namespace {
// A read-back: the dump at the line's speed, then the quiet second that ends it.
double readbackSeconds(const settings::SettingsSet &set)
{
    return double(transfer::expected_dump_bytes(set)) / transfer::kLineBytesPerSecond
           + transfer::DumpReader::kQuietMs / 1000.0;
}
} // namespace

UnitSession::UnitSession(platform::SerialPort &port, const TimerFactory &makeTimer, const QString &model,
                         QObject *parent)
    : QObject(parent), port_(port), model_(model), quietTimer_(makeTimer()), readDeadline_(makeTimer()),
      replyTimer_(makeTimer()), outputLock_(makeTimer())
{
    // The names tests and scripts find the timers by.
    quietTimer_->setObjectName(QStringLiteral("readQuietTimer"));
    readDeadline_->setObjectName(QStringLiteral("readDeadline"));
    replyTimer_->setObjectName(QStringLiteral("replyTimer"));
    outputLock_->setObjectName(QStringLiteral("outputLockTimer"));
    link_ = std::make_unique<unitlink::UnitLink>(port_);
    link_->setReplyTimer(replyTimer_.get());
    // The loss is told before the upload it cut short tells its end.
    connect(link_.get(), &unitlink::UnitLink::portLost, this, &UnitSession::onPortLost);
    outputTester_ = std::make_unique<unitlink::OutputTester>(*link_, *outputLock_, [this] { return outputPassword_; });
    reader_ = std::make_unique<transfer::DumpReader>(*link_, *quietTimer_, *readDeadline_,
                                                     [this](const QString &text) { emit lateAnswer(text); });
    upload_ = std::make_unique<transfer::UploadJob>(*link_, *reader_);

    using unitlink::UnitLink;
    connect(link_.get(), &UnitLink::commandSent, this, &UnitSession::commandSent);
    connect(link_.get(), &UnitLink::replyReceived, this, &UnitSession::replyReceived);
    connect(link_.get(), &UnitLink::acknowledged, this, &UnitSession::acknowledged);
    connect(link_.get(), &UnitLink::replyOverdue, this, &UnitSession::replyOverdue);
    connect(link_.get(), &UnitLink::outputReported, this, &UnitSession::outputReported);
    connect(link_.get(), &UnitLink::notSent, this, &UnitSession::notSent);
    connect(link_.get(), &UnitLink::wrongPassword, this, [this] {
        if (!upload_->running())
            emit wrongPassword();
    });
    connect(link_.get(), &UnitLink::chainStateChanged, this, &UnitSession::updateBusy);
    connect(reader_.get(), &transfer::DumpReader::busyChanged, this, &UnitSession::updateBusy);
    connect(reader_.get(), &transfer::DumpReader::progress, this, &UnitSession::readProgress);
    connect(reader_.get(), &transfer::DumpReader::lateAnswerIgnored, this, &UnitSession::lateAnswerIgnored);
    connect(outputTester_.get(), &unitlink::OutputTester::buttonsEnabledChanged, this,
            &UnitSession::outputButtonsEnabled);
    connect(upload_.get(), &transfer::UploadJob::verifying, this, [this] {
        updateBusy(); // an upload with nothing to send reads back at once
        emit verifying();
    });
    connect(upload_.get(), &transfer::UploadJob::currentPasswordWanted, this, &UnitSession::currentPasswordWanted);
    connect(upload_.get(), &transfer::UploadJob::finished, this, &UnitSession::onUploadFinished);
}

UnitSession::~UnitSession()
{
    // The job, the reader and the tester refer to the link, and the link to the timers.
    upload_.reset();
    reader_.reset();
    outputTester_.reset();
    link_.reset();
}

void UnitSession::setPatience(const Patience &patience)
{
    link_->setReplyTimer(replyTimer_.get(), patience.replyMs);
    reader_->setNoAnswerMs(patience.firstByteMs);
}

bool UnitSession::open(const QString &path)
{
    link_->interrupt();
    // Another unit may be on the other end from now on.
    held_.reset();
    port_.close();
    if (!port_.open(path, platform::LineSettings{}))
        return false;
    emit opened();
    return true;
}

void UnitSession::close()
{
    link_->interrupt();
    held_.reset();
    port_.close();
}

bool UnitSession::isOpen() const { return port_.isOpen(); }
int UnitSession::errorNumber() const { return port_.errorNumber(); }
QString UnitSession::errorDescription() const { return port_.errorDescription(); }

PreparedUpload UnitSession::prepare(const settings::SettingsSet &set, transfer::UploadChoices choices) const
{
    // A unit whose settings are known is opened with its own password.
    if (choices.password.isEmpty() && held_)
        choices.password = held_->password;
    transfer::PlanChoices how;
    how.unitModel = choices.model;
    how.sendEverything = choices.sendEverything;
    how.numbersOnly = choices.numbersOnly;
    PreparedUpload prepared{set, choices, transfer::plan_upload(held_, set, how), QString(), held_.has_value(), 0};
    prepared.problem = transfer::UploadJob::problem(set, choices.model, prepared.plan);
    prepared.seconds = prepared.plan.seconds;
    if (transfer::reads_back(prepared.plan, choices.verify, false))
        prepared.seconds += readbackSeconds(set);
    return prepared;
}

bool UnitSession::upload(const PreparedUpload &prepared)
{
    if (upload_->running())
        return false;
    // Whatever happens from here, only a verified end says what the unit holds.
    const std::optional<settings::SettingsSet> before = held_;
    numbersOnly_ = prepared.choices.numbersOnly;
    if (!prepared.plan.commands.isEmpty())
        held_.reset();
    const bool started = upload_->start(prepared.settings, prepared.plan, prepared.choices, before);
    updateBusy();
    return started;
}

bool UnitSession::uploading() const { return upload_->running(); }
const transfer::UploadPlan &UnitSession::currentPlan() const { return upload_->currentPlan(); }
void UnitSession::answerCurrentPassword(const QString &current) { upload_->resendWith(current); }

bool UnitSession::canResume() const { return upload_->canResume(); }
int UnitSession::resumeAt() const { return link_->resumeAt(); }
int UnitSession::resumeTotal() const { return link_->commandCount(); }

bool UnitSession::resume()
{
    const int at = resumeAt();
    if (!upload_->resume())
        return false;
    emit resumed(at, resumeTotal());
    updateBusy();
    return true;
}

QString UnitSession::resumeQuestion() const { return upload_->resumeQuestion(); }

bool UnitSession::restartWhole()
{
    held_.reset();
    const bool started = upload_->restartWhole();
    updateBusy();
    return started;
}

bool UnitSession::read(const QString &password, qint64 expectedBytes)
{
    return reader_->request(
        password, [this](const transfer::DumpOutcome &dump) { onRead(dump); }, expectedBytes);
}

bool UnitSession::reading() const { return reader_->busy() && !upload_->running(); }

void UnitSession::pressOutput(int output, bool on, const QString &password)
{
    outputPassword_ = password;
    outputTester_->press(output, on);
}

void UnitSession::stop()
{
    if (upload_->running())
        upload_->stop();
    else if (reader_->busy())
        reader_->stop();
}

bool UnitSession::busy() const
{
    return upload_->running() || link_->chainState() == unitlink::UnitLink::ChainState::Running || reader_->busy();
}

void UnitSession::onUploadFinished(const transfer::UploadOutcome &outcome)
{
    using Kind = transfer::UploadOutcome::Kind;
    // The one place an upload changes what the unit is known to hold.
    // After a list-only upload the unit's name was not read, so what it holds is not known whole.
    if (outcome.kind == Kind::Done && outcome.verification && outcome.verification->ok() && !numbersOnly_)
        held_ = outcome.settings;
    else if (outcome.kind != Kind::Unsendable && !(outcome.kind == Kind::Done && outcome.total == 0))
        held_.reset();
    emit uploadDone(outcome);
    updateBusy();
}

void UnitSession::onRead(const transfer::DumpOutcome &dump)
{
    ReadOutcome outcome{dump, std::nullopt};
    if (dump.status == transfer::DumpOutcome::Status::Received) {
        outcome.unit = transfer::read_unit_dump(dump.records).settings;
        held_ = outcome.unit;
    }
    emit readDone(outcome);
}

void UnitSession::onPortLost(int errorNumber, const QString &description, bool cut, int acknowledged, int total)
{
    held_.reset();
    emit portLost(PortLoss{errorNumber, description, cut, acknowledged, total});
}

void UnitSession::updateBusy()
{
    const bool now = busy();
    outputTester_->setLineBusy(now);
    if (now != std::exchange(busy_, now))
        emit busyChanged(now);
}

} // namespace session
