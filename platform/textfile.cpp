#include "platform/textfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace platform {

namespace {

enum class Access { Read,
                    Write };

// Qt hands on the system's own text for the failure (strerror); a write of ours knows the
// errno itself. Either is matched to its cause so the operator reads what happened and what
// to do about it.
QString inWords(const QString &system, Access access)
{
    struct Cause {
        int code;
        const char *words;
        const char *whatToDo;
    };
    static const Cause kCauses[] = {
        {ENOSPC, QT_TRANSLATE_NOOP("platform", "no space left on the device"), QT_TRANSLATE_NOOP("platform", "Free some space or choose another place")},
        {EDQUOT, QT_TRANSLATE_NOOP("platform", "the disk quota is used up"), QT_TRANSLATE_NOOP("platform", "Free some space or choose another place")},
        {EACCES, QT_TRANSLATE_NOOP("platform", "no permission"), QT_TRANSLATE_NOOP("platform", "Choose a folder you may use, or ask for access")},
        {EPERM, QT_TRANSLATE_NOOP("platform", "no permission"), QT_TRANSLATE_NOOP("platform", "Choose a folder you may use, or ask for access")},
        {EROFS, QT_TRANSLATE_NOOP("platform", "read-only file system"), QT_TRANSLATE_NOOP("platform", "Choose another place")},
        {ENOENT, QT_TRANSLATE_NOOP("platform", "no such file or folder"), QT_TRANSLATE_NOOP("platform", "Check the name and the folder")},
        {EISDIR, QT_TRANSLATE_NOOP("platform", "that name is a folder"), QT_TRANSLATE_NOOP("platform", "Choose a file")},
        {EIO, QT_TRANSLATE_NOOP("platform", "the device reported an input/output error"), QT_TRANSLATE_NOOP("platform", "Check the disk or stick and try again")},
    };
    for (const Cause &c : kCauses)
        if (system == QString::fromLocal8Bit(std::strerror(c.code)))
            return QStringLiteral("%1. %2.").arg(QCoreApplication::translate("platform", c.words),
                                                 QCoreApplication::translate("platform", c.whatToDo));
    if (system.isEmpty() || system == QLatin1String("Unknown error"))
        return access == Access::Write
                   ? QCoreApplication::translate("platform", "the system gave no reason. Check that the folder is "
                                                             "writable and the disk has space, then try again.")
                   : QCoreApplication::translate("platform", "the system gave no reason. Check that the file exists and can be read.");
    return system + QLatin1Char('.');
}

void report(QString *error, const QString &what, const QString &path, const QString &system, Access access)
{
    if (error)
        *error = QStringLiteral("%1 \"%2\": %3").arg(what, QDir::toNativeSeparators(path), inWords(system, access));
}
void report(QString *error, const QString &what, const QString &path, const QFileDevice &file, Access access)
{
    report(error, what, path, file.errorString(), access);
}

// Writes all of `bytes` to `fd`; on failure returns the errno of the call that failed. A full
// disk often takes part of one write and refuses only the next: that next one names it.
int writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        done += n;
    }
    return 0;
}

} // namespace

bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error, NewFileAccess access)
{
    const bool isNew = !QFileInfo::exists(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)
        || (isNew && access == NewFileAccess::OwnerOnly
            && !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))) {
        report(error, QCoreApplication::translate("platform", "Could not create"), path, file, Access::Write);
        file.cancelWriting();
        return false;
    }
    // Written past Qt's buffer, whose flush loses the cause when a first write is partial;
    // commit() still syncs the file to disk and checks that before it replaces the old one.
    if (const int code = writeAll(file.handle(), bytes); code != 0) {
        report(error, QCoreApplication::translate("platform", "Could not write"), path, QString::fromLocal8Bit(std::strerror(code)),
               Access::Write);
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        report(error, QCoreApplication::translate("platform", "Could not finish writing"), path, file, Access::Write);
        return false;
    }
    return true;
}

bool readFile(const QString &path, QByteArray *bytes, QString *error, qint64 maxBytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        report(error, QCoreApplication::translate("platform", "Could not open"), path, file, Access::Read);
        return false;
    }
    // Read one byte past the limit rather than trust size(): pipes and devices report 0.
    // In pieces: read(maxBytes + 1) would set aside the whole limit for every small file.
    QByteArray content;
    if (maxBytes < 0) {
        content = file.readAll();
    } else {
        char piece[64 * 1024];
        qint64 n = 0;
        while (content.size() <= maxBytes && (n = file.read(piece, qMin<qint64>(sizeof piece, maxBytes + 1 - content.size()))) > 0)
            content.append(piece, n);
    }
    if (file.error() != QFileDevice::NoError) {
        report(error, QCoreApplication::translate("platform", "Could not read"), path, file, Access::Read);
        return false;
    }
    if (maxBytes >= 0 && content.size() > maxBytes) {
        if (error)
            *error = QCoreApplication::translate("platform", "\"%1\" is larger than %2 MiB: it was not read. "
                                                             "Check that you chose the right file.")
                         .arg(QDir::toNativeSeparators(path))
                         .arg(maxBytes / (1024 * 1024));
        return false;
    }
    *bytes = content;
    return true;
}

} // namespace platform
