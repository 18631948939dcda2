#pragma once
#include "settings/settingsset.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace platform {
class Dialogs;
}
namespace settings {
class SettingsEditors;
}
namespace transfer {
class UploadJob;
struct UploadOutcome;
struct UploadPlan;
} // namespace transfer
namespace unitlink {
class UnitLink;
}

namespace mainwindow {

// What the operator reads about the line.
QString not_open_text();
QString port_lost_text(int errorNumber, const QString &description, bool cut, int acknowledged, int total);
QString overdue_text(int number, int total, const QString &label, int patienceMs);
inline const QString kVerifyTitle = QStringLiteral("Verify after upload");

// The upload button: checks the port and the settings, asks, then starts the job with what
// the editors hold now. False when nothing was started. When what the unit holds is known, the
// question offers "Show the changes" (`showChanges`, then the question comes again), and an
// upload that would clear the list of a unit naming another site asks again, Cancel first.
bool cmdUpload_Click(const settings::SettingsEditors &editors, const QString &unitModel, bool verify,
                     unitlink::UnitLink &link, transfer::UploadJob &job, platform::Dialogs &dialogs,
                     const std::function<void()> &clearLog, const std::function<void()> &showChanges = {});

// Asks before an upload of `plan` clears the list of a unit known to be another site's; true
// when it may go (nothing to ask, or "Upload anyway").
bool mayClearUnit(const std::optional<settings::SettingsSet> &held, const settings::SettingsSet &wanted,
                  const transfer::UploadPlan &plan, platform::Dialogs &dialogs);

// How the window reports an upload's end: the log lines it adds and the message it shows
// (empty where the link's own events already told the operator).
struct OutcomeReport {
    QStringList log;
    QString message;
    bool stop = false; // the message takes the stop icon
    QString title;
};
OutcomeReport report_of(const transfer::UploadOutcome &outcome);

} // namespace mainwindow
