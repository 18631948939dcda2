#pragma once
#include "link/unitlink.h"
#include "settings/settingsset.h"
#include "transfer/upload.h"
#include "transfer/uploadplan.h"
#include "transfer/verify.h"

#include <QObject>
#include <QString>
#include <optional>

namespace transfer {

class DumpReader;
struct DumpOutcome;

// What the operator chose for one upload besides the settings themselves (which carry the
// "System parameters" and "Telephone numbers" choices).
struct UploadChoices {
    QString model;                     // settings::kGate or settings::kIntercom
    QString password;                  // opens the unit until it took the new one; empty: held()'s, else the set's
    bool verify = false;               // read the settings back and compare once every command was acknowledged
    bool giveUpOnSilence = false;      // a command unanswered for the link's patience ends the upload
    bool offerCurrentPassword = false; // a refused password command may be sent again with another password
    bool sendEverything = false;       // the whole sequence, whatever the unit is known to hold
    bool numbersOnly = false;          // the master number and the list only; the opening password stays
};

// How an upload ended: exactly one of these per start (or resume).
struct UploadOutcome {
    enum class Kind {
        Done,          // every command acknowledged (and, if read back, the unit holds what was sent)
        Unsendable,    // nothing sent: a value the unit cannot take, or more commands than one upload holds
        PortClosed,    // nothing could be written
        Refused,       // the unit answered a command without acknowledging it
        WrongPassword, // the unit refused the password that opened a command
        NoAnswer,      // the unit did not answer in time, or its settings did not come back whole
        Unreadable,    // the answer held nothing but noise
        PortLost,      // the port closed under the upload; it can be resumed
        Differences,   // read back, the unit holds other settings than were sent
        Stopped,       // stopped on request after the answer in flight
        NotResumed,    // a resume found another unit, or could not tell; nothing was sent (reason)
    };
    Kind kind = Kind::Done;
    int acknowledged = 0;                     // commands the unit acknowledged
    int total = 0;                            // commands of the upload
    bool readingBack = false;                 // it ended while the settings were read back
    QString reason;                           // Unsendable, and a read-back that failed: what happened, for a person
    unitlink::Refusal refusal;                // Refused, and WrongPassword during the chain
    int command = 0;                          // NoAnswer and Unreadable during the chain: the command awaited, from 1
    QString label;                            // and its label
    std::optional<Verification> verification; // when the settings were read back and compared
    QString dumpText;                         // the read-back's answer as it came
    // The chain ended before its last command: what the unit's list now holds, for a person
    // ("The unit's list now holds the first 302 of 1000 numbers; upload again to complete it").
    QString unitHolds;
};

// What the operator is told of a refusal: "The unit refused "System name" (code 11). The
// upload stopped at command 2 of 13.", and what became of the unit's number list.
QString refusal_text(const unitlink::Refusal &refusal);

// One upload with no widgets: checks the settings, runs the chain of commands over the link,
// optionally reads the settings back and compares, and ends in one UploadOutcome.
class UploadJob : public QObject {
    Q_OBJECT
public:
    UploadJob(unitlink::UnitLink &link, DumpReader &reader, QObject *parent = nullptr);

    // Why `set` cannot be uploaded to a unit of `model` (a value it cannot take, or too many
    // commands); empty when it can.
    static QString problem(const settings::SettingsSet &set, const QString &model);

    // What the unit is known to hold: the settings of the last complete read from it or of the
    // last verified upload. Whoever owns the port forgets it when the port closes or opens.
    const std::optional<settings::SettingsSet> &held() const { return held_; }
    void setHeld(const std::optional<settings::SettingsSet> &held) { held_ = held; }
    void forgetHeld() { held_.reset(); }
    // What start() would send for `set` now.
    UploadPlan plan(const settings::SettingsSet &set, const UploadChoices &choices) const;
    // The plan of the upload started last.
    const UploadPlan &currentPlan() const { return plan_; }

    // Starts the upload with the shortest safe plan; false when it already ended (finished()
    // was emitted). Anything but a verified upload leaves what the unit holds unknown.
    bool start(const settings::SettingsSet &set, const UploadChoices &choices);
    bool running() const { return running_; }
    // After PortLost, with the port back: the rest of the chain, then a read-back whatever
    // `verify` said, to make sure it is the same unit.
    // The resume first reads the unit: only the unit the upload began with gets the rest.
    bool can_resume() const;
    bool resume();
    // The question before resume(): where it goes on, and the reads around it with their time.
    QString resumeQuestion() const;
    // After NotResumed: the whole sequence of the same settings, to whatever unit is there.
    bool restartWhole();
    // Ends the upload after the answer in flight; a second call ends it at once.
    void stop();
    // The answer to currentPasswordWanted(): the unit's present password, or empty to give up.
    void resendWith(const QString &current);

signals:
    void verifying();
    // The unit refused the password command's opening password; resendWith() answers.
    void currentPasswordWanted(const QString &newPassword);
    void finished(const transfer::UploadOutcome &outcome);

private:
    enum class Phase { Idle,
                       Chain,
                       ResumeCheck,
                       ReadBack };
    void onAcknowledged(int done, int total);
    void onCompleted();
    void onRefused(const unitlink::Refusal &refusal);
    void onUnreadable();
    void onOverdue(int number, int total, const QString &label);
    void onPortLost(bool cut);
    void onStopped();
    void onDump(const DumpOutcome &dump);
    void onResumeDump(const DumpOutcome &dump);
    // The password the unit holds after the acknowledged commands.
    QString passwordNow() const;
    void endChain(UploadOutcome outcome);
    void finish(UploadOutcome outcome);
    bool inChain() const { return running_ && phase_ == Phase::Chain; }

    unitlink::UnitLink &link_;
    DumpReader &reader_;
    SentUpload sent_;
    UploadChoices choices_;
    UploadPlan plan_;
    QString opening_; // the password that opens the chain's first command
    std::optional<settings::SettingsSet> held_;
    std::optional<settings::SettingsSet> before_; // held_ when the upload started
    Phase phase_ = Phase::Idle;
    bool running_ = false;
    bool resumed_ = false;
    bool stopping_ = false;
    bool asked_ = false; // the current password was asked for in this upload
    std::optional<unitlink::Refusal> awaiting_;
};

} // namespace transfer
