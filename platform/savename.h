#pragma once
#include <QString>

namespace platform {

class Dialogs;

// `name` with ".`extension`" added when its last part has no extension of its own: one to four
// letters or digits after its last dot ("oak-ridge", ".hidden" and "St. Marys Estate" become
// "oak-ridge.gsm", ".hidden.gsm" and "St. Marys Estate.gsm"; "site.v2" stays).
QString withExtension(const QString &name, const QString &extension);

// The name typed in a save dialog, completed by withExtension(). The dialog asked about
// replacing the name typed, not the completed one: when that one exists, the operator is asked
// here. The empty text when the dialog was cancelled or replacing was refused.
QString completeSaveName(Dialogs &dialogs, const QString &typed, const QString &extension);

} // namespace platform
