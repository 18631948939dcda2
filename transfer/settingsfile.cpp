#include "transfer/settingsfile.h"

#include "platform/dialogs.h"
#include "platform/latin1.h"
#include "platform/textfile.h"
#include "settings/numbergrid.h"
#include "settings/settingseditors.h"
#include "transfer/settingsparser.h"

namespace transfer {

namespace {
const QString kLineEnd = QStringLiteral("\r\n");
}

QString settings_file_text(const settings::SettingsSet &set)
{
    auto line = [](const QString &record) { return record + QLatin1Char('|') + kLineEnd; };

    QString options, monitor;
    if (set.errorReporting)
        options += QLatin1Char('1');
    if (set.outputConfirmation)
        options += QLatin1Char('4');
    static const char kMonitorDigits[] = "1248";
    for (int k = 0; k < 4; ++k)
        if (set.monitorInputs[k])
            monitor += QLatin1Char(kMonitorDigits[k]);

    QString text = QStringLiteral("<START>") + line(QStringLiteral("|MP,") + set.password);
    text += line(QStringLiteral("SN,") + set.systemName);
    text += line(QStringLiteral("OP,") + options);
    text += line(QStringLiteral("MO,") + monitor);
    for (int k = 0; k < 4; ++k)
        text += line(QStringLiteral("I%1,").arg(k + 1) + set.inputNames[k]);
    for (const settings::NumberRow &row : set.numbers)
        text += line(QStringLiteral("TN,") + settings::strip_plus(row.number) + QLatin1Char(',') + row.unit);
    text += QStringLiteral("<END>");
    return text;
}

void cmdSave_Click(const settings::SettingsEditors &editors, platform::Dialogs &dialogs)
{
    const QString text = settings_file_text(editors.store());
    const QString name = dialogs.saveFileName(QStringLiteral("Save File"), kSettingsFileFilter);
    if (name.isEmpty())
        return;
    QString error;
    if (!platform::writeFileAtomically(name, platform::toWire(text + kLineEnd), &error))
        dialogs.message(QStringLiteral("The settings were not saved. %1").arg(error), platform::Dialogs::Icon::Stop);
}

void cmdLoad_Click(settings::SettingsEditors &editors, platform::Dialogs &dialogs)
{
    const QString name = dialogs.openFileName(QStringLiteral("File Open"), kSettingsFileFilter);
    if (name.isEmpty() || name == QLatin1String("*.csv"))
        return;
    QByteArray bytes;
    QString error;
    if (!platform::readFile(name, &bytes, &error)) {
        dialogs.message(QStringLiteral("The settings file was not loaded; nothing was changed. %1").arg(error),
                        platform::Dialogs::Icon::Stop);
        return;
    }
    // Line ends carry no meaning: records end in "|", and may be split over lines.
    QString text = platform::fromWire(bytes);
    text.remove(QLatin1Char('\n'));
    text.remove(QLatin1Char('\r'));
    settings::SettingsSet set = editors.store();
    parse_settings(text, set);
    const QString tooLong = long_values_message(editors.load(set));
    if (!tooLong.isEmpty())
        dialogs.message(tooLong, platform::Dialogs::Icon::Information);
}

} // namespace transfer
