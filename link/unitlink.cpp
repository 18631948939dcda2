#include "link/unitlink.h"

#include "link/replycodes.h"
#include "platform/dialogs.h"
#include "platform/latin1.h"
#include "platform/serialport.h"
#include "platform/timer.h"

#include <QStringList>
#include <utility>

namespace unitlink {

namespace {
const QString kLineBreak = QStringLiteral("\r\n");
const QString kNotOpenText = QStringLiteral(
    "The serial port is not open, so nothing was sent to the unit. "
    "Choose a working COMM PORT in the main window and press OPEN PORT.");

// What a code is known to say; empty where only the unit knows.
QString codeMeaning(qint16 code)
{
    if (code == kWrongPasswordCode)
        return QStringLiteral("wrong password");
    if (code >= 13 && code <= 20)
        return QStringLiteral("output %1 %2").arg((code - 11) / 2).arg(code % 2 ? QStringLiteral("red") : QStringLiteral("green"));
    return QString();
}
} // namespace

QString refusal_text(const Refusal &refusal)
{
    QStringList codes;
    for (const qint16 code : refusal.codes) {
        const QString meaning = codeMeaning(code);
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

UnitLink::UnitLink(platform::SerialPort &port, platform::Timer &tmrCheckGSM, platform::Dialogs &dialogs,
                   LinkHost &host, QObject *parent)
    : QObject(parent), port_(port), tmrCheckGSM_(tmrCheckGSM), dialogs_(dialogs), host_(host)
{
    connect(&port_, &platform::SerialPort::dataReceived, this, &UnitLink::onDataReceived);
    connect(&port_, &platform::SerialPort::lost, this, &UnitLink::onPortLost);
}

bool UnitLink::queue_cmd(const QString &label, const QString &value, const QString &word)
{
    if (cmdCount_ >= kQueueEntries - 1)
        return false;
    queue_[cmdCount_] = {label, value, word};
    ++cmdCount_;
    return true;
}

void UnitLink::clear_queue()
{
    queue_.fill(QueueEntry{});
    cmdCount_ = 0;
    cmdPos_ = 0;
    acked_ = 0;
    // A chain cannot go on without its queue.
    if (state_ == ChainState::Running)
        setState(ChainState::Idle);
}

QString UnitLink::password() const { return host_.password(); }

QString UnitLink::wire_text(int entry) const { return wire_text(entry, host_.password()); }

QString UnitLink::wire_text(int entry, const QString &pass) const
{
    const QueueEntry &e = queue_.at(entry);
    return QLatin1Char('*') + pass + QLatin1Char(' ') + e.word + e.value + QLatin1Char('*');
}

bool UnitLink::start_upload()
{
    if (cmdCount_ == 0)
        return false;
    if (!port_.isOpen()) {
        dialogs_.message(kNotOpenText, platform::Dialogs::Icon::Stop);
        return false;
    }
    const QString pass = host_.password();
    const QueueEntry &first = queue_[0];
    passwordTold_ = passwordAsked_ = false;
    clearedAt_ = -1;
    refusal_ = Refusal{};
    lastSent_ = wire_text(0);
    if (!writeOrComplain(platform::toWire(lastSent_))) {
        setState(ChainState::Aborted);
        return false;
    }
    host_.setProgress(0, cmdCount_);
    // The first line differs from the later ones by the blank before its closing star.
    host_.appendLog(kLineBreak + QStringLiteral("SEND: *") + pass + QLatin1Char(' ') + first.word + first.value
                    + QStringLiteral(" *"));
    cmdPos_ = 1;
    acked_ = 0;
    setState(ChainState::Running);
    if (replyTimer_)
        replyTimer_->start(kReplyPatienceMs);
    return true;
}

void UnitLink::interrupt()
{
    if (state_ == ChainState::Running)
        setState(ChainState::Aborted);
}

bool UnitLink::resume_upload()
{
    if (!can_resume() || !port_.isOpen())
        return false;
    // Whatever arrived of the lost line's last answer belongs to no command now.
    rx_.clear();
    linkMode_ = kModeUpload;
    host_.setProgress(acked_, cmdCount_);
    if (!send_entry(acked_))
        return false;
    cmdPos_ = acked_ + 1;
    setState(ChainState::Running);
    if (replyTimer_)
        replyTimer_->start(kReplyPatienceMs);
    return true;
}

bool UnitLink::send_entry(int i, const QString &prefix)
{
    if (i < 0 || i >= kQueueEntries)
        return false;
    const QString text = prefix.isNull() ? wire_text(i) : wire_text(i, prefix);
    if (!writeOrComplain(platform::toWire(text)))
        return false;
    lastSent_ = text;
    host_.appendLog(kLineBreak + QStringLiteral("SEND: ") + text);
    return true;
}

bool UnitLink::write_command(const QByteArray &bytes)
{
    // A new exchange: its wrong password deserves a word of its own.
    passwordTold_ = false;
    return writeOrComplain(bytes);
}

bool UnitLink::port_open() const { return port_.isOpen(); }

bool UnitLink::check_port()
{
    if (port_.isOpen())
        return true;
    dialogs_.message(kNotOpenText, platform::Dialogs::Icon::Stop);
    return false;
}

bool UnitLink::writeOrComplain(const QByteArray &bytes)
{
    if (port_.isOpen() && port_.write(bytes))
        return true;
    dialogs_.message(kNotOpenText, platform::Dialogs::Icon::Stop);
    return false;
}

QString UnitLink::take_rx_buffer()
{
    QString out;
    out.swap(rx_);
    return out;
}

void UnitLink::onDataReceived()
{
    rx_ += platform::fromWire(port_.readAll());
    if (linkMode_ == kModeDownload) {
        tmrCheckGSM_.stop();
        tmrCheckGSM_.start(1000);
        emit downloadDataReceived();
        return;
    }
    if (linkMode_ == kModeUpload) {
        const qsizetype start = codesStart(rx_);
        if (start >= 0 && rx_.indexOf(QLatin1Char(')'), start) >= 0) {
            onReplyComplete(start);
            return;
        }
    }
    // Nobody reads this text (yet): keep only its tail, so a talkative unit cannot make it
    // grow without bound.
    keepTail(kRxTailKept);
}

void UnitLink::keepTail(qsizetype limit)
{
    // Trimmed only once it has doubled, so the cost per received character stays constant.
    if (rx_.size() > 2 * limit)
        rx_.remove(0, rx_.size() - limit);
}

qsizetype UnitLink::codesStart(const QString &reply) const
{
    if (state_ != ChainState::Running || lastSent_.isEmpty())
        return 0;
    qsizetype from = 0;
    while (from < reply.size() && reply.at(from).isSpace())
        ++from;
    const QStringView rest = QStringView(reply).sliced(from);
    // The unit may echo the command as sent, without its stars, or without its password.
    const QStringView sent(lastSent_);
    const QStringView bare = sent.sliced(1, sent.size() - 2);
    const QStringView command = bare.sliced(bare.indexOf(QLatin1Char(' ')) + 1);
    for (const QStringView echo : {sent, bare, command}) {
        if (rest.startsWith(echo))
            return from + echo.size();
        if (echo.startsWith(rest))
            return -1; // perhaps an echo still arriving: a ")" in it proves nothing yet
    }
    return 0;
}

void UnitLink::onReplyComplete(qsizetype codesStart)
{
    host_.appendLog(kLineBreak + QStringLiteral("RECV: ") + rx_);
    const QString reply = rx_.mid(codesStart);
    process_reply(reply);
    rx_.clear();

    if (state_ != ChainState::Running)
        return; // e.g. the answer to an output test: there is no upload to advance
    const int entry = cmdPos_ - 1;
    if (!accepted()) {
        // An output test pressed during an upload answers with output states only; the
        // answer to the upload's command is still to come, so the chain waits for it.
        if (outputStateOnly_)
            return;
        setState(ChainState::Unacknowledged);
        if (wrongPassword_ && offerCurrentPassword(entry))
            return;
        refuse(entry, read_reply_codes(reply));
        return;
    }
    acked_ = cmdPos_;
    if (entry >= 0 && queue_[entry].word == kClearWord)
        clearedAt_ = entry;
    const int maximum = host_.progressMaximum();
    const int value = host_.progressValue();
    if (value < maximum)
        host_.setProgress(value + 1, maximum);

    if (cmdPos_ < kQueueEntries && !queue_[cmdPos_].label.isEmpty()) {
        if (!send_entry(cmdPos_)) {
            setState(ChainState::Aborted);
            return;
        }
        ++cmdPos_;
        if (replyTimer_)
            replyTimer_->start(kReplyPatienceMs);
        return;
    }
    // Told before anyone acts on the completion (a verification reads the unit next); the
    // chain no longer runs while the message is up.
    state_ = ChainState::Completed;
    if (replyTimer_)
        replyTimer_->stop();
    dialogs_.message(QStringLiteral("Upload complete"), platform::Dialogs::Icon::Information,
                     QStringLiteral("Upload complete"));
    emit chainStateChanged(state_);
}

bool UnitLink::offerCurrentPassword(int entry)
{
    // Only the password command can be opened with another password than the one it sets.
    if (entry < 0 || queue_[entry].word != kPasswordWord || std::exchange(passwordAsked_, true))
        return false;
    const QString current = dialogs_.askPassword(
        QStringLiteral("If you are changing the unit's password, type the password the unit has now.\nIt opens the "
                       "password command; the rest of the upload uses the new password \"%1\".")
            .arg(queue_[entry].value),
        QStringLiteral("Unit's current password"));
    if (current.isEmpty() || state_ != ChainState::Unacknowledged)
        return false;
    passwordTold_ = false;
    if (!send_entry(entry, current)) {
        setState(ChainState::Aborted);
        return true;
    }
    setState(ChainState::Running);
    if (replyTimer_)
        replyTimer_->start(kReplyPatienceMs);
    return true;
}

void UnitLink::refuse(int entry, const QList<qint16> &codes)
{
    refusal_ = Refusal{entry + 1, cmdCount_, queue_[entry].label, codes, -1};
    if (clearedAt_ >= 0) {
        refusal_.numbersKept = 0;
        for (int i = clearedAt_ + 1; i < entry; ++i)
            refusal_.numbersKept += queue_[i].word == kAddWord ? 1 : 0;
    }
    // A wrong password has had its own message.
    if (!wrongPassword_)
        dialogs_.message(refusal_text(refusal_), platform::Dialogs::Icon::Stop);
}

void UnitLink::process_reply(const QString &reply)
{
    ack_.fill(false);
    wrongPassword_ = false;
    bool outputState = false, other = false;
    for (const qint16 code : read_reply_codes(reply)) {
        if (code < 1)
            break;
        (code >= 13 && code <= 20 ? outputState : other) = true;
        switch (code) {
        case 12: ack_[0] = true; break;
        case 22:
        case 23: ack_[1] = true; break;
        case 38: ack_[2] = true; break;
        case 24: ack_[3] = true; break;
        case 13:
        case 15:
        case 17:
        case 19:
            host_.setOutputColour((code - 11) / 2, kColourRed);
            break;
        case 14:
        case 16:
        case 18:
        case 20:
            host_.setOutputColour((code - 12) / 2, kColourGreen);
            break;
        case kWrongPasswordCode:
            wrongPassword_ = true;
            // Once per upload or output test, however often the unit repeats it.
            if (!std::exchange(passwordTold_, true))
                dialogs_.message(QStringLiteral("Incorrect GSM unit password"), platform::Dialogs::Icon::Stop);
            break;
        default:
            break;
        }
    }
    outputStateOnly_ = outputState && !other;
}

void UnitLink::onPortLost(int errorNumber, const QString &description)
{
    const bool wasRunning = state_ == ChainState::Running;
    if (wasRunning)
        setState(ChainState::Aborted);
    host_.appendLog(kLineBreak + QStringLiteral("Port closed: %1:%2").arg(errorNumber).arg(description));
    QString text = QStringLiteral("The serial port closed: %1. The cable or USB adapter was probably unplugged.")
                       .arg(platform::SerialPort::lossInWords(errorNumber, description));
    if (wasRunning)
        text += QStringLiteral(" The upload stopped with %1 of its %2 commands acknowledged; it can go on from "
                               "there when the unit is back.")
                    .arg(acked_)
                    .arg(cmdCount_);
    text += QStringLiteral(" Your settings are still in the editors. Reconnect the unit: NorvikConf opens "
                           "the port again when it returns, or press OPEN PORT.");
    dialogs_.message(text, platform::Dialogs::Icon::Stop);
}

void UnitLink::setState(ChainState state)
{
    if (replyTimer_ && state != ChainState::Running)
        replyTimer_->stop();
    if (state_ == state)
        return;
    state_ = state;
    emit chainStateChanged(state);
}

void UnitLink::setReplyTimer(platform::Timer *timer)
{
    replyTimer_ = timer;
    if (replyTimer_)
        connect(replyTimer_, &platform::Timer::timeout, this, &UnitLink::onReplyOverdue);
}

void UnitLink::onReplyOverdue()
{
    replyTimer_->stop(); // once per command: the next send starts it again
    if (state_ != ChainState::Running)
        return;
    const int sent = cmdPos_ - 1;
    dialogs_.message(QStringLiteral("The unit has not answered \"%1\" (command %2 of %3) for %4 seconds. "
                                    "Check the cable, the COMM PORT and that the unit is switched on. The upload "
                                    "goes on when the unit answers; you can also start it again.")
                         .arg(queue_[sent].label)
                         .arg(cmdPos_)
                         .arg(cmdCount_)
                         .arg(kReplyPatienceMs / 1000),
                     platform::Dialogs::Icon::Stop);
}

} // namespace unitlink
