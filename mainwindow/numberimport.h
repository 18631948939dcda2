#pragma once
#include <QString>
#include <functional>

namespace platform {
class Dialogs;
}
namespace settings {
class SettingsEditors;
struct SettingsSet;
} // namespace settings

namespace transfer {

struct ImportPreview;

// What the operator makes of an import's preview.
enum class ImportChoice {
    ApplyAll,          // damaged rows as their likely originals too
    ApplyAcceptedOnly, // new and merged rows only
    Cancel,
};
// Shows the preview of the file named `fileName` and returns the choice.
using ImportPreviewer = std::function<ImportChoice(const ImportPreview &preview, const QString &fileName)>;

// How many more numbers one upload of `set` could carry besides those it lists; negative when
// the list is that many numbers too long.
int number_room(settings::SettingsSet set, const QString &unitModel);

// The import button: reads a CSV list and shows each row's outcome (accepted, merged with a listed
// number, probably damaged with its likely original, refused with its line and why) through
// `previewer`, or without one as a question of `dialogs`. The list changes, as one step of the
// undo history, only when the operator applies all rows or the accepted ones. A list too long
// for one upload is refused with the count to remove.
void cmdImportCsv_Click(settings::SettingsEditors &editors, const QString &unitModel, platform::Dialogs &dialogs,
                        const ImportPreviewer &previewer = {});

// The export button: writes the list as CSV; a failure is told and leaves an old file as it was.
void cmdExportCsv_Click(const settings::SettingsEditors &editors, const QString &unitModel,
                        platform::Dialogs &dialogs);

} // namespace transfer
