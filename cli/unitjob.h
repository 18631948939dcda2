#pragma once
#include "link/unitlink.h"
#include "settings/settingsset.h"
#include "transfer/dumpreader.h"
#include "transfer/uploadjob.h"

#include <QJsonObject>
#include <QMap>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

namespace platform {
class SerialPort;
class Timer;
} // namespace platform

namespace cli {

class Reporter;

// The exit codes of the command-line program.
enum ExitCode : int {
    kDone = 0,
    kUsage = 1,
    kPortFailed = 2, // the port cannot be opened, or went away
    kWrongPassword = 3,
    kRefused = 4,       // the unit refused a command
    kNoAnswer = 5,      // no readable answer within the patience
    kDifferences = 6,   // the unit does not hold what the file holds
    kBadFile = 7,       // the file cannot be read or written, or is not a settings file
    kWrongUnit = 8,     // the unit is another site's: its list was not cleared (--force to go on)
    kRegister = 9,      // the register: not one, an unknown site, a damaged site file
    kRemote = 10,       // the shared register cannot be reached, or refused the push
    kInterrupted = 130, // Ctrl-C
};

// What an upload is told about the unit before it plans.
struct PlanFrom {
    std::optional<settings::SettingsSet> held; // what the unit holds, on the operator's word (--since)
    bool readFirst = false;                    // read the unit to learn what it holds (sync)
    bool dryRun = false;                       // show the plan, send nothing
    bool force = false;                        // upload even to a unit that looks like another site's
    bool numbersOnly = false;                  // send the master number and the list, no "SYS" command
};

// One conversation with the unit on an open port: an upload (optionally verified), a
// download, a verification or an output test. Runs in the event loop and ends with
// finished(); result() then holds what was done for --json. No password is ever shown.
class UnitJob : public QObject {
    Q_OBJECT
public:
    struct Patience {
        int replyMs = unitlink::UnitLink::kReplyPatienceMs;  // for each command's answer
        int firstByteMs = transfer::DumpReader::kNoAnswerMs; // for the first byte of a dump
    };

    UnitJob(platform::SerialPort &port, Reporter &report, Patience patience, QObject *parent = nullptr);
    ~UnitJob() override;

    // `password` opens the unit; the set's own password is what the unit holds afterwards.
    void startUpload(const settings::SettingsSet &set, const QString &model, const QString &password, bool verify,
                     const PlanFrom &from = {});
    // The plan as --json gives it.
    static QJsonObject planJson(const transfer::UploadPlan &plan);
    void startOutput(int output, bool on, const QString &password);
    // Reads the unit's settings into the file at `path`, written whole or not at all.
    void startDownload(const QString &path, const QString &model, const QString &password);
    // Reads the unit's settings for settingsRead(), keeping no file.
    void startRead(const QString &model, const QString &password);
    const std::optional<settings::SettingsSet> &settingsRead() const { return unitRead_; }
    // Compares the unit's settings with `set`, as an upload of it would leave them.
    void startVerify(const settings::SettingsSet &set, const QString &model, const QString &password);

    // Ctrl-C: an upload stops after the command in flight; anything else stops at once.
    void interrupt();

    bool isFinished() const { return phase_ == Phase::Finished; }
    int exitCode() const { return exitCode_; }
    QJsonObject result() const;

signals:
    void finished(int exitCode);
    // A sync read what the unit holds (the dump's records), before it plans.
    void unitRead(const QString &records);
    // An upload ended, verified or not; `plan` is what it set out to send.
    void uploadEnded(const transfer::UploadOutcome &outcome, const transfer::UploadPlan &plan);

private:
    enum class Phase { Idle,
                       Upload,
                       Output,
                       Dump,
                       Finished };

    void onReply(const QString &text, const QList<qint16> &codes);
    void onUploadFinished(const transfer::UploadOutcome &outcome);
    void onPortLost(int errorNumber, const QString &description);
    void requestDump(const QString &password);
    void onDump(const transfer::DumpOutcome &outcome);
    void sendPlanned();
    void writeDownload(const transfer::DumpOutcome &outcome);
    void judge(const transfer::Verification &v, const QString &step);
    void finish(int code, const QString &message);

    platform::SerialPort &port_;
    Reporter &report_;
    Patience patience_;
    std::unique_ptr<platform::Timer> quiet_, dumpDeadline_, replyTimer_;
    std::unique_ptr<unitlink::UnitLink> link_;
    std::unique_ptr<transfer::DumpReader> reader_;
    std::unique_ptr<transfer::UploadJob> upload_;
    QTimer overdue_; // an output test's answer

    Phase phase_ = Phase::Idle;
    bool stopping_ = false;
    QString model_;
    transfer::SentUpload sent_; // what the unit should hold, for a verification
    QString downloadPath_;      // empty: the dump is verified
    bool syncing_ = false;      // the dump tells what the unit holds before the upload
    bool reading_ = false;      // the dump is kept for settingsRead()
    std::optional<settings::SettingsSet> unitRead_;
    transfer::UploadChoices choices_;
    PlanFrom from_;
    int output_ = 0;
    bool outputOn_ = false;
    QMap<qint16, int> codes_; // how often the unit gave each code

    int exitCode_ = kDone;
    QJsonObject result_;
};

} // namespace cli
