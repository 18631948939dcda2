#include "platform/textfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <QCoreApplication>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
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
    QString system = file.errorString();
    // Qt words a read-only file system as a plain "not writable"; the folder's mount says it.
    struct statvfs fs {};
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    if (access == Access::Write && ::statvfs(folder.constData(), &fs) == 0 && (fs.f_flag & ST_RDONLY) != 0)
        system = QString::fromLocal8Bit(std::strerror(EROFS));
    report(error, what, path, system, access);
}

QString kindOf(mode_t mode)
{
    const auto tr = [](const char *text) { return QCoreApplication::translate("platform::TextFile", text); };
    if (S_ISREG(mode))
        return QString();
    if (S_ISFIFO(mode))
        return tr("a FIFO (named pipe)");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return tr("a device");
    if (S_ISSOCK(mode))
        return tr("a socket");
    if (S_ISDIR(mode))
        return tr("a folder");
    return tr("not a regular file");
}

bool refuseKind(QString *error, const QString &path, const QString &kind, Access access)
{
    if (error)
        *error = QCoreApplication::translate("platform::TextFile", access == Access::Read
                                                                       ? "\"%1\" is %2, not a file: it was not read. Choose a settings file."
                                                                       : "\"%1\" is %2, not a file: nothing was written to it. Choose another name.")
                     .arg(QDir::toNativeSeparators(path), kind);
    return false;
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

QString notRegularFile(const QString &path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QString();
    return kindOf(st.st_mode);
}

bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error, NewFileAccess access)
{
    // Saved over, a FIFO or a device would be replaced by a regular file.
    if (const QString kind = notRegularFile(path); !kind.isEmpty())
        return refuseKind(error, path, kind, Access::Write);
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
    // Opened without waiting (a FIFO would wait for a writer), then looked at before reading.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        report(error, QCoreApplication::translate("platform", "Could not open"), path, QString::fromLocal8Bit(std::strerror(errno)), Access::Read);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return refuseKind(error, path, kindOf(st.st_mode), Access::Read);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
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
