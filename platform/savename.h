#pragma once
#include <QString>

namespace platform {

class Dialogs;

// `name` with ".`extension`" added when its last part has no extension of its own
// ("oak-ridge" and ".hidden" become "oak-ridge.gsm" and ".hidden.gsm"; "site.v2" stays).
QString withExtension(const QString &name, const QString &extension);

// The name typed in a save dialog, completed by withExtension(). The dialog asked about
// replacing the name typed, not the completed one: when that one exists, the operator is asked
// here. The empty text when the dialog was cancelled or replacing was refused.
QString completeSaveName(Dialogs &dialogs, const QString &typed, const QString &extension);

} // namespace platform
