#pragma once
#include <QCoreApplication>
#include <QString>

namespace transfer {
struct DumpOutcome;
struct UploadOutcome;
struct UploadPlan;
struct Verification;
} // namespace transfer
namespace unitlink {
struct Refusal;
}
namespace session {
struct PortLoss;
struct ReadOutcome;
} // namespace session

namespace messages {

// One thing to tell: a title, one sentence (or a few, read together) and details below it.
struct Message {
    enum class Kind {
        None,        // nothing to tell: something else already told it
        Information, // what the operator asked for happened
        Problem,     // it did not happen, or not all of it
    };
    Kind kind = Kind::None;
    QString title;
    QString text;
    QString details;
    bool isEmpty() const { return kind == Kind::None; }
    // The text and its details as one block, for a log or a terminal.
    QString full() const;
};

// Every text a person reads about the unit, in one place.
class Texts {
    Q_DECLARE_TR_FUNCTIONS(messages::Texts)
public:
    // The one message at the end of an upload; with a read-back, after it.
    static Message upload(const transfer::UploadOutcome &outcome);
    // How a read of the unit's settings ended; empty for a complete read.
    static Message read(const session::ReadOutcome &outcome);
    // Why a dump did not come whole (a wrong password, silence, ...); empty when it did.
    static QString readFailure(const transfer::DumpOutcome &dump);
    static Message portLost(const session::PortLoss &loss);
    static Message portNotOpen();
    static QString portOpenFailed(int errorNumber, const QString &description);
    static Message overdue(int number, int total, const QString &label, int patienceMs);
    static Message lateAnswerIgnored();
    static QString wrongPassword();

    // "The unit refused "System name" (code 11). The upload stopped at command 2 of 13."
    static QString refusal(const unitlink::Refusal &refusal);
    // "Verified: the name, 4 inputs and 996 numbers match.", or the differences.
    static QString verification(const transfer::Verification &result);
    // The upload question's time, the read-back included when it is verified: "about 9 s".
    static QString uploadQuestion();
    static QString currentPasswordQuestion(const QString &newPassword);
    static QString currentPasswordTitle();
    static QString stoppedByOperator();
};

} // namespace messages
