#pragma once
#include "platform/dialogs.h"

#include <QObject>
#include <QString>
#include <functional>

namespace session {
class UnitSession;
struct ReadOutcome;
} // namespace session
namespace settings {
class SettingsEditors;
}

namespace mainwindow {

// The download button: reads the unit's settings into the editors. The editors change only
// when a whole dump arrived; every failure is told once and changes nothing.
class Download : public QObject {
    Q_OBJECT
public:
    Download(session::UnitSession &session, settings::SettingsEditors &editors, platform::Dialogs &dialogs,
             std::function<void()> clearLog, std::function<void(const QString &)> appendLog,
             QObject *parent = nullptr);

    void start();

signals:
    // The unit's settings are now in the editors.
    void loaded();

private:
    void done(const session::ReadOutcome &outcome);
    void tell(const QString &text, platform::Dialogs::Icon icon);

    session::UnitSession &session_;
    settings::SettingsEditors &editors_;
    platform::Dialogs &dialogs_;
    std::function<void()> clearLog_;
    std::function<void(const QString &)> appendLog_;
    bool waiting_ = false; // a read this button started is under way
};

} // namespace mainwindow
