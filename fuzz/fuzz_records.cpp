// The record parser on any text: it must not crash; a text it reads gives exactly one number
// row per "TN," record with content, and a text it refuses changes nothing.
#include "settings/settingsset.h"
#include "transfer/settingsparser.h"

#include <QByteArray>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
    settings::SettingsSet set;
    const transfer::ParseResult result = transfer::parse_settings(text, set, transfer::TextKind::File);
    if (!result.ok()) {
        if (!(set == settings::SettingsSet{}) || result.problem.isEmpty())
            abort();
        return 0;
    }
    qsizetype numberRecords = 0;
    const QStringList pieces = text.split(QLatin1Char('|'));
    for (qsizetype i = 1; i < pieces.size(); ++i)
        if (pieces[i].size() > 3 && pieces[i].startsWith(QLatin1String("TN,")))
            ++numberRecords;
    if (result.rowsAdded != numberRecords || set.numbers.size() != numberRecords || result.records > pieces.size())
        abort();
    return 0;
}
