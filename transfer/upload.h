#pragma once
#include <QList>
#include <QString>
#include <functional>

namespace platform {
class Dialogs;
}
namespace settings {
class SettingsEditors;
struct SettingsSet;
} // namespace settings
namespace unitlink {
class UnitLink;
}

namespace transfer {

struct UploadCommand {
    QString label;
    QString value;
    QString word;
};

// The commands that put `set` onto the unit, in sending order.
QList<UploadCommand> upload_commands(const settings::SettingsSet &set, const QString &unitModel);

// The line under the upload question: what will be replaced, how many numbers, and a warning
// when a gate list is sent in which no number may switch an output.
QString upload_summary(const settings::SettingsSet &set, const QString &unitModel);

// A message naming the first value to be sent that holds a character the unit cannot take
// ("|" or "*", and "." in the password); empty when every value can be sent.
QString unsendable_value(const settings::SettingsSet &set, const QString &unitModel);

// The upload button: asks first, then queues the commands and sends the first one; the
// link sends the rest as the unit acknowledges them.
void cmdUpload_Click(const settings::SettingsEditors &editors, const QString &unitModel, unitlink::UnitLink &link,
                     platform::Dialogs &dialogs, const std::function<void()> &clearLog);

} // namespace transfer
