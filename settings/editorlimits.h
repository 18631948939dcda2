#pragma once
#include "settings/settingsset.h"

#include <QString>

class QLineEdit;

namespace settings {

// What a text setter does with a value longer than the editor's typing limit
// (a value read from a settings file or from the unit).
enum class LongValue {
    Cut,  // cut to the limit
    Keep, // raise that editor's limit to the value's length: nothing is lost
};

// Values from outside are kept whole by default: cutting would silently change what the
// unit or the file holds. The setters report the overflow so the caller can tell the user.
inline constexpr LongValue kLongValueDefault = LongValue::Keep;

// Lets the editor accept only text that fits one Latin-1 byte per character and holds none of
// `refused` (typing and pasting alike): nothing else can reach the unit or a file intact. A
// refused character typed shows a short note beside the editor saying why.
void acceptLatin1Only(QLineEdit *edit, const QString &refused = QString());
// Changes what `edit` refuses (the cell editor follows its column).
void setRefusedCharacters(QLineEdit *edit, const QString &refused);
// The note that says why `refused` cannot be typed.
QString refusedNote(const QString &refused);

// Writes `value` into `edit` under `policy`; returns true when the value was longer than
// the editor's limit (whatever the policy did about it).
bool setLimitedText(QLineEdit *edit, const QString &value, LongValue policy);

} // namespace settings
