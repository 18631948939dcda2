#pragma once
#include <QString>
#include <QStringList>
#include <functional>

namespace platform {
class Dialogs;
}
namespace settings {
class SettingsEditors;
}
namespace transfer {
class UploadJob;
struct UploadOutcome;
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
// the editors hold now. False when nothing was started.
bool cmdUpload_Click(const settings::SettingsEditors &editors, const QString &unitModel, bool verify,
                     unitlink::UnitLink &link, transfer::UploadJob &job, platform::Dialogs &dialogs,
                     const std::function<void()> &clearLog);

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
