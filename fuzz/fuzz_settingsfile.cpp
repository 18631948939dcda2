// A settings file read as the load button reads it, written back as the save button writes
// it (bytes as write_settings_file puts them) and read again: what the file holds must come back the same.
#include "settings/numberform.h"
#include "settings/settingsset.h"
#include "settings/unitmodel.h"
#include "transfer/settingsfile.h"

#include <QDir>
#include <QFile>
#include <cstdlib>
#include <unistd.h>

namespace {

// In memory where the system offers it: the save syncs the file to disk every time.
QString scratchPath(const char *name)
{
    static const QString dir = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    return dir + QStringLiteral("/norvik-fuzz-%1-%2.gsm").arg(getpid()).arg(QLatin1String(name));
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString input = scratchPath("in"), saved = scratchPath("saved");
    static const bool removedAtExit = atexit([] {
                                          QFile::remove(input);
                                          QFile::remove(saved);
                                      })
                                      == 0;
    (void)removedAtExit;

    settings::SettingsSet first, again;
    QString error;
    writeFile(input, QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (!transfer::read_settings_file(input, first, &error))
        return 0; // refused with a reason: fine
    // What the save button writes, without its syncing to disk on every input.
    writeFile(saved, transfer::settings_file_text(first, settings::kGate).toLatin1() + "\r\n");
    if (!transfer::read_settings_file(saved, again, &error))
        abort();
    if (again.password != first.password || again.systemName != first.systemName
        || again.inputNames != first.inputNames || again.numbers.size() != first.numbers.size())
        abort();
    for (qsizetype i = 0; i < first.numbers.size(); ++i)
        if (settings::strip_plus(again.numbers[i].number) != settings::strip_plus(first.numbers[i].number)
            || again.numbers[i].unit != first.numbers[i].unit)
            abort();
    return 0;
}
