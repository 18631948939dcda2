#pragma once
#include "link/unitlink.h"
#include "settings/settingsset.h"
#include "transfer/verify.h"

#include <QList>
#include <QString>

namespace transfer {

struct UploadCommand {
    QString label;
    QString value;
    QString word;
};

// One upload is one chain of commands.
inline constexpr int kMaxUploadCommands = unitlink::kMaxChainCommands;

// The commands that put `set` onto the unit, in sending order. System options that `set`
// does not know are never sent, even when asked for: the unit keeps its own.
QList<UploadCommand> upload_commands(const settings::SettingsSet &set, const QString &unitModel);

// True when the upload asks for the system options but `set` does not know them (it came
// from the unit's dump or a file without them), so the unit keeps its own.
bool system_options_kept(const settings::SettingsSet &set, const QString &unitModel);

// The line under the upload question: what will be replaced, how many numbers, and a warning
// when a gate list is sent in which no number may switch an output.
QString upload_summary(const settings::SettingsSet &set, const QString &unitModel);

// A message naming the first value to be sent that holds a character the unit cannot take
// ("|" or "*", and "." in the password); empty when every value can be sent.
QString unsendable_value(const settings::SettingsSet &set, const QString &unitModel);

// What a started upload sends, kept until it has been verified.
struct SentUpload {
    settings::SettingsSet settings;
    UploadedParts parts;
};

} // namespace transfer
