#pragma once
#include <QByteArray>
#include <QString>

namespace platform {

// Who may read a file that a write creates. A file that exists keeps its own mode.
enum class NewFileAccess {
    Usual,     // as the umask leaves it, usually readable by everyone
    OwnerOnly, // 0600: the file holds a secret
};

// Replaces the file at `path` with `bytes` in one step (never one that is not a regular file): every write and the sync are checked
// before the new content takes the old one's place, so on any failure (a full disk included)
// an existing file keeps its old content. On failure `error` (if given) says in words what
// went wrong and what to do, naming the file; the cause is that of the call that failed.
bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error,
                         NewFileAccess access = NewFileAccess::Usual);

// Reads the whole file. A file larger than `maxBytes` (when not negative) is refused.
// On failure `bytes` is left alone and `error` (if given) says why.
// Only a regular file is read: a FIFO, a device or a socket is refused at once, named, without
// waiting on it.
bool readFile(const QString &path, QByteArray *bytes, QString *error, qint64 maxBytes = -1);

// What `path` is when it exists but is not a regular file ("a FIFO", "a device", "a socket",
// "a folder"); empty for a regular file or no file at all. Symbolic links are followed.
QString notRegularFile(const QString &path);

} // namespace platform
