// A settings file as the load button reads it (bytes from disk, line ends dropped, records
// parsed), then saved and read again: what the file holds must come back the same.
#include "platform/latin1.h"
#include "platform/textfile.h"
#include "settings/numbergrid.h"
#include "settings/settingsset.h"
#include "transfer/settingsfile.h"
#include "transfer/settingsparser.h"

#include <QDir>
#include <QFile>
#include <cstdlib>
#include <unistd.h>

namespace {

settings::SettingsSet read(const QByteArray &bytes)
{
    QString text = platform::fromWire(bytes);
    text.remove(QLatin1Char('\n'));
    text.remove(QLatin1Char('\r'));
    settings::SettingsSet set;
    transfer::parse_settings(text, set);
    return set;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // In memory where the system offers it: the save syncs the file to disk every time.
    static const QString dir = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    static const QString path = dir + QStringLiteral("/norvik-fuzz-%1.gsm").arg(getpid());
    static const bool removedAtExit = atexit([] { QFile::remove(path); }) == 0;
    (void)removedAtExit;
    QString error;
    if (!platform::writeFileAtomically(path, QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)), &error))
        abort();
    QByteArray bytes;
    if (!platform::readFile(path, &bytes, &error) || bytes.size() != qsizetype(size))
        abort();
    const settings::SettingsSet first = read(bytes);
    const settings::SettingsSet again = read(platform::toWire(transfer::settings_file_text(first)));
    if (again.password != first.password || again.systemName != first.systemName
        || again.inputNames != first.inputNames || again.numbers.size() != first.numbers.size())
        abort();
    for (qsizetype i = 0; i < first.numbers.size(); ++i)
        if (settings::strip_plus(again.numbers[i].number) != settings::strip_plus(first.numbers[i].number)
            || again.numbers[i].unit != first.numbers[i].unit)
            abort();
    return 0;
}
