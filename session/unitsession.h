#pragma once
#include "link/unitlink.h"
#include "settings/settingsset.h"
#include "transfer/dumpreader.h"
#include "transfer/uploadjob.h"
#include "transfer/uploadplan.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace platform {
class SerialPort;
class Timer;
} // namespace platform
namespace unitlink {
class OutputTester;
}

namespace session {

// An upload as the operator is asked about it; upload() sends exactly this.
struct PreparedUpload {
    settings::SettingsSet settings;
    transfer::UploadChoices choices;
    transfer::UploadPlan plan;
    QString problem;        // why it cannot be sent; empty when it can
    bool unitKnown = false; // the plan was chosen from what the unit is known to hold
    double seconds = 0;     // the chain, and the read-back when it is verified
};

// How one read of the unit's settings ended.
struct ReadOutcome {
    transfer::DumpOutcome dump;
    std::optional<settings::SettingsSet> unit; // Received: what the dump says the unit holds
};

// The port closed under the session.
struct PortLoss {
    int errorNumber = 0;
    QString description;
    bool cut = false; // an upload's chain was running
    int acknowledged = 0;
    int total = 0;
};

// One unit on one port: opens and closes the port, and owns the link, its timers, the settings
// reader, the upload and the output test, and the one record of what the unit holds. It
// reports what happens as events and outcome values; whoever shows them only presents.
class UnitSession : public QObject {
    Q_OBJECT
public:
    using TimerFactory = std::function<std::unique_ptr<platform::Timer>()>;
    struct Patience {
        int replyMs = unitlink::UnitLink::kReplyPatienceMs;  // for each command's answer
        int firstByteMs = transfer::DumpReader::kNoAnswerMs; // for the first byte of a dump
    };

    UnitSession(platform::SerialPort &port, const TimerFactory &makeTimer, const QString &model,
                QObject *parent = nullptr);
    ~UnitSession() override;

    const QString &model() const { return model_; }
    // The link as it stands, to look at (what it keeps, who uses the line).
    const unitlink::UnitLink &link() const { return *link_; }
    void setPatience(const Patience &patience);

    // Opens `path` in place of the port open now; another unit may be on the other end.
    bool open(const QString &path);
    void close();
    bool isOpen() const;
    int errorNumber() const;
    QString errorDescription() const;

    // What the unit is known to hold: the last complete read from it or the last verified
    // upload. Forgotten when the port opens, closes or goes away.
    const std::optional<settings::SettingsSet> &held() const { return held_; }
    // The operator's word for what the unit holds.
    void assumeHeld(const settings::SettingsSet &set) { held_ = set; }

    // What an upload of `set` would send now, checked and measured.
    PreparedUpload prepare(const settings::SettingsSet &set, transfer::UploadChoices choices) const;
    // Sends `prepared` as it was asked about; false when it already ended (uploadDone()).
    bool upload(const PreparedUpload &prepared);
    bool uploading() const;
    const transfer::UploadPlan &currentPlan() const;
    // The answer to currentPasswordWanted(): the unit's present password, or empty to give up.
    void answerCurrentPassword(const QString &current);

    // An upload cut off by the port's loss can go on once the port is back.
    bool canResume() const;
    int resumeAt() const;
    int resumeTotal() const;
    bool resume();
    // The question before resume(): where it goes on, and the reads around it with their time.
    QString resumeQuestion() const;
    // After an upload that was not resumed: the whole sequence of the same settings, to the
    // unit on the line.
    bool restartWhole();

    // Asks the unit for its settings; false when nothing was sent (busy, or the port is not open).
    // `expectedBytes`: about how long the answer will be (0: as long as the largest list).
    bool read(const QString &password, qint64 expectedBytes = 0);
    bool reading() const;

    // An output test: one command outside any chain.
    void pressOutput(int output, bool on, const QString &password);

    // Stops the upload after the answer in flight, or a read at once.
    void stop();
    // An upload or a read holds the line.
    bool busy() const;

signals:
    void opened();
    void portLost(const session::PortLoss &loss);
    void resumed(int at, int total);
    // Nothing was written: the port is not open.
    void notSent();
    void busyChanged(bool busy);

    // What went over the line, for a log.
    void commandSent(int number, int total, const QString &wireText);
    void replyReceived(const QString &text, const QList<qint16> &codes);
    void acknowledged(int done, int total);
    void replyOverdue(int number, int total, const QString &label);
    void readProgress(qint64 received, qint64 expected);
    // An answer came after its read had failed; it was logged, not read.
    void lateAnswerIgnored();
    void lateAnswer(const QString &text);

    // An output test's answers.
    void outputReported(int output, bool on);
    void outputButtonsEnabled(bool enabled);
    // The unit refused the password outside an upload (an upload tells it in its outcome).
    void wrongPassword();

    void verifying();
    // The unit refused the password command's opening password; answerCurrentPassword() answers.
    void currentPasswordWanted(const QString &newPassword);
    void uploadDone(const transfer::UploadOutcome &outcome);
    void readDone(const session::ReadOutcome &outcome);

private:
    void onUploadFinished(const transfer::UploadOutcome &outcome);
    void onRead(const transfer::DumpOutcome &dump);
    void onPortLost(int errorNumber, const QString &description, bool cut, int acknowledged, int total);
    void updateBusy();

    platform::SerialPort &port_;
    QString model_;
    std::unique_ptr<platform::Timer> quietTimer_, readDeadline_, replyTimer_, outputLock_;
    std::unique_ptr<unitlink::UnitLink> link_;
    std::unique_ptr<unitlink::OutputTester> outputTester_;
    std::unique_ptr<transfer::DumpReader> reader_;
    std::unique_ptr<transfer::UploadJob> upload_;
    std::optional<settings::SettingsSet> held_;
    bool numbersOnly_ = false; // the upload running sends the list only
    QString outputPassword_;
    bool busy_ = false;
};

} // namespace session
