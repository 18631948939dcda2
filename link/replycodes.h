#pragma once
#include <QList>
#include <QString>

namespace unitlink {

// The unit answers with status codes in parentheses, e.g. "SYS NAME OK (12)".
inline constexpr int kMaxReplyCodes = 21;
// The code of a command given with the wrong password.
inline constexpr qint16 kWrongPasswordCode = 39;

// A number that does not fit 16 bits is read as this: a positive code the link does not
// act on, so it neither triggers anything nor ends the processing of later codes the way
// a 0 or a negative code would.
inline constexpr qint16 kCodeWithoutEffect = 32767;

// The text as a number: blanks, tabs and line feeds are skipped wherever they stand,
// then an optional sign, digits and an optional decimal part are read up to the first
// character that does not belong; the result is rounded to a whole number, halves to the
// even neighbour. Text that does not begin with a number gives 0.
qint16 leading_number(const QString &text);

// The codes of one reply in their order: for each "(" the text up to the first ")" after
// it. A "(" with no ")" after it is ignored; at most the first `limit` are read.
QList<qint16> read_reply_codes(const QString &text, qsizetype limit = kMaxReplyCodes);

} // namespace unitlink
