#pragma once
#include "transfer/verify.h"

#include <QObject>
#include <QString>
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
        Received,      // a whole dump, up to "<END>"
        NoAnswer,      // nothing came within the wait for a first character (setNoAnswerMs)
        WrongPassword, // the answer carried code 39
        Incomplete,    // the line went quiet before "<END>", or a record is damaged (see problem)
        TooLarge,      // more than kLargestAnswer characters
        TooSlow,       // no "<END>" within answerLimitMs() after the first character
        Interrupted,   // an upload or an output test took the line over
        LineLost,      // the port closed
        Stopped,       // stopped on request
    };
    Status status = Status::NoAnswer;
    QString raw;     // the answer as it came (Received, WrongPassword, Incomplete)
    QString records; // Received: the answer without CR and LF, ready for the parser
    QString problem; // Incomplete: the damaged record and what is wrong with it
    int limitMs = 0; // TooSlow: how long the answer was given
};

// Reads the unit's settings dump, with no widgets: one request (the link's dump request),
// then the answer is collected by the link until the line has been
// quiet for a second. Every request ends in exactly one call of its `done`. An answer that
// comes after its request was declared failed is logged, never read, and reported once.
class DumpReader : public QObject {
    Q_OBJECT
public:
    static constexpr int kNoAnswerMs = 5000;
    // A 1000-number dump is about 25 KB; nothing this large is a dump.
    static constexpr qsizetype kLargestAnswer = 1024 * 1024;
    static constexpr int kQuietMs = 1000;
    using Done = std::function<void(const DumpOutcome &)>;

    // `quiet` restarts on every arrival and ends the answer when it ticks; `deadline` limits
    // the wait. Both are this reader's own.
    DumpReader(unitlink::UnitLink &link, platform::Timer &quiet, platform::Timer &deadline,
               std::function<void(const QString &)> appendLog, QObject *parent = nullptr);

    // Sends the request. False, with `done` never called, when it was not sent: another
    // request is still waiting, or the port is closed (the link has reported it).
    // `expectedBytes` is about how long the answer will be (0: unknown, as long as the largest
    // list); it sets how long the answer may take and the progress reported.
    bool request(const QString &password, Done done, qint64 expectedBytes = 0);
    // Ends the request now, with Stopped.
    void stop();
    bool busy() const { return state_ == State::Waiting || state_ == State::Collecting; }
    // How long a request waits for the first character (kNoAnswerMs unless set).
    void setNoAnswerMs(int ms) { noAnswerMs_ = ms; }
    // How long an answer of `expectedBytes` may take once it began: twice its time at the
    // line's speed, and the wait for a first character on top, for a slow or busy unit.
    int answerLimitMs(qint64 expectedBytes) const;

signals:
    void busyChanged(bool busy);
    // Characters of the answer received so far, of about `expected`.
    void progress(qint64 received, qint64 expected);
    // An answer came after its request had failed; it was logged, not read. Once per failure.
    void lateAnswerIgnored();

private:
    enum class State { Idle,
                       Waiting,
                       Collecting };
    void onData();
    void onQuiet();
    void onDeadline();
    void finish(DumpOutcome::Status status, const QString &raw = QString());

    unitlink::UnitLink &link_;
    platform::Timer &quiet_;
    platform::Timer &deadline_;
    std::function<void(const QString &)> appendLog_;
    State state_ = State::Idle;
    Done done_;
    int noAnswerMs_ = kNoAnswerMs;
    qint64 expected_ = 0;
    bool failed_ = false;   // the last request ended without a dump
    bool toldLate_ = false; // the operator knows a late answer was ignored
};

} // namespace transfer
