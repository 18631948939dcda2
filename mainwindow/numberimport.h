#pragma once
#include <QString>

namespace platform {
class Dialogs;
}
namespace settings {
class SettingsEditors;
struct SettingsSet;
} // namespace settings

namespace mainwindow {

// How many more numbers one upload of `set` could carry besides those it lists; negative when
// the list is that many numbers too long.
int numberRoom(settings::SettingsSet set, const QString &unitModel);

// The import button: reads a CSV list, shows what it found (rows read, rows refused with their
// lines and why, numbers already listed) and changes the list only when the operator chooses
// to replace it or add to it. A list too long for one upload is refused with the count to remove.
void importNumbers(settings::SettingsEditors &editors, const QString &unitModel, platform::Dialogs &dialogs);

// The export button: writes the list as CSV; a failure is told and leaves an old file as it was.
void exportNumbers(const settings::SettingsEditors &editors, const QString &unitModel,
                   platform::Dialogs &dialogs);

} // namespace mainwindow
