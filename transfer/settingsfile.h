#pragma once
#include <QString>

namespace platform {
class Dialogs;
}
namespace settings {
class SettingsEditors;
struct SettingsSet;
} // namespace settings

namespace transfer {

inline const QString kSettingsFileFilter = QStringLiteral("Norvik GSM Files (*.gsm)|*.gsm|All Files (*.*)|*.*");

// The settings as a file holds them: one record per line between "<START>" and "<END>",
// every line but the last ended by CR LF. The master number and the output marks of the
// numbers are not part of it; the options and monitor boxes are written but not read back.
QString settings_file_text(const settings::SettingsSet &set);

// The save button: asks for a name and writes the file; a failure is reported and leaves
// any existing file as it was.
void cmdSave_Click(const settings::SettingsEditors &editors, platform::Dialogs &dialogs);

// The load button: asks for a name and reads the file into the editors. Number rows are
// added after those shown. A file that cannot be read changes nothing.
void cmdLoad_Click(settings::SettingsEditors &editors, platform::Dialogs &dialogs);

} // namespace transfer
