// The record parser on any text: it must not crash, and every "TN," record with content
// must become exactly one number row.
#include "settings/settingsset.h"
#include "transfer/settingsparser.h"

#include <QByteArray>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
    settings::SettingsSet set;
    const transfer::ParseResult result = transfer::parse_settings(text, set);
    qsizetype numberRecords = 0;
    const QStringList pieces = text.split(QLatin1Char('|'));
    for (qsizetype i = 1; i < pieces.size(); ++i)
        if (pieces[i].size() > 3 && pieces[i].startsWith(QLatin1String("TN,")))
            ++numberRecords;
    if (result.rowsAdded != numberRecords || set.numbers.size() != numberRecords || result.records > pieces.size())
        abort();
    return 0;
}
