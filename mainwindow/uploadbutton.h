#pragma once
#include <QCoreApplication>
#include <QString>
#include <functional>

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

namespace mainwindow {

// The upload button: checks the port and the settings, asks with the plan, then has the session
// send exactly that plan. False when nothing was started.
class UploadButton {
    Q_DECLARE_TR_FUNCTIONS(mainwindow::UploadButton)
public:
    static bool press(const settings::SettingsEditors &editors, bool verify, session::UnitSession &session,
                      platform::Dialogs &dialogs, const std::function<void()> &clearLog);
    // The question's lines under its first: the plan with its time, why everything goes, what
    // is replaced.
    static QString informative(const session::PreparedUpload &prepared);
};

} // namespace mainwindow
