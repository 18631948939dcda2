#pragma once
#include "settings/settingsset.h"

#include <QObject>
#include <QString>
#include <memory>
#include <optional>

class QLockFile;

namespace platform {
class Dialogs;
class Timer;
} // namespace platform
namespace settings {
class SettingsEditors;
}

namespace mainwindow {

class Document;

// A copy of the settings written every kAutosaveMs while the document holds unsaved changes,
// removed once it holds none or the window may close, and offered back at the next start of the
// same model when the program stopped without closing.
//
// Copies live in `folder` as "unsaved-<pid>-<time>.gsm" with a ".json" beside it (the file
// they belong to, the model, the time) and a lock file held while the program runs: a copy
// whose lock can be taken belongs to a program that stopped without closing.
class CrashCopy : public QObject {
    Q_OBJECT
public:
    static constexpr int kAutosaveMs = 30000;

    // An empty `folder` keeps no copies.
    CrashCopy(Document &document, settings::SettingsEditors &editors, platform::Dialogs &dialogs,
              std::unique_ptr<platform::Timer> autosave, const QString &folder);
    // A copy outlives a window that was not closed: that is what it is for.
    ~CrashCopy() override;

    QString path() const; // empty without a folder
    // Writes the copy now when there are unsaved changes. False when it could not be written.
    bool write();
    // Offers the newest copy of a stopped program of this model: brought back, discarded, or
    // left for the next start.
    void offer();

private:
    void modifiedChanged(bool modified);
    void remove();
    bool recover(const QString &copy, const QString &file);

    Document &document_;
    settings::SettingsEditors &editors_;
    platform::Dialogs &dialogs_;
    std::unique_ptr<platform::Timer> autosave_;
    QString folder_;
    QString base_; // folder + "/unsaved-<pid>-<time>"
    bool closed_ = false;
    std::unique_ptr<QLockFile> lock_;
    std::optional<settings::SettingsSet> written_; // what the copy holds
};

} // namespace mainwindow
