#pragma once
#include <QString>

namespace platform {
class Dialogs;
}
namespace settings {
class SettingsEditors;
}

namespace transfer {

// The save button: asks for a name and writes the file; a failure is reported and leaves
// any existing file as it was.
void cmdSave_Click(const settings::SettingsEditors &editors, const QString &unitModel, platform::Dialogs &dialogs);

// The load button: asks for a name and reads the file into the editors. When the list already
// holds numbers the operator chooses to replace it, add the file's numbers, or cancel.
// A file that cannot be read changes nothing.
void cmdLoad_Click(settings::SettingsEditors &editors, platform::Dialogs &dialogs);

} // namespace transfer
