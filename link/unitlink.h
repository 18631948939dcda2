#pragma once
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <array>

namespace platform {
class Dialogs;
class SerialPort;
class Timer;
} // namespace platform

namespace unitlink {

// What the link reads and writes of the main window. The link has no widgets of its own.
class LinkHost {
public:
    virtual ~LinkHost() = default;
    virtual QString password() const = 0;            // txtPass, read afresh for every send
    virtual void appendLog(const QString &text) = 0; // appended as given; the link adds "\r\n"
    virtual void clearLog() = 0;
    virtual void setProgress(int value, int maximum) = 0;
    virtual int progressValue() const = 0;
    virtual int progressMaximum() const = 0;
    virtual void setOutputColour(int output /*1..4*/, quint32 colourBgr) = 0;
};

inline constexpr int kQueueEntries = 1001;
inline constexpr quint32 kColourRed = 255;
inline constexpr quint32 kColourGreen = 65280;
inline const QString kModeUpload = QStringLiteral("upload");
inline const QString kModeDownload = QStringLiteral("download");
// The command words the link itself looks for in a chain.
inline const QString kPasswordWord = QStringLiteral("SYS PASS ");
inline const QString kClearWord = QStringLiteral("TEL CLRN");
inline const QString kAddWord = QStringLiteral("TEL ADDN ");
// How much unread text is kept while nobody consumes it (idle, or a reply without ")").
inline constexpr qsizetype kRxTailKept = 64 * 1024;

struct QueueEntry {
    QString label; // names the step; an empty label ends the chain
    QString value;
    QString word; // command word, sent first; carries its own trailing blank if it takes a value
};

// A command of the chain that the unit answered without acknowledgement.
struct Refusal {
    int command = 0; // its place in the chain, from 1
    int total = 0;   // commands in the chain
    QString label;   // e.g. "System name"
    QList<qint16> codes;
    // After an acknowledged "TEL CLRN": the numbers the unit's list now holds; otherwise -1.
    int numbersKept = -1;
};

// What the operator is told: "The unit refused "System name" (code 11). The upload stopped
// at command 2 of 13.", and what became of the unit's number list.
QString refusal_text(const Refusal &refusal);

// The serial conversation with the unit: a queue of commands sent one at a time, each
// after the unit acknowledged the one before, the log lines of that exchange, and the
// reading of the unit's status codes.
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

    UnitLink(platform::SerialPort &port, platform::Timer &tmrCheckGSM, platform::Dialogs &dialogs,
             LinkHost &host, QObject *parent = nullptr);

    // Queue: entries 0..cmd_count-1 are commands; entry cmd_count is always left empty so
    // the chain finds its end. Refuses (false) a command that would take that last entry.
    bool queue_cmd(const QString &label, const QString &value, const QString &word);
    void clear_queue();
    const std::array<QueueEntry, kQueueEntries> &cmd_queue() const { return queue_; }
    int cmd_count() const { return cmdCount_; }
    int cmd_pos() const { return cmdPos_; }

    // "*" + password + " " + word + value + "*", no line end.
    QString wire_text(int entry) const;
    QString wire_text(int entry, const QString &pass) const;
    QString password() const;

    // Sends entry 0 after the queue was filled and starts the chain. False (with a message
    // to the operator) when nothing could be sent.
    bool start_upload();
    // Writes entry i and logs it as sent, opened by `prefix` instead of the password
    // when one is given. False when it could not be written.
    bool send_entry(int i, const QString &prefix = QString());
    // Writes bytes as they are: no queue, no log, no progress. False (with a message) when
    // the port is not open.
    bool write_command(const QByteArray &bytes);
    bool port_open() const;
    // True when the port is open; otherwise tells the operator and returns false.
    bool check_port();

    void set_link_mode(const QString &mode) { linkMode_ = mode; }
    QString link_mode() const { return linkMode_; }

    QString rx_buffer() const { return rx_; }
    QString take_rx_buffer();
    void clear_rx_buffer() { rx_.clear(); }

    // Reads the status codes of one whole reply and acts on them.
    void process_reply(const QString &reply);
    bool ack_flag1() const { return ack_[0]; }
    bool ack_flag2() const { return ack_[1]; }
    bool ack_flag3() const { return ack_[2]; }
    bool ack_flag4() const { return ack_[3]; }
    // The latest reply acknowledged the command.
    bool accepted() const { return ack_[0] || ack_[1] || ack_[2] || ack_[3]; }

    ChainState chain_state() const { return state_; }
    // The latest refusal of a chain command, for callers that tell it their own way.
    const Refusal &last_refusal() const { return refusal_; }

    // An upload cut off by the port can go on where it stopped: the command the unit had
    // not acknowledged is sent again, then the rest. resume_at() counts from 1.
    bool can_resume() const { return state_ == ChainState::Aborted && acked_ < cmdCount_; }
    int resume_at() const { return acked_ + 1; }
    bool resume_upload();
    // The port is being closed under a running chain: the answer it waits for is lost.
    void interrupt();

    // A unit that stops answering mid-upload would otherwise leave the operator looking at
    // a progress bar that never moves. With a timer set, the operator is told when a
    // command has waited `kReplyPatienceMs` for its answer; the chain keeps waiting.
    static constexpr int kReplyPatienceMs = 10000;
    void setReplyTimer(platform::Timer *timer);

signals:
    void chainStateChanged(unitlink::UnitLink::ChainState state);
    // Text arrived in download mode; it waits in rx_buffer() and the quiet timer restarted.
    void downloadDataReceived();

private:
    void onDataReceived();
    void onPortLost(int errorNumber, const QString &description);
    void onReplyComplete(qsizetype codesStart); // the codes start there in rx_
    void keepTail(qsizetype limit);
    bool writeOrComplain(const QByteArray &bytes);
    void setState(ChainState state);
    void onReplyOverdue();
    qsizetype codesStart(const QString &reply) const;
    bool offerCurrentPassword(int entry);
    void refuse(int entry, const QList<qint16> &codes);

    platform::SerialPort &port_;
    platform::Timer &tmrCheckGSM_;
    platform::Timer *replyTimer_ = nullptr;
    platform::Dialogs &dialogs_;
    LinkHost &host_;

    std::array<QueueEntry, kQueueEntries> queue_;
    int cmdCount_ = 0;
    int cmdPos_ = 0;
    int acked_ = 0; // entries before this one were acknowledged by the unit
    QString rx_;
    QString linkMode_;
    std::array<bool, 4> ack_{};
    bool outputStateOnly_ = false; // the latest reply only reported output states
    bool wrongPassword_ = false;   // the latest reply carried 39
    bool passwordTold_ = false;    // "Incorrect GSM unit password" shown for this exchange
    bool passwordAsked_ = false;   // the unit's current password asked for in this chain
    QString lastSent_;             // the wire text of the chain command awaiting its answer
    int clearedAt_ = -1;           // the acknowledged "TEL CLRN" entry of this chain
    Refusal refusal_;
    ChainState state_ = ChainState::Idle;
};

} // namespace unitlink
