#pragma once
#include "settings/settingsset.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

class QLockFile;
class QWidget;

namespace platform {
class Dialogs;
class Timer;
} // namespace platform
namespace settings {
class SettingsEditors;
}

namespace mainwindow {

// The name shown for settings that are in no file yet.
inline const QString kUntitled = QStringLiteral("Untitled.gsm");

// Shows `set` in the editors as one step of the undo history named `what`, each number once.
// Returns what the operator is to be told about it (numbers that came more than once, values
// kept over their typing limit); empty when there is nothing to tell.
QString load_with_notes(settings::SettingsEditors &editors, settings::SettingsSet set, const QString &what);

// The settings in the editors as a document: the file they belong to, whether they differ from
// it (or from the start values, or from the last read from the unit), the question before
// anything replaces unsaved changes, and a crash copy kept while there are some.
//
// Crash copies live in `stateFolder` as "unsaved-<pid>-<time>.gsm" with a ".json" beside it
// (the file they belong to, the model, the time) and a lock file held while the program runs:
// a copy whose lock can be taken belongs to a program that stopped without closing.
class Document : public QObject {
    Q_OBJECT
public:
    static constexpr int kAutosaveMs = 30000;

    // `commitEdit` writes back an edit still open in the number grid (may be null).
    // An empty `stateFolder` keeps no crash copies.
    Document(QWidget &window, settings::SettingsEditors &editors, const QString &unitModel, platform::Dialogs &dialogs,
             std::unique_ptr<platform::Timer> autosave, const QString &stateFolder,
             std::function<void()> commitEdit = {}, QObject *parent = nullptr);
    ~Document() override;

    QString path() const { return path_; } // absolute; empty while untitled
    QString displayName() const;
    bool isModified();
    // The window's title is the file's name, the modified mark, then `tail`.
    void setTitleTail(const QString &tail);
    // The site the settings belong to, named first in the title; empty: none.
    void setSiteName(const QString &site);

    // Before something replaces the settings shown (a load, a read, another port): with unsaved
    // changes asks "Save changes to NAME?". True when the caller may go on.
    bool mayReplace();
    // The same before the window closes; a window that may close leaves no crash copy.
    bool mayClose();

    bool save();   // to the current file; asks for a name while untitled
    bool saveAs(); // asks for a name; ".gsm" is added when it has no extension
    void open();   // asks about unsaved changes, then for a file, and loads it
    // Asks about unsaved changes and loads `path`. False when nothing was loaded.
    bool openFile(const QString &path);
    // The unit's settings are in the editors: they belong to no file and hold nothing unsaved.
    void unitRead();
    // Once the window is prepared: offers a crash copy left by an earlier run, then opens
    // `file` (when given).
    void start(const QString &file);

    // Where this window's crash copy is written (empty without a state folder).
    QString crashCopyPath() const;

signals:
    // A file was opened or saved: for the list of recent files.
    void fileUsed(const QString &path);

private:
    void scheduleCheck();
    void check();
    bool load(const QString &name);
    bool writeTo(const QString &name);
    void setClean(const QString &path, const settings::SettingsSet &content);
    void showTitle();
    QString siteName_;
    bool writeCrashCopy();
    void removeCrashCopy();
    void offerCrashCopies();
    bool recover(const QString &copy, const QString &file);

    QWidget &window_;
    settings::SettingsEditors &editors_;
    QString unitModel_;
    platform::Dialogs &dialogs_;
    std::unique_ptr<platform::Timer> autosave_;
    std::function<void()> commitEdit_;
    QString folder_;
    QString copyBase_; // folder + "/unsaved-<pid>-<time>"
    QString path_;
    QString titleTail_;
    // What the file (or the start, or the unit) holds; none when nothing on disk holds the
    // settings shown (a recovered crash copy).
    std::optional<settings::SettingsSet> baseline_;
    bool modified_ = false;
    bool closed_ = false;
    QTimer check_; // edits are compared once per turn of the event loop, not per key
    std::unique_ptr<QLockFile> lock_;
    std::optional<settings::SettingsSet> copied_; // what the crash copy holds
};

} // namespace mainwindow
