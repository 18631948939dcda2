#include "mainwindow/crashcopy.h"

#include "mainwindow/document.h"
#include "platform/dialogs.h"
#include "platform/textfile.h"
#include "platform/timer.h"
#include "settings/settingseditors.h"
#include "transfer/settingsfile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>

namespace mainwindow {

namespace {
const QString kCopyPrefix = QStringLiteral("unsaved-");
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm");
} // namespace

CrashCopy::CrashCopy(Document &document, settings::SettingsEditors &editors, platform::Dialogs &dialogs,
                     std::unique_ptr<platform::Timer> autosave, const QString &folder)
    : QObject(&document), document_(document), editors_(editors), dialogs_(dialogs), autosave_(std::move(autosave)),
      folder_(folder)
{
    if (!folder_.isEmpty())
        base_ = QDir(folder_).filePath(kCopyPrefix + QStringLiteral("%1-%2").arg(QCoreApplication::applicationPid()).arg(QDateTime::currentMSecsSinceEpoch()));
    autosave_->setObjectName(QStringLiteral("tmrAutosave"));
    connect(autosave_.get(), &platform::Timer::timeout, this, [this] { write(); });
    connect(&document_, &Document::modifiedChanged, this, &CrashCopy::modifiedChanged);
    connect(&document_, &Document::closed, this, [this] {
        closed_ = true;
        autosave_->stop();
        remove();
    });
}

CrashCopy::~CrashCopy() = default;

QString CrashCopy::path() const { return base_.isEmpty() ? QString() : base_ + QStringLiteral(".gsm"); }

void CrashCopy::modifiedChanged(bool modified)
{
    if (closed_ || base_.isEmpty())
        return;
    if (!modified) {
        autosave_->stop();
        remove();
    } else if (!autosave_->isActive()) {
        autosave_->start(kAutosaveMs);
    }
}

bool CrashCopy::write()
{
    if (base_.isEmpty() || closed_ || !document_.isModified())
        return false;
    const settings::SettingsSet set = editors_.store();
    if (written_ && *written_ == set)
        return true;
    if (!lock_) {
        // The copy holds the unit's password: the folder is the user's alone.
        QDir().mkpath(folder_);
        QFile::setPermissions(folder_, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        lock_ = std::make_unique<QLockFile>(base_ + QStringLiteral(".lock"));
        lock_->setStaleLockTime(0);
        lock_->tryLock(0);
    }
    const QJsonObject about{{QStringLiteral("file"), document_.path()},
                            {QStringLiteral("model"), document_.unitModel()},
                            {QStringLiteral("saved"), QDateTime::currentDateTime().toString(Qt::ISODate)}};
    QString error;
    // The description first: a copy without one could not be offered.
    if (!platform::writeFileAtomically(base_ + QStringLiteral(".json"), QJsonDocument(about).toJson(), &error)
        || !transfer::write_settings_file(path(), set, document_.unitModel(), &error)) {
        // Not worth a message every 30 seconds; the next tick tries again.
        qWarning("NorvikConf: the crash copy was not written: %s", qPrintable(error));
        return false;
    }
    written_ = set;
    return true;
}

void CrashCopy::remove()
{
    if (!written_ && !lock_)
        return;
    QFile::remove(path());
    QFile::remove(base_ + QStringLiteral(".json"));
    lock_.reset(); // unlocking removes the lock file
    written_.reset();
}

void CrashCopy::offer()
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
        if (base != base_ && owner.tryLock(0))
            QFile::remove(temp.absoluteFilePath());
    }
    const QFileInfoList copies =
        QDir(folder_).entryInfoList({kCopyPrefix + QStringLiteral("*.gsm")}, QDir::Files, QDir::Time);
    for (const QFileInfo &copy : copies) { // the newest first
        const QString base = copy.absolutePath() + QLatin1Char('/') + copy.completeBaseName();
        if (base == base_)
            continue;
        QLockFile owner(base + QStringLiteral(".lock"));
        owner.setStaleLockTime(0); // only a stopped program's lock is stale, however old
        if (!owner.tryLock(0))
            continue; // its program still runs
        QByteArray text;
        platform::readFile(base + QStringLiteral(".json"), &text, nullptr, 64 * 1024);
        const QJsonObject about = QJsonDocument::fromJson(text).object();
        // Settings of the other model would lose what this one does not show.
        if (about.value(QStringLiteral("model")).toString() != document_.unitModel())
            continue;
        const QString file = about.value(QStringLiteral("file")).toString();
        QDateTime when = QDateTime::fromString(about.value(QStringLiteral("saved")).toString(), Qt::ISODate);
        if (!when.isValid())
            when = copy.lastModified();
        const QString name = file.isEmpty() ? Document::tr("Untitled.gsm") : QFileInfo(file).fileName();
        const int answer = dialogs_.choose(
            tr("NorvikConf stopped without closing. Unsaved changes to %1 from %2 were kept.")
                .arg(name, when.toString(kTimeFormat)),
            tr("Bring them back, discard them, or decide at the next start."),
            {tr("Bring them back"), tr("Discard them"), tr("Decide later")});
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

bool CrashCopy::recover(const QString &copy, const QString &file)
{
    settings::SettingsSet set = editors_.store();
    set.numbers.clear();
    QString error;
    if (!transfer::read_settings_file(copy, set, &error)) {
        dialogs_.message(tr("The kept changes could not be read; they stay for the next start. %1").arg(error),
                         platform::Dialogs::Icon::Stop);
        return false;
    }
    document_.showRecovered(set, file);
    // Kept again under this window's name before the old copy goes; if that fails, the old
    // copy stays.
    return write();
}

} // namespace mainwindow
