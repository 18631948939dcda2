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

QString settings_file_text(const settings::SettingsEditors &editors)
{
    auto line = [](const QString &record) { return record + QLatin1Char('|') + kLineEnd; };

    QString options, monitor;
    if (editors.errorReporting())
        options += QLatin1Char('1');
    if (editors.outputConfirmation())
        options += QLatin1Char('4');
    static const char kMonitorDigits[] = "1248";
    for (int k = 0; k < 4; ++k)
        if (editors.monitorInput(k))
            monitor += QLatin1Char(kMonitorDigits[k]);

    QString text = QStringLiteral("<START>") + line(QStringLiteral("|MP,") + editors.password());
    text += line(QStringLiteral("SN,") + editors.systemName());
    text += line(QStringLiteral("OP,") + options);
    text += line(QStringLiteral("MO,") + monitor);
    for (int k = 0; k < 4; ++k)
        text += line(QStringLiteral("I%1,").arg(k + 1) + editors.inputName(k));
    const settings::NumberGrid &grid = editors.numbers();
    for (int r = 1; r < grid.rows(); ++r)
        text += line(QStringLiteral("TN,") + settings::strip_plus(grid.textMatrix(r, 1)) + QLatin1Char(',')
                     + grid.textMatrix(r, 0));
    text += QStringLiteral("<END>");
    return text;
}

void cmdSave_Click(const settings::SettingsEditors &editors, platform::Dialogs &dialogs)
{
    const QString text = settings_file_text(editors);
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
    const QString tooLong = long_values_message(parse_settings(text, editors));
    if (!tooLong.isEmpty())
        dialogs.message(tooLong, platform::Dialogs::Icon::Information);
}

} // namespace transfer
