#pragma once
#include "platform/dialogs.h"
#include "settings/settingsset.h"

#include <QObject>
#include <QString>
#include <functional>

namespace settings {
class SettingsEditors;
}

namespace transfer {

class DumpReader;
struct DumpOutcome;

// The download button: reads the unit's settings into the editors. The editors change only
// when a whole dump arrived; every failure is told once and changes nothing.
class Download : public QObject {
    Q_OBJECT
public:
    Download(DumpReader &reader, settings::SettingsEditors &editors, platform::Dialogs &dialogs,
             std::function<void()> clearLog, std::function<void(const QString &)> appendLog,
             QObject *parent = nullptr);

    void cmdDownload_Click();

signals:
    // The unit's settings are now in the editors; `unit` is what its dump says it holds.
    void loaded();
    void unitRead(const settings::SettingsSet &unit);

private:
    void done(const DumpOutcome &outcome);
    void tell(const QString &text, platform::Dialogs::Icon icon);

    DumpReader &reader_;
    settings::SettingsEditors &editors_;
    platform::Dialogs &dialogs_;
    std::function<void()> clearLog_;
    std::function<void(const QString &)> appendLog_;
};

} // namespace transfer
