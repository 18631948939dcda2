#pragma once
#include "link/replycodes.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

namespace platform {
class SerialPort;
class Timer;
} // namespace platform

namespace unitlink {

// The most commands one chain carries.
inline constexpr int kMaxChainCommands = 1000;
// How much unread text is kept while nobody consumes it (idle, or a reply without ")").
inline constexpr qsizetype kRxTailKept = 64 * 1024;
// How much download text is kept while nobody takes it: far more than any dump, and more
// than a reader lets come before it gives up.
inline constexpr qsizetype kRxDownloadKept = 2 * 1024 * 1024;

struct ChainCommand {
    QString label; // names the step, e.g. "System name"
    QString value;
    QString word; // command word, sent first; carries its own trailing blank if it takes a value
};

// Who reads what the unit sends: an answer is read for a chain's or an output test's codes,
// collected whole for a settings dump, or only kept as a tail while nobody asked.
enum class LineUser {
    Nobody,
    Commands, // a chain or an output test: answers are read for their codes
    Dump,     // a settings dump: the text is collected for the reader
};

// A command of the chain that the unit answered without acknowledgement.
struct Refusal {
    int command = 0;     // its place in the chain, from 1
    int total = 0;       // commands in the chain
    QString label;       // e.g. "System name"
    QString shown;       // its word and value, a password hidden, e.g. "SYS NAME Gate"
    QList<qint16> codes; // the readable codes of the answer
    bool wrongPassword = false;
    bool passwordCommand = false; // the refused command sets the password
    // After an acknowledged "clear the list": the numbers the unit's list now holds; otherwise -1.
    int numbersKept = -1;
};

// The serial conversation with the unit: a queue of commands sent one at a time, each after
// the unit acknowledged the one before, and the reading of the unit's answers. It shows
// nothing: what happens is reported by the signals below, and whoever shows it decides how.
class UnitLink : public QObject {
    Q_OBJECT
public:
    enum class ChainState {
        Idle,           // no upload started, or its queue was emptied
        Running,        // a command is out and its reply is awaited
        Completed,      // the last command was acknowledged
        Unacknowledged, // a reply came without acknowledgement; the chain stands there
        Aborted,        // the port was not open or went away; the chain keeps its position
    };
    Q_ENUM(ChainState)

    explicit UnitLink(platform::SerialPort &port, QObject *parent = nullptr);

    // The chain's commands, sent one at a time from the first.
    int commandCount() const { return int(chain_.size()); }
    // Commands written so far; the one awaiting its answer is the last of them.
    int sentCount() const { return sent_; }
    int acknowledgedCount() const { return acked_; }

    // The password that opens the chain's commands from the next one sent on.
    void setChainPassword(const QString &password) { password_ = password; }

    // Takes `commands` as the chain and sends the first. False, with nothing sent, for an
    // empty chain or one over kMaxChainCommands, and (with notSent()) when the port is not open.
    bool startChain(const QList<ChainCommand> &commands);
    // Forgets the chain: a late answer finds nothing to send.
    void dropChain();
    // Writes bytes as they are, outside the chain. False (with notSent()) when the port is not open.
    bool writeCommand(const QByteArray &bytes);
    bool portOpen() const;

    void setLineUser(LineUser user) { lineUser_ = user; }
    LineUser lineUser() const { return lineUser_; }

    QString rxBuffer() const { return rx_; }
    QString takeRxBuffer();
    void clearRxBuffer() { rx_.clear(); }
    // Drops the first `count` characters: they were read and belong to no later answer.
    void dropRxFront(qsizetype count) { rx_.remove(0, count); }

    ChainState chainState() const { return state_; }

    // A chain cut off by the port can go on where it stopped: the command the unit had
    // not acknowledged is sent again, then the rest. resumeAt() counts from 1.
    bool canResume() const { return state_ == ChainState::Aborted && acked_ < commandCount(); }
    int resumeAt() const { return acked_ + 1; }
    bool resumeChain();
    // The refused password command once more, opened by `current` instead of the chain's password.
    bool resendRefused(const QString &current);
    // The chain ends with the answer to the command in flight (chainStopped()).
    void stopAfterCurrent();
    // The port is being closed under a running chain: the answer it waits for is lost.
    void interrupt();

    // With a timer set, replyOverdue() is emitted once per command that has waited
    // `patienceMs` for its answer; the chain keeps waiting.
    static constexpr int kReplyPatienceMs = 10000;
    void setReplyTimer(platform::Timer *timer, int patienceMs = kReplyPatienceMs);

signals:
    void chainStateChanged(unitlink::UnitLink::ChainState state);
    // A command of the chain went out as `wireText`; `number` counts from 1.
    void commandSent(int number, int total, const QString &wireText);
    // A whole answer as it came, echo and all.
    void replyReceived(const QString &text, const QList<qint16> &codes);
    void acknowledged(int done, int total);
    void refused(const unitlink::Refusal &refusal);
    // The answer held no code but only noise between parentheses; an upload stops there.
    void unreadableAnswer(const QString &text);
    // Once per exchange, however often the unit repeats it.
    void wrongPassword();
    void outputReported(int output, bool on);
    void chainCompleted(int total);
    void chainStopped(int acknowledged, int total);
    void replyOverdue(int number, int total, const QString &label);
    // The port closed under the link; `cut` when it cut a running upload short.
    void portLost(int errorNumber, const QString &description, bool cut, int acknowledged, int total);
    // Nothing was written: the port is not open.
    void notSent();
    // Text arrived for a dump; it waits in rxBuffer().
    void downloadDataReceived();

private:
    void onDataReceived();
    void onPortLost(int errorNumber, const QString &description);
    void onReplyComplete(qsizetype codesStart);
    void keepTail(qsizetype limit);
    bool write(const QByteArray &bytes);
    // Writes entry i opened by `pass` and waits for its answer; a failed write aborts the chain.
    bool sendEntry(int i, const QString &pass);
    void setState(ChainState state);
    void startPatience();
    void onReplyOverdue();
    qsizetype codesStart(const QString &reply) const;
    void refuse(int entry, const Reply &reply);

    platform::SerialPort &port_;
    platform::Timer *replyTimer_ = nullptr;
    int patienceMs_ = kReplyPatienceMs;

    QList<ChainCommand> chain_;
    int sent_ = 0;
    int acked_ = 0; // entries before this one were acknowledged by the unit
    QString password_;
    QString rx_;
    LineUser lineUser_ = LineUser::Nobody;
    bool passwordTold_ = false; // wrongPassword() emitted for this exchange
    bool stopping_ = false;     // the chain ends with the answer in flight
    QString lastSent_;          // the wire text of the chain command awaiting its answer
    int clearedAt_ = -1;        // the acknowledged list-clearing entry of this chain
    ChainState state_ = ChainState::Idle;
};

} // namespace unitlink
