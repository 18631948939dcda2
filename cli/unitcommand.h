#pragma once
#include "cli/request.h"
#include "cli/secret.h"
#include "platform/portcatalogue.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <QMap>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace messages {
struct Message;
}
namespace session {
class UnitSession;
}
namespace settings {
struct SettingsSet;
}
namespace transfer {
struct UploadOutcome;
struct UploadPlan;
struct Verification;
} // namespace transfer

namespace cli {

class Reporter;

// The end of one run: its exit code, the line that says so, and what --json prints.
class Result {
    Q_DECLARE_TR_FUNCTIONS(cli::Result)
public:
    explicit Result(const Request &request);
    QJsonObject json;
    // Says `message` (an error unless `code` is kDone), prints the JSON when asked, gives `code`.
    int finish(Reporter &report, int code, const QString &message);

private:
    bool printJson_ = false;
};

void printJson(const QJsonObject &object);
// The ports numbered as the selection window numbers them at start; the simulated unit is last.
platform::PortCatalogue port_catalogue();
// The plan as --json gives it.
QJsonObject planJson(const transfer::UploadPlan &plan);
// A verification's matches, differences and what could not be compared, into `json`.
void addVerificationJson(QJsonObject &json, const transfer::Verification &v);
// "step: " before every line of `message`, its details on the same line.
QString stepLines(const QString &step, const messages::Message &message);

// The unit's password for a request, and how it was given.
struct Password {
    QString text;
    Secret::Source source = Secret::Source::Default;
    QString error; // a usage error
};
// `fileHolds`: the settings file carries its own password, used when none is given.
Password password_for(const Request &request, Reporter &report, const std::optional<QString> &fileHolds);
// The hint after a wrong password, naming the way it was given.
QString password_hint(Secret::Source source);

// One conversation with the unit over the session; ends with finish().
class UnitCommand : public QObject {
    Q_OBJECT
public:
    UnitCommand(session::UnitSession &session, Reporter &report, Result &result);
    virtual void start() = 0;
    // Ctrl-C: stops at once unless the command knows better.
    virtual void interrupt();
    bool isFinished() const { return finished_; }
    int exitCode() const { return exitCode_; }

signals:
    void finished(int exitCode);

protected:
    void finish(int code, const QString &message);

    session::UnitSession &session_;
    Reporter &report_;
    Result &result_;

private:
    QMap<qint16, int> codes_; // how often the unit gave each code
    bool finished_ = false;
    int exitCode_ = kDone;
};

using MakeCommand = std::function<std::unique_ptr<UnitCommand>(session::UnitSession &)>;
// Opens the request's port (a simulated unit for "sim"), runs the command to its end, and
// gives its exit code.
int run_on_unit(const Request &request, Reporter &report, Result &result, const MakeCommand &make);

// Reads the unit's settings into `out` over the request's port; the exit code, with the line
// that said it in `message` (already told through `report`).
int read_unit_settings(const Request &request, Reporter &report, const Password &password, const QString &step,
                       settings::SettingsSet *out, QString *message);

// What a caller learns while an upload or sync runs: what the unit held when a sync read it
// (the dump's records), and how the upload ended with the plan it sent.
struct UploadWatch {
    std::function<void(const QString &records)> unitRead;
    std::function<void(const transfer::UploadOutcome &outcome)> ended;
};
// Uploads `set` as the request says (sync: read first, then verify), telling `watch`; the exit
// code, with the run's JSON in `result`.
int upload_set(const Request &request, Reporter &report, Result &result, const settings::SettingsSet &set,
               const Password &password, const UploadWatch &watch);

} // namespace cli
