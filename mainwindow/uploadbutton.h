#pragma once
#include "settings/settingsset.h"

#include <QCoreApplication>
#include <QString>
#include <functional>
#include <optional>

namespace platform {
class Dialogs;
}
namespace session {
class UnitSession;
struct PreparedUpload;
} // namespace session
namespace settings {
class SettingsEditors;
}
namespace transfer {
struct UploadPlan;
}

namespace mainwindow {

// Asks before an upload of `plan` clears the list of a unit known to be another site's; true
// when it may go (nothing to ask, or "Upload anyway").
bool mayClearUnit(const std::optional<settings::SettingsSet> &held, const settings::SettingsSet &wanted,
                  const transfer::UploadPlan &plan, platform::Dialogs &dialogs);

// The upload button: checks the port and the settings, asks with the plan, then has the session
// send exactly that plan. False when nothing was started. When what the unit holds is known, the
// question offers "Show the changes" (`showChanges`, then the question comes again), and an
// upload that would clear the list of a unit naming another site asks again, Cancel first.
class UploadButton {
    Q_DECLARE_TR_FUNCTIONS(mainwindow::UploadButton)
public:
    static bool press(const settings::SettingsEditors &editors, bool verify, session::UnitSession &session,
                      platform::Dialogs &dialogs, const std::function<void()> &clearLog,
                      const std::function<void()> &showChanges = {});
    // The question's lines under its first: the plan with its time, why everything goes, what
    // is replaced.
    static QString informative(const session::PreparedUpload &prepared);
};

} // namespace mainwindow
