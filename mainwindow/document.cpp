#include "mainwindow/document.h"

#include "platform/dialogs.h"
#include "platform/savename.h"
#include "platform/textfile.h"
#include "platform/timer.h"
#include "settings/numberform.h"
#include "settings/settingseditors.h"
#include "transfer/settingsfile.h"
#include "transfer/settingsparser.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QUndoStack>
#include <QWidget>

namespace mainwindow {

namespace {

const QString kCopyPrefix = QStringLiteral("unsaved-");
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm");

// What a file keeps of a set: the upload boxes are choices of the moment, not settings.
settings::SettingsSet fileContent(settings::SettingsSet set)
{
    const settings::SettingsSet defaults;
    set.uploadSystem = defaults.uploadSystem;
    set.uploadTelephone = defaults.uploadTelephone;
    return set;
}

QString nameOf(const QString &path) { return path.isEmpty() ? kUntitled : QFileInfo(path).fileName(); }

} // namespace

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
      autosave_(std::move(autosave)), commitEdit_(std::move(commitEdit)), folder_(stateFolder),
      titleTail_(QString::fromLatin1(platform::kProgramTitle))
{
    if (!folder_.isEmpty())
        copyBase_ = QDir(folder_).filePath(kCopyPrefix + QStringLiteral("%1-%2").arg(QCoreApplication::applicationPid()).arg(QDateTime::currentMSecsSinceEpoch()));
    autosave_->setObjectName(QStringLiteral("tmrAutosave"));
    baseline_ = fileContent(editors_.store());
    check_.setSingleShot(true);
    check_.setInterval(0);
    connect(&check_, &QTimer::timeout, this, &Document::check);
    connect(&editors_, &settings::SettingsEditors::changed, this, &Document::scheduleCheck);
    connect(autosave_.get(), &platform::Timer::timeout, this, [this] { writeCrashCopy(); });
    showTitle();
}

// A crash copy outlives a window that was not closed: that is what it is for.
Document::~Document() = default;

QString Document::displayName() const { return nameOf(path_); }

QString Document::crashCopyPath() const { return copyBase_.isEmpty() ? QString() : copyBase_ + QStringLiteral(".gsm"); }

bool Document::isModified()
{
    if (check_.isActive())
        check();
    return modified_;
}

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

void Document::scheduleCheck()
{
    if (!check_.isActive())
        check_.start();
}

void Document::check()
{
    check_.stop();
    const bool now = !baseline_ || fileContent(editors_.store()) != *baseline_;
    if (now != modified_) {
        modified_ = now;
        window_.setWindowModified(now);
    }
    if (closed_ || copyBase_.isEmpty())
        return;
    if (!modified_) {
        autosave_->stop();
        removeCrashCopy();
    } else if (!autosave_->isActive()) {
        autosave_->start(kAutosaveMs);
    }
}

void Document::setClean(const QString &path, const settings::SettingsSet &content)
{
    path_ = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    baseline_ = content;
    // Typing after a save is a step of its own: undo comes back to what was saved.
    editors_.undoStack()->setClean();
    check();
    showTitle();
    if (!path_.isEmpty())
        emit fileUsed(path_);
}

bool Document::mayReplace()
{
    if (commitEdit_)
        commitEdit_();
    if (!isModified())
        return true;
    const QString informative = path_.isEmpty() ? QStringLiteral("The settings shown are in no file yet.")
                                                : QStringLiteral("The settings shown differ from the file.");
    switch (dialogs_.askSaveChanges(QStringLiteral("Save changes to %1?").arg(displayName()), informative)) {
    case platform::Dialogs::SaveChoice::Save: return save();
    case platform::Dialogs::SaveChoice::Discard: return true;
    case platform::Dialogs::SaveChoice::Cancel: break;
    }
    return false;
}

bool Document::mayClose()
{
    if (!mayReplace())
        return false;
    closed_ = true;
    autosave_->stop();
    removeCrashCopy();
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
    const QString typed = dialogs_.saveFileNameFrom(QStringLiteral("Save File"), transfer::kSettingsFileFilter, path_);
    const QString name = platform::completeSaveName(dialogs_, typed, QStringLiteral("gsm"));
    return !name.isEmpty() && writeTo(name);
}

bool Document::writeTo(const QString &name)
{
    const settings::SettingsSet set = editors_.store();
    QString error;
    if (!transfer::write_settings_file(name, set, unitModel_, &error)) {
        dialogs_.message(QStringLiteral("The settings were not saved; any earlier file of that name is unchanged. %1")
                             .arg(error),
                         platform::Dialogs::Icon::Stop);
        return false;
    }
    setClean(name, fileContent(set));
    return true;
}

void Document::open()
{
    if (!mayReplace())
        return;
    const QString name = dialogs_.openFileName(QStringLiteral("File Open"), transfer::kSettingsFileFilter);
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
        dialogs_.message(QStringLiteral("The settings file was not loaded; nothing was changed. %1").arg(error),
                         platform::Dialogs::Icon::Stop);
        return false;
    }
    bool added = false;
    if (!shown.numbers.isEmpty()) {
        // Adding behind a list that came from another file or unit doubles it, or mixes two
        // sites' numbers: the operator says which is meant.
        const int answer = dialogs_.choose(
            QStringLiteral("The telephone list already holds %1 numbers; the file holds %2.")
                .arg(shown.numbers.size())
                .arg(set.numbers.size()),
            QStringLiteral("Replace the list with the file's numbers, add the file's numbers after those shown, "
                           "or cancel: nothing is changed."),
            {QStringLiteral("Replace the list"), QStringLiteral("Add to the list"), QStringLiteral("Cancel")});
        if (answer == 1) {
            set.numbers = shown.numbers + set.numbers;
            added = true;
        } else if (answer != 0) {
            return false;
        }
    }
    const QString note = load_with_notes(editors_, std::move(set), QStringLiteral("Load settings"));
    // The file holds its own numbers only: with the shown ones added in front, the settings
    // differ from it.
    settings::SettingsSet content = fileContent(editors_.store());
    if (added)
        content.numbers.remove(0, qMin(shown.numbers.size(), content.numbers.size()));
    setClean(name, content);
    if (!note.isEmpty())
        dialogs_.message(note, platform::Dialogs::Icon::Information);
    return true;
}

void Document::unitRead() { setClean(QString(), fileContent(editors_.store())); }

void Document::start(const QString &file)
{
    offerCrashCopies();
    if (!file.isEmpty())
        openFile(file);
}

bool Document::writeCrashCopy()
{
    if (copyBase_.isEmpty() || closed_ || !isModified())
        return false;
    const settings::SettingsSet set = editors_.store();
    if (copied_ && *copied_ == set)
        return true;
    if (!lock_) {
        // The copy holds the unit's password: the folder is the user's alone.
        QDir().mkpath(folder_);
        QFile::setPermissions(folder_, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        lock_ = std::make_unique<QLockFile>(copyBase_ + QStringLiteral(".lock"));
        lock_->setStaleLockTime(0);
        lock_->tryLock(0);
    }
    const QJsonObject about{{QStringLiteral("file"), path_},
                            {QStringLiteral("model"), unitModel_},
                            {QStringLiteral("saved"), QDateTime::currentDateTime().toString(Qt::ISODate)}};
    QString error;
    // The description first: a copy without one could not be offered.
    if (!platform::writeFileAtomically(copyBase_ + QStringLiteral(".json"), QJsonDocument(about).toJson(), &error)
        || !transfer::write_settings_file(crashCopyPath(), set, unitModel_, &error)) {
        // Not worth a message every 30 seconds; the next tick tries again.
        qWarning("NorvikConf: the crash copy was not written: %s", qPrintable(error));
        return false;
    }
    copied_ = set;
    return true;
}

void Document::removeCrashCopy()
{
    if (!copied_ && !lock_)
        return;
    QFile::remove(crashCopyPath());
    QFile::remove(copyBase_ + QStringLiteral(".json"));
    lock_.reset(); // unlocking removes the lock file
    copied_.reset();
}

void Document::offerCrashCopies()
{
    if (folder_.isEmpty())
        return;
    // A copy being written when its program was killed leaves its temporary file behind, the
    // password in it; a stopped program's are removed.
    const QFileInfoList temps = QDir(folder_).entryInfoList(
        {kCopyPrefix + QStringLiteral("*.gsm.*"), kCopyPrefix + QStringLiteral("*.json.*")}, QDir::Files | QDir::Hidden);
    for (const QFileInfo &temp : temps) {
        const QString base = QDir(folder_).filePath(temp.fileName().section(QLatin1Char('.'), 0, 0));
        QLockFile owner(base + QStringLiteral(".lock"));
        owner.setStaleLockTime(0);
        if (base != copyBase_ && owner.tryLock(0))
            QFile::remove(temp.absoluteFilePath());
    }
    const QFileInfoList copies =
        QDir(folder_).entryInfoList({kCopyPrefix + QStringLiteral("*.gsm")}, QDir::Files, QDir::Time);
    for (const QFileInfo &copy : copies) { // the newest first
        const QString base = copy.absolutePath() + QLatin1Char('/') + copy.completeBaseName();
        if (base == copyBase_)
            continue;
        QLockFile owner(base + QStringLiteral(".lock"));
        owner.setStaleLockTime(0); // only a stopped program's lock is stale, however old
        if (!owner.tryLock(0))
            continue; // its program still runs
        QByteArray text;
        platform::readFile(base + QStringLiteral(".json"), &text, nullptr, 64 * 1024);
        const QJsonObject about = QJsonDocument::fromJson(text).object();
        // Settings of the other model would lose what this one does not show.
        if (about.value(QStringLiteral("model")).toString() != unitModel_)
            continue;
        const QString file = about.value(QStringLiteral("file")).toString();
        QDateTime when = QDateTime::fromString(about.value(QStringLiteral("saved")).toString(), Qt::ISODate);
        if (!when.isValid())
            when = copy.lastModified();
        const int answer = dialogs_.choose(
            QStringLiteral("NorvikConf stopped without closing. Unsaved changes to %1 from %2 were kept.")
                .arg(nameOf(file), when.toString(kTimeFormat)),
            QStringLiteral("Bring them back, discard them, or decide at the next start."),
            {QStringLiteral("Bring them back"), QStringLiteral("Discard them"), QStringLiteral("Decide later")});
        if (answer != 0 && answer != 1)
            return;
        if (answer == 0 && !recover(copy.absoluteFilePath(), file))
            return;
        QFile::remove(copy.absoluteFilePath());
        QFile::remove(base + QStringLiteral(".json"));
        if (answer == 0)
            return;
    }
}

bool Document::recover(const QString &copy, const QString &file)
{
    settings::SettingsSet set = editors_.store();
    set.numbers.clear();
    QString error;
    if (!transfer::read_settings_file(copy, set, &error)) {
        dialogs_.message(QStringLiteral("The kept changes could not be read; they stay for the next start. %1").arg(error),
                         platform::Dialogs::Icon::Stop);
        return false;
    }
    editors_.load(set);
    path_ = file;
    baseline_.reset(); // no file holds them: unsaved until saved
    check();
    showTitle();
    // Kept again under this window's name before the old copy goes; if that fails, the old
    // copy stays.
    return writeCrashCopy();
}

} // namespace mainwindow
