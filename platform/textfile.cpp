#include "platform/textfile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace platform {

namespace {
void report(QString *error, const QString &what, const QString &path, const QFileDevice &file)
{
    if (error)
        *error = QStringLiteral("%1 \"%2\": %3").arg(what, QDir::toNativeSeparators(path), file.errorString());
}
} // namespace

bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        report(error, QStringLiteral("Could not create"), path, file);
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        report(error, QStringLiteral("Could not write"), path, file);
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        report(error, QStringLiteral("Could not finish writing"), path, file);
        return false;
    }
    return true;
}

bool readFile(const QString &path, QByteArray *bytes, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        report(error, QStringLiteral("Could not open"), path, file);
        return false;
    }
    QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        report(error, QStringLiteral("Could not read"), path, file);
        return false;
    }
    *bytes = content;
    return true;
}

} // namespace platform
