#include "link/unitlink.h"

#include "link/wire.h"
#include "platform/latin1.h"
#include "platform/serialport.h"
#include "platform/timer.h"

namespace unitlink {

UnitLink::UnitLink(platform::SerialPort &port, QObject *parent) : QObject(parent), port_(port)
{
    connect(&port_, &platform::SerialPort::dataReceived, this, &UnitLink::onDataReceived);
    connect(&port_, &platform::SerialPort::lost, this, &UnitLink::onPortLost);
}

bool UnitLink::startChain(const QList<ChainCommand> &commands)
{
    if (commands.isEmpty() || commands.size() > kMaxChainCommands)
        return false;
    chain_ = commands;
    lineUser_ = LineUser::Commands;
    passwordTold_ = stopping_ = false;
    clearedAt_ = -1;
    sent_ = 0;
    acked_ = 0;
    return sendEntry(0, password_);
}

void UnitLink::dropChain()
{
    chain_.clear();
    sent_ = 0;
    acked_ = 0;
    // A chain cannot go on without its commands.
    if (state_ == ChainState::Running)
        setState(ChainState::Idle);
}

void UnitLink::interrupt()
{
    if (state_ == ChainState::Running)
        setState(ChainState::Aborted);
}

bool UnitLink::resumeChain()
{
    if (!canResume() || !port_.isOpen())
        return false;
    // Whatever arrived of the lost line's last answer belongs to no command now.
    rx_.clear();
    lineUser_ = LineUser::Commands;
    passwordTold_ = false;
    return sendEntry(acked_, password_);
}

bool UnitLink::resendRefused(const QString &current)
{
    const int entry = sent_ - 1;
    if (state_ != ChainState::Unacknowledged || entry < 0 || chain_[entry].word != wire::kPassword)
        return false;
    passwordTold_ = false;
    return sendEntry(entry, current);
}

void UnitLink::stopAfterCurrent()
{
    if (state_ == ChainState::Running)
        stopping_ = true;
}

bool UnitLink::sendEntry(int i, const QString &pass)
{
    const ChainCommand &e = chain_.at(i);
    const QString text = wire::command_text(pass, e.word, e.value);
    if (!write(wire::bytes(text))) {
        setState(ChainState::Aborted);
        return false;
    }
    lastSent_ = text;
    emit commandSent(i + 1, commandCount(), text);
    sent_ = i + 1;
    setState(ChainState::Running);
    startPatience();
    return true;
}

bool UnitLink::writeCommand(const QByteArray &bytes)
{
    // A new exchange: its wrong password deserves a word of its own.
    passwordTold_ = false;
    return write(bytes);
}

bool UnitLink::portOpen() const { return port_.isOpen(); }

bool UnitLink::write(const QByteArray &bytes)
{
    if (port_.isOpen() && port_.write(bytes))
        return true;
    emit notSent();
    return false;
}

QString UnitLink::takeRxBuffer()
{
    QString out;
    out.swap(rx_);
    return out;
}

void UnitLink::onDataReceived()
{
    rx_ += platform::fromWire(port_.readAll());
    if (lineUser_ == LineUser::Dump) {
        // The reader decides when a dump is whole or too large; this only keeps a line that
        // never stops from filling memory while nobody reads.
        keepTail(kRxDownloadKept);
        emit downloadDataReceived();
        return;
    }
    if (lineUser_ == LineUser::Commands) {
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
    const QString text = std::exchange(rx_, QString());
    const Reply reply = read_reply(text.mid(codesStart));
    emit replyReceived(text, reply.codes);
    for (const OutputState &o : reply.outputs)
        emit outputReported(o.output, o.on);
    if (reply.wrongPassword && !std::exchange(passwordTold_, true))
        emit wrongPassword();

    if (state_ != ChainState::Running)
        return; // e.g. the answer to an output test: there is no upload to advance
    const int entry = sent_ - 1;
    if (!reply.accepted) {
        // An output test pressed during an upload answers with output states only; the
        // answer to the upload's command is still to come, so the chain waits for it.
        if (reply.outputStateOnly)
            return;
        setState(ChainState::Unacknowledged);
        if (reply.noise())
            emit unreadableAnswer(text);
        else
            refuse(entry, reply);
        return;
    }
    acked_ = sent_;
    if (entry >= 0 && chain_[entry].word == wire::kClearNumbers)
        clearedAt_ = entry;
    emit acknowledged(acked_, commandCount());

    if (stopping_) {
        setState(ChainState::Idle);
        emit chainStopped(acked_, commandCount());
        return;
    }
    if (sent_ < commandCount()) {
        sendEntry(sent_, password_);
        return;
    }
    setState(ChainState::Completed);
    emit chainCompleted(commandCount());
}

void UnitLink::refuse(int entry, const Reply &reply)
{
    const ChainCommand &e = chain_[entry];
    Refusal refusal{entry + 1, commandCount(), e.label, wire::shown_command(e.word, e.value), reply.codes,
                    reply.wrongPassword, e.word == wire::kPassword, -1};
    if (clearedAt_ >= 0) {
        refusal.numbersKept = 0;
        for (int i = clearedAt_ + 1; i < entry; ++i)
            refusal.numbersKept += chain_[i].word == wire::kAddNumber ? 1 : 0;
    }
    emit refused(refusal);
}

void UnitLink::onPortLost(int errorNumber, const QString &description)
{
    const bool wasRunning = state_ == ChainState::Running;
    if (wasRunning)
        setState(ChainState::Aborted);
    emit portLost(errorNumber, description, wasRunning, acked_, commandCount());
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

void UnitLink::setReplyTimer(platform::Timer *timer, int patienceMs)
{
    replyTimer_ = timer;
    patienceMs_ = patienceMs;
    if (replyTimer_)
        connect(replyTimer_, &platform::Timer::timeout, this, &UnitLink::onReplyOverdue);
}

void UnitLink::startPatience()
{
    if (replyTimer_)
        replyTimer_->start(patienceMs_);
}

void UnitLink::onReplyOverdue()
{
    replyTimer_->stop(); // once per command: the next send starts it again
    if (state_ != ChainState::Running)
        return;
    emit replyOverdue(sent_, commandCount(), chain_[sent_ - 1].label);
}

} // namespace unitlink
