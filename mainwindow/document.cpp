#include "mainwindow/document.h"

#include "mainwindow/crashcopy.h"
#include "platform/dialogs.h"
#include "platform/savename.h"
#include "platform/timer.h"
#include "settings/numberform.h"
#include "settings/settingseditors.h"
#include "transfer/settingsfile.h"
#include "transfer/settingsparser.h"

#include <QFileInfo>
#include <QUndoStack>
#include <QWidget>

namespace mainwindow {

QString load_with_notes(settings::SettingsEditors &editors, settings::SettingsSet set, const QString &what)
{
    const QString repeated = settings::repeated_numbers_text(settings::drop_repeated_numbers(set.numbers));
    const QString tooLong = transfer::long_values_message(editors.load(set, settings::kLongValueDefault, what));
    return (repeated + QLatin1Char('\n') + tooLong).trimmed();
}

Document::Document(QWidget &window, settings::SettingsEditors &editors, const QString &unitModel,
                   platform::Dialogs &dialogs, std::unique_ptr<platform::Timer> autosave, const QString &stateFolder,
                   std::function<void()> commitEdit, QObject *parent)
    : QObject(parent), window_(window), editors_(editors), unitModel_(unitModel), dialogs_(dialogs),
      commitEdit_(std::move(commitEdit)), titleTail_(QString::fromLatin1(platform::kProgramTitle))
{
    crashCopy_ = new CrashCopy(*this, editors_, dialogs_, std::move(autosave), stateFolder);
    // What the editors show at start is what "unsaved" is measured from.
    QUndoStack *stack = editors_.undoStack();
    stack->setClean();
    connect(stack, &QUndoStack::indexChanged, this, &Document::updateMark);
    connect(stack, &QUndoStack::cleanChanged, this, &Document::updateMark);
    showTitle();
}

Document::~Document() = default;

QString Document::displayName() const { return path_.isEmpty() ? tr("Untitled.gsm") : QFileInfo(path_).fileName(); }

QString Document::crashCopyPath() const { return crashCopy_->path(); }

void Document::setTitleTail(const QString &tail)
{
    titleTail_ = tail;
    showTitle();
}

void Document::setSiteName(const QString &site)
{
    siteName_ = site;
    showTitle();
}

void Document::showTitle()
{
    const QString site = siteName_.isEmpty() ? QString() : tr("Site %1: ").arg(siteName_);
    window_.setWindowTitle(site + displayName() + QStringLiteral("[*] - ") + titleTail_);
}

void Document::updateMark()
{
    const bool now = editors_.differsFromClean();
    if (now == modified_)
        return;
    modified_ = now;
    window_.setWindowModified(now);
    emit modifiedChanged(now);
}

void Document::setClean(const QString &path)
{
    path_ = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    // Typing after a save is a step of its own: undo comes back to what was saved.
    editors_.undoStack()->setClean();
    updateMark();
    showTitle();
    if (!path_.isEmpty())
        emit fileUsed(path_);
}

bool Document::mayReplace(OnDiscard onDiscard)
{
    if (commitEdit_)
        commitEdit_();
    if (!isModified())
        return true;
    const QString informative =
        path_.isEmpty() ? tr("The settings shown are in no file yet.") : tr("The settings shown differ from the file.");
    switch (dialogs_.askSaveChanges(tr("Save changes to %1?").arg(displayName()), informative)) {
    case platform::Dialogs::SaveChoice::Save: return save();
    case platform::Dialogs::SaveChoice::Discard:
        if (onDiscard == OnDiscard::Revert)
            revert();
        return true;
    case platform::Dialogs::SaveChoice::Cancel: break;
    }
    return false;
}

void Document::revert()
{
    QUndoStack *stack = editors_.undoStack();
    if (stack->cleanIndex() >= 0) {
        // Back through the history: redo brings the changes back if the operator regrets it.
        stack->setIndex(stack->cleanIndex());
        return;
    }
    // The history no longer reaches what the file holds (a recovered copy, a long session).
    settings::SettingsSet set = editors_.store();
    set.numbers.clear();
    if (!path_.isEmpty() && transfer::read_settings_file(path_, set, nullptr)) {
        editors_.load(set, settings::LongValue::Keep, tr("Discard changes"));
        setClean(path_);
    }
}

bool Document::mayClose()
{
    if (!mayReplace())
        return false;
    emit closed();
    return true;
}

bool Document::save()
{
    if (path_.isEmpty())
        return saveAs();
    if (commitEdit_)
        commitEdit_();
    return writeTo(path_);
}

bool Document::saveAs()
{
    if (commitEdit_)
        commitEdit_();
    const QString typed = dialogs_.saveFileNameFrom(tr("Save File"), transfer::kSettingsFileFilter, path_);
    const QString name = platform::completeSaveName(dialogs_, typed, QStringLiteral("gsm"));
    return !name.isEmpty() && writeTo(name);
}

bool Document::writeTo(const QString &name)
{
    const settings::SettingsSet set = editors_.store();
    QString error;
    if (!transfer::write_settings_file(name, set, unitModel_, &error)) {
        dialogs_.message(tr("The settings were not saved; any earlier file of that name is unchanged. %1").arg(error),
                         platform::Dialogs::Icon::Stop);
        return false;
    }
    setClean(name);
    return true;
}

void Document::open()
{
    if (!mayReplace())
        return;
    const QString folder = path_.isEmpty() ? QString() : QFileInfo(path_).absolutePath();
    const QString name = dialogs_.openFileNameIn(tr("File Open"), transfer::kSettingsFileFilter, folder);
    if (name.isEmpty() || name == QLatin1String("*.csv"))
        return;
    load(name);
}

bool Document::openFile(const QString &path) { return mayReplace() && load(path); }

bool Document::load(const QString &name)
{
    const settings::SettingsSet shown = editors_.store();
    settings::SettingsSet set = shown;
    set.numbers.clear();
    QString error;
    if (!transfer::read_settings_file(name, set, &error)) {
        dialogs_.message(tr("The settings file was not loaded; nothing was changed. %1").arg(error),
                         platform::Dialogs::Icon::Stop);
        return false;
    }
    bool added = false;
    if (!shown.numbers.isEmpty()) {
        // Adding behind a list that came from another file or unit doubles it, or mixes two
        // sites' numbers: the operator says which is meant.
        const int answer = dialogs_.choose(
            tr("The telephone list already holds %1 numbers; the file holds %2.")
                .arg(shown.numbers.size())
                .arg(set.numbers.size()),
            tr("Replace the list with the file's numbers, add the file's numbers after those shown, "
               "or cancel: nothing is changed."),
            {tr("Replace the list"), tr("Add to the list"), tr("Cancel")});
        if (answer == 1) {
            set.numbers = shown.numbers + set.numbers;
            added = true;
        } else if (answer != 0) {
            return false;
        }
    }
    const QString note = load_with_notes(editors_, std::move(set), tr("Load settings"));
    setClean(name);
    // The file holds its own numbers only: with the shown ones added in front, the settings
    // differ from it.
    if (added)
        editors_.undoStack()->resetClean();
    if (!note.isEmpty())
        dialogs_.message(note, platform::Dialogs::Icon::Information);
    return true;
}

void Document::unitRead() { setClean(QString()); }

void Document::showRecovered(const settings::SettingsSet &set, const QString &file)
{
    editors_.load(set, settings::kLongValueDefault, tr("Bring back unsaved changes"));
    path_ = file;
    editors_.undoStack()->resetClean(); // no file holds them: unsaved until saved
    updateMark();
    showTitle();
}

void Document::start(const QString &file)
{
    crashCopy_->offer();
    if (!file.isEmpty())
        openFile(file);
}

} // namespace mainwindow
