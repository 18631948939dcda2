#pragma once
#include "link/replycodes.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <array>

namespace platform {
class SerialPort;
class Timer;
} // namespace platform

namespace unitlink {

inline constexpr int kQueueEntries = 1001;
inline const QString kModeUpload = QStringLiteral("upload");
inline const QString kModeDownload = QStringLiteral("download");
// How much unread text is kept while nobody consumes it (idle, or a reply without ")").
inline constexpr qsizetype kRxTailKept = 64 * 1024;
// How much download text is kept while nobody takes it: far more than any dump, and more
// than a reader lets come before it gives up.
inline constexpr qsizetype kRxDownloadKept = 2 * 1024 * 1024;

struct QueueEntry {
    QString label; // names the step; an empty label ends the chain
    QString value;
    QString word; // command word, sent first; carries its own trailing blank if it takes a value
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

    // Queue: entries 0..cmd_count-1 are commands; entry cmd_count is always left empty so
    // the chain finds its end. Refuses (false) a command that would take that last entry.
    bool queue_cmd(const QString &label, const QString &value, const QString &word);
    void clear_queue();
    const std::array<QueueEntry, kQueueEntries> &cmd_queue() const { return queue_; }
    int cmd_count() const { return cmdCount_; }
    int cmd_pos() const { return cmdPos_; }
    int acknowledged_count() const { return acked_; }

    // The password that opens the chain's commands from the next one sent on.
    void set_chain_password(const QString &password) { password_ = password; }

    // Sends entry 0 after the queue was filled and starts the chain. False (with notSent())
    // when nothing could be sent.
    bool start_upload();
    // Writes bytes as they are, outside the chain. False (with notSent()) when the port is not open.
    bool write_command(const QByteArray &bytes);
    bool port_open() const;

    void set_link_mode(const QString &mode) { linkMode_ = mode; }
    QString link_mode() const { return linkMode_; }

    QString rx_buffer() const { return rx_; }
    QString take_rx_buffer();
    void clear_rx_buffer() { rx_.clear(); }
    // Drops the first `count` characters: they were read and belong to no later answer.
    void drop_rx_front(qsizetype count) { rx_.remove(0, count); }

    ChainState chain_state() const { return state_; }

    // An upload cut off by the port can go on where it stopped: the command the unit had
    // not acknowledged is sent again, then the rest. resume_at() counts from 1.
    bool can_resume() const { return state_ == ChainState::Aborted && acked_ < cmdCount_; }
    int resume_at() const { return acked_ + 1; }
    bool resume_upload();
    // The refused password command once more, opened by `current` instead of the chain's password.
    bool resend_refused(const QString &current);
    // The chain ends with the answer to the command in flight (chainStopped()).
    void stop_after_current();
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
    // Text arrived in download mode; it waits in rx_buffer().
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

    std::array<QueueEntry, kQueueEntries> queue_;
    int cmdCount_ = 0;
    int cmdPos_ = 0;
    int acked_ = 0; // entries before this one were acknowledged by the unit
    QString password_;
    QString rx_;
    QString linkMode_;
    bool passwordTold_ = false; // wrongPassword() emitted for this exchange
    bool stopping_ = false;     // the chain ends with the answer in flight
    QString lastSent_;          // the wire text of the chain command awaiting its answer
    int clearedAt_ = -1;        // the acknowledged list-clearing entry of this chain
    ChainState state_ = ChainState::Idle;
};

} // namespace unitlink
