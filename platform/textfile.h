#pragma once
#include <QByteArray>
#include <QString>

namespace platform {

// Replaces the file at `path` with `bytes` in one step: on any failure an existing file
// keeps its old content. On failure `error` (if given) says why, in words that name the file.
bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error);

// Reads the whole file. On failure `bytes` is left alone and `error` (if given) says why.
bool readFile(const QString &path, QByteArray *bytes, QString *error);

} // namespace platform
