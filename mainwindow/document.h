#pragma once
#include "settings/settingsset.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace platform {
class Dialogs;
class Timer;
} // namespace platform
namespace settings {
class SettingsEditors;
}

namespace mainwindow {

// Shows `set` in the editors as one step of the undo history named `what`, each number once.
// Returns what the operator is to be told about it (numbers that came more than once, values
// kept over their typing limit); empty when there is nothing to tell.
QString load_with_notes(settings::SettingsEditors &editors, settings::SettingsSet set, const QString &what);

class CrashCopy;

// The settings in the editors as a document: the file they belong to, whether they hold changes
// no file holds (the undo history's clean state, see SettingsEditors::differsFromClean), and the
// question before anything replaces unsaved changes. Its crash copy (see CrashCopy) follows it.
class Document : public QObject {
    Q_OBJECT
public:
    // What "Discard" means in the question before unsaved changes go.
    enum class OnDiscard {
        GoOn,   // the caller replaces the settings anyway (a load, a read)
        Revert, // the settings go back to what the file (or the start, or the unit) holds
    };

    // `commitEdit` writes back an edit still open in the number grid (may be null).
    // An empty `stateFolder` keeps no crash copies; `autosave` times the crash copy.
    Document(QWidget &window, settings::SettingsEditors &editors, const QString &unitModel, platform::Dialogs &dialogs,
             std::unique_ptr<platform::Timer> autosave, const QString &stateFolder,
             std::function<void()> commitEdit = {}, QObject *parent = nullptr);
    ~Document() override;

    QString path() const { return path_; } // absolute; empty while untitled
    QString displayName() const;
    QString unitModel() const { return unitModel_; }
    bool isModified() const { return modified_; }
    // The window's title is the file's name, the modified mark, then `tail`.
    void setTitleTail(const QString &tail);
    // The site the settings belong to, named first in the title; empty: none.
    void setSiteName(const QString &site);

    // Before something replaces the settings shown (a load, a read, another port): with unsaved
    // changes asks "Save changes to NAME?". True when the caller may go on.
    bool mayReplace(OnDiscard onDiscard = OnDiscard::GoOn);
    // The same before the window closes; a window that may close leaves no crash copy.
    bool mayClose();

    bool save();   // to the current file; asks for a name while untitled
    bool saveAs(); // asks for a name; ".gsm" is added when it has no extension
    void open();   // asks about unsaved changes, then for a file (in the current file's folder), and loads it
    // Asks about unsaved changes and loads `path`. False when nothing was loaded.
    bool openFile(const QString &path);
    // The unit's settings are in the editors: they belong to no file and hold nothing unsaved.
    void unitRead();
    // Shows settings kept from a run that stopped without closing: they belong to `file` (may
    // be empty) and are unsaved until saved.
    void showRecovered(const settings::SettingsSet &set, const QString &file);
    // Once the window is prepared: offers a crash copy left by an earlier run, then opens
    // `file` (when given).
    void start(const QString &file);

    // Where this window's crash copy is written (empty without a state folder).
    QString crashCopyPath() const;

signals:
    // A file was opened or saved: for the list of recent files.
    void fileUsed(const QString &path);
    void modifiedChanged(bool modified);
    // The window may close: nothing is to be kept any more.
    void closed();

private:
    void updateMark();
    bool load(const QString &name);
    bool writeTo(const QString &name);
    void setClean(const QString &path);
    void revert();
    void showTitle();
    QString siteName_;

    QWidget &window_;
    settings::SettingsEditors &editors_;
    QString unitModel_;
    platform::Dialogs &dialogs_;
    std::function<void()> commitEdit_;
    QString path_;
    QString titleTail_;
    bool modified_ = false;
    CrashCopy *crashCopy_ = nullptr;
};

} // namespace mainwindow
