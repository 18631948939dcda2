#pragma once
#include "settings/settingsset.h"

#include <QString>

class QLabel;
class QLineEdit;
class QWidget;

namespace settings {

// What a text setter does with a value longer than the editor's typing limit
// (a value read from a settings file or from the unit).
enum class LongValue {
    Cut,  // cut to the limit
    Keep, // keep it whole: the editor shows it over its limit, and says so
};

// Values from outside are kept whole by default: cutting would silently change what the
// unit or the file holds. The setters report the overflow so the caller can tell the user.
inline constexpr LongValue kLongValueDefault = LongValue::Keep;

// Lets the editor accept only text that fits one Latin-1 byte per character, holds no control
// character and none of `refused`, and (with `limit` > 0) is no longer than `limit`, typed and
// pasted alike: a paste that does not fit is refused whole, never cut. A refusal shows a short
// note beside the editor saying why.
void acceptLatin1Only(QLineEdit *edit, const QString &refused = QString(), int limit = 0);
// The note that says why `refused` cannot be typed.
QString refusedNote(const QString &refused);
// A label "8/15" that follows the length of `edit` against its limit, and says when a value
// from outside is longer than the unit takes.
QLabel *lengthCounter(QLineEdit *edit, QWidget *parent);

// Writes `value` into `edit` under `policy`; returns true when the value was longer than
// the editor's limit (whatever the policy did about it).
bool setLimitedText(QLineEdit *edit, const QString &value, LongValue policy);

} // namespace settings
