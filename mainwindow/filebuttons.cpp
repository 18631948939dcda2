#include "mainwindow/filebuttons.h"

#include "platform/dialogs.h"
#include "settings/settingseditors.h"
#include "transfer/settingsfile.h"
#include "transfer/settingsparser.h"

namespace transfer {

void cmdSave_Click(const settings::SettingsEditors &editors, const QString &unitModel, platform::Dialogs &dialogs)
{
    const settings::SettingsSet set = editors.store();
    const QString name = dialogs.saveFileName(QStringLiteral("Save File"), kSettingsFileFilter);
    if (name.isEmpty())
        return;
    QString error;
    if (!write_settings_file(name, set, unitModel, &error))
        dialogs.message(QStringLiteral("The settings were not saved; any earlier file of that name is unchanged. %1")
                            .arg(error),
                        platform::Dialogs::Icon::Stop);
}

void cmdLoad_Click(settings::SettingsEditors &editors, platform::Dialogs &dialogs)
{
    const QString name = dialogs.openFileName(QStringLiteral("File Open"), kSettingsFileFilter);
    if (name.isEmpty() || name == QLatin1String("*.csv"))
        return;
    const settings::SettingsSet shown = editors.store();
    settings::SettingsSet set = shown;
    set.numbers.clear();
    QString error;
    if (!read_settings_file(name, set, &error)) {
        dialogs.message(QStringLiteral("The settings file was not loaded; nothing was changed. %1").arg(error),
                        platform::Dialogs::Icon::Stop);
        return;
    }
    if (!shown.numbers.isEmpty()) {
        // Adding behind a list that came from another file or unit doubles it, or mixes two
        // sites' numbers: the operator says which is meant.
        const int answer = dialogs.choose(
            QStringLiteral("The telephone list already holds %1 numbers; the file holds %2.")
                .arg(shown.numbers.size())
                .arg(set.numbers.size()),
            QStringLiteral("Replace the list with the file's numbers, add the file's numbers after those shown, "
                           "or cancel: nothing is changed."),
            {QStringLiteral("Replace the list"), QStringLiteral("Add to the list"), QStringLiteral("Cancel")});
        if (answer == 1)
            set.numbers = shown.numbers + set.numbers;
        else if (answer != 0)
            return;
    }
    if (const QString tooLong = long_values_message(editors.load(set)); !tooLong.isEmpty())
        dialogs.message(tooLong, platform::Dialogs::Icon::Information);
}

} // namespace transfer
