#pragma once
#include "transfer/verify.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

namespace platform {
class Timer;
} // namespace platform
namespace unitlink {
class UnitLink;
}

namespace settings {
struct SettingsSet;
}

namespace transfer {

// About how many characters the unit's dump of `set` takes on the line.
qint64 expected_dump_bytes(const settings::SettingsSet &set);
// The same for the longest list one upload can give.
qint64 largest_dump_bytes();

// How one request for the unit's settings ended.
struct DumpOutcome {
    enum class Status {
        Received,      // a whole dump, from its own beginning up to "<END>"
        NoAnswer,      // nothing came within the wait for a first character (setNoAnswerMs)
        WrongPassword, // the answer carried code 39
        Incomplete,    // the line went quiet before "<END>", the answer's beginning or one of the
                       // records every dump carries is missing, or a record is damaged (see problem)
        TooLarge,      // more characters than any dump holds, without its end
        Interrupted,   // an upload or an output test took the line over
        LineLost,      // the port closed
        Stopped,       // stopped on request
    };
    Status status = Status::NoAnswer;
    QString raw;            // the answer as it came (Received, WrongPassword, Incomplete)
    QString records;        // Received: the answer from its first record, without CR and LF, ready for the parser
    QString problem;        // Incomplete: the damaged or missing record and what is wrong with it
    qint64 bytes = 0;       // characters that came for this request, leftovers of earlier answers included
    int numbersSeen = 0;    // Incomplete: number records that came before the line went quiet
    int waitedMs = 0;       // NoAnswer: how long the first character was waited for; Incomplete: the quiet gap
    bool beginning = false; // the answer's own beginning came
    // What happened and what to try, for the operator; empty for Received and LineLost.
    QString reason() const;
};

// The records every whole dump carries; a dump without one of them is refused, naming it.
QStringList required_dump_tags();

// Reads the unit's settings dump, with no widgets. A request whose line may still carry the
// rest of an earlier answer (one that failed or was stopped) first waits until the line has
// been quiet for kQuietMs and drops what came, then sends the dump request. An answer counts
// from its own beginning (the echo of the request and the first record, "|MP,") to "<END>";
// a piece that ends in "<END>" without that beginning is the rest of an earlier answer: it is
// logged and dropped, and the reader goes on waiting. Once the answer has begun, the reader
// waits as long as characters keep coming, however slowly: it gives up only when the line
// has been quiet for kQuietMs, or when more came than any dump holds. Every request ends in
// exactly one call of its `done`. An answer that comes after its request failed is logged,
// never read, and reported once.
class DumpReader : public QObject {
    Q_OBJECT
public:
    static constexpr int kNoAnswerMs = 5000;
    static constexpr int kQuietMs = 1000;
    using Done = std::function<void(const DumpOutcome &)>;

    // `quiet` restarts on every arrival and ends the answer when it ticks; `deadline` is the
    // wait for the first character. Both are this reader's own.
    DumpReader(unitlink::UnitLink &link, platform::Timer &quiet, platform::Timer &deadline,
               std::function<void(const QString &)> appendLog, QObject *parent = nullptr);

    // Starts a request. False, with `done` never called, when it was not started: another
    // request is still running, or the port is closed (the link has reported it).
    // `expectedBytes` is about how long the answer will be (0: unknown, as long as the
    // largest list); it only sizes the progress reported, never the wait.
    bool request(const QString &password, Done done, qint64 expectedBytes = 0);
    // Ends the request now, with Stopped.
    void stop();
    bool busy() const { return state_ != State::Idle; }
    // How long a request waits for the first character (kNoAnswerMs unless set).
    void setNoAnswerMs(int ms) { noAnswerMs_ = ms; }
    // More than this many characters for one request is not a dump: room for the longest
    // list twice over (the rest of an earlier answer, then this one) and a margin.
    static qint64 answerBound();

signals:
    void busyChanged(bool busy);
    // Characters of the answer received so far, of about `expected`.
    void progress(qint64 received, qint64 expected);
    // An answer came after its request had failed; it was logged, not read. Once per failure.
    void lateAnswerIgnored();

private:
    enum class State { Idle,
                       Draining, // the rest of an earlier answer may still come: waiting for quiet
                       Waiting,  // the request is out; nothing of its answer came yet
                       Collecting };
    bool sendRequest();
    void onData();
    void onQuiet();
    void onDeadline();
    // Drops the rest of earlier answers at the front of the buffer; true when the answer is whole.
    bool scan();
    void drop(qsizetype count);
    void finish(DumpOutcome::Status status, const QString &raw = QString());

    unitlink::UnitLink &link_;
    platform::Timer &quiet_;
    platform::Timer &deadline_;
    std::function<void(const QString &)> appendLog_;
    State state_ = State::Idle;
    Done done_;
    QString password_;
    int noAnswerMs_ = kNoAnswerMs;
    qint64 expected_ = 0;
    qsizetype searched_ = 0; // the buffer holds no "<END>" before this
    qint64 received_ = 0;    // characters that came for this request
    qint64 dropped_ = 0;     // characters of this request dropped as earlier answers' rest
    bool lineDirty_ = false; // an earlier answer may still be on its way
    bool failed_ = false;    // the last request ended without a dump
    bool toldLate_ = false;  // the operator knows a late answer was ignored
};

} // namespace transfer
