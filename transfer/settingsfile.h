#pragma once
#include <QString>
#include <QStringList>

namespace platform {
class Dialogs;
}
namespace settings {
class SettingsEditors;
struct SettingsSet;
} // namespace settings

namespace transfer {

// "All Files" matches every name: on Linux "*.*" would hide names without a dot.
inline const QString kSettingsFileFilter = QStringLiteral("Norvik GSM Files (*.gsm)|*.gsm|All Files (*.*)|*");

// Nothing bigger is a settings file; reading it whole could freeze the window.
inline constexpr qint64 kMaxSettingsFileBytes = 16 * 1024 * 1024;
// Longer values in a file are cut to this many characters.
inline constexpr int kMaxFileValueLength = 4096;

// The settings as a file holds them: one record per line between "<START>" and "<END>",
// every line but the last ended by CR LF. The master number follows the input names; for the
// gate model each "TN," record carries the row's output marks as a third field ("13"), which
// readers that know two fields ignore.
QString settings_file_text(const settings::SettingsSet &set, const QString &unitModel);

// Writes `set` to `path` as settings_file_text() followed by CR LF, atomically: on failure the
// old file stays as it was and `error` says what failed and what to do.
bool write_settings_file(const QString &path, const settings::SettingsSet &set, const QString &unitModel,
                         QString *error);

// Reads the file at `path` into `set` (number rows are appended to those it holds). A file
// that cannot be read or is over kMaxSettingsFileBytes changes nothing and returns false with
// `error` set. Values over kMaxFileValueLength are cut; `cut` (if given) names their fields.
// `records` (if given) is the number of records read: none means it is no settings file.
bool read_settings_file(const QString &path, settings::SettingsSet &set, QString *error,
                        QStringList *cut = nullptr, int *records = nullptr);

// The one message about values cut on reading; empty when none.
QString cut_values_message(const QStringList &cut);

} // namespace transfer
