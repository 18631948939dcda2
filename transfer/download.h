#pragma once
#include <QObject>
#include <QString>
#include <functional>

namespace platform {
class Dialogs;
class Timer;
} // namespace platform
namespace settings {
class SettingsEditors;
}
namespace unitlink {
class UnitLink;
}

namespace transfer {

// Reading the settings back from the unit: one request, then the unit's dump is collected
// by the link until the line has been quiet for a second (tmrCheckGSM), and parsed when it
// holds "<END>". The editors change only when a complete answer arrived.
class Download : public QObject {
    Q_OBJECT
public:
    // How long the unit may take before its first character, in milliseconds.
    static constexpr int kNoAnswerMs = 5000;

    // `noAnswer` is this object's own timer; `tmrCheckGSM` is the one the link restarts on
    // every arrival in download mode.
    Download(unitlink::UnitLink &link, platform::Timer &tmrCheckGSM, platform::Timer &noAnswer,
             settings::SettingsEditors &editors, platform::Dialogs &dialogs, std::function<void()> clearLog,
             std::function<void(const QString &)> appendLog, QObject *parent = nullptr);

    // The download button: sends the request. A request that could not be written
    // changes nothing.
    void cmdDownload_Click();
    // The line has been quiet for a second: parse a complete answer, drop anything else.
    void tmrCheckGSM_Timer();

private:
    void noAnswer_Timer();

    unitlink::UnitLink &link_;
    platform::Timer &tmrCheckGSM_;
    platform::Timer &noAnswer_;
    settings::SettingsEditors &editors_;
    platform::Dialogs &dialogs_;
    std::function<void()> clearLog_;
    std::function<void(const QString &)> appendLog_;

    // Between a request and the first check of its answer.
    bool awaiting_ = false;
    // Text left in the receive buffer from before the request.
    qsizetype leftover_ = 0;
};

} // namespace transfer
