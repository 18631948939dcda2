#pragma once
#include <QByteArray>
#include <QSet>
#include <QString>

#include <optional>

namespace settings {
struct SettingsSet;
}

namespace transfer {

// "All Files" matches every name: on Linux "*.*" would hide names without a dot.
inline const QString kSettingsFileFilter = QStringLiteral("Norvik GSM Files (*.gsm)|*.gsm|All Files (*.*)|*");

// Nothing bigger is a settings file; reading it whole could freeze the window.
inline constexpr qint64 kMaxSettingsFileBytes = 16 * 1024 * 1024;

// The settings as a file holds them: one record per line between "<START>" and "<END>",
// every line but the last ended by CR LF. The options and monitor records are left out when
// the settings do not know them (a backup of the unit's dump). The master number follows the
// input names; for the gate model each "TN," record carries the row's output marks as a third
// field ("13"), which readers that know two fields ignore.
// With `carried` (a backup of the unit's answer), only the records that answer carried are
// written, and the gate marks only when its number records carried them: nothing is filled in.
struct CarriedRecords {
    QSet<QString> tags; // e.g. "SN,"
    bool marks = false;
};
QString settings_file_text(const settings::SettingsSet &set, const QString &unitModel,
                           const std::optional<CarriedRecords> &carried = std::nullopt);

// Writes `set` to `path` as settings_file_text() followed by CR LF, atomically: on failure the
// old file stays as it was and `error` says what failed and what to do. A new file is readable
// by its owner only (it holds the unit's password); an existing one keeps its mode.
bool write_settings_file(const QString &path, const settings::SettingsSet &set, const QString &unitModel,
                         QString *error, const std::optional<CarriedRecords> &carried = std::nullopt);

// Reads the file at `path` into `set` (number rows are appended to those it holds), whole or
// not at all: a file that cannot be read, is over kMaxSettingsFileBytes, is not a settings
// file, is cut off (its last line must be "<END>" with its line end), has a record without its
// "|", holds no settings, or holds one value the unit could not take changes nothing and
// returns false with `error` naming the file and, where it can, the record.
bool read_settings_file(const QString &path, settings::SettingsSet &set, QString *error);
// The same for a file's bytes held elsewhere (a stored version); `path` only names it in `error`.
bool read_settings_bytes(const QByteArray &bytes, const QString &path, settings::SettingsSet &set, QString *error);

} // namespace transfer
