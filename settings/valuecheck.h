#pragma once
#include <QString>

namespace settings {

// What the unit takes. The editors type against these limits, and every value that comes
// from elsewhere (a file, the unit's dump, a CSV, the command line) is held to them too.
inline constexpr int kPasswordLength = 4;
inline constexpr int kNameLength = 15; // the system name and each input name
inline constexpr int kMaxNumberDigits = 20;

// A control character: below 32, or 127. Never typed, pasted, stored or sent.
inline bool is_control(QChar c) { return c.unicode() < 32 || c.unicode() == 127; }

// Why `value` cannot be a text setting; empty when it can. Refused: a control character
// (below 32, or 127), a character that has no single byte on the wire, any of `refused`,
// and more than `maxLength` characters (0: no limit). Nothing is ever cut to fit.
QString text_problem(const QString &value, const QString &refused, int maxLength = 0);

// A number's label ("Flat 12 J. Dube"): kept on this computer only, never sent, so any
// printable character goes; a control character or more than kLabelLength characters does not.
inline constexpr int kLabelLength = 60;
QString label_problem(const QString &label);

// A telephone number as a person types it or a record carries it, checked and put into the
// form the list holds: blanks, dashes, dots and brackets dropped, one optional leading "+",
// then 1 to kMaxNumberDigits digits, a leading "0" turned into "27", stored with "+" in front.
struct NumberCheck {
    QString stored;  // "+27821234567" when accepted
    QString problem; // why not, for the operator; empty when accepted
    bool ok() const { return problem.isEmpty(); }
};
NumberCheck check_number(const QString &typed);

// Why `value` cannot be a run of digits as records and the unit hold them (a number without
// its "+", a unit number, a list position): 1 to `maxDigits` digits and nothing else; empty
// when it can. Stops at the first digit too many, however long the value.
QString digits_problem(const QString &value, int maxDigits = kMaxNumberDigits);

} // namespace settings
