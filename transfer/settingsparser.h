#pragma once
#include "settings/settingsset.h"

#include <QList>
#include <QSet>
#include <QString>

namespace transfer {

// Where a settings text comes from decides how much of it must be there.
enum class TextKind {
    // A settings file: "<START>" first, "<END>" as the last record, and nothing between them
    // that is not a record of the file.
    File,
    // The unit's dump: whatever comes before the first "|" is its echo; the records end at the
    // "<END>" record, which must be there; records with a tag this program does not know are
    // skipped (the unit may add some).
    Dump,
};

struct ParseResult {
    int records = 0;    // records with a known tag
    int rowsAdded = 0;  // number rows appended to the list
    QSet<QString> tags; // the tags of the records read, e.g. "SN,"
    bool marks = false; // some number record carried output marks (a third field)
    // Why nothing was read, naming the record where it can ("record 7 (TN,2782x,1): ...");
    // empty when the text was read.
    QString problem;
    bool ok() const { return problem.isEmpty(); }
};

// Reads a "|"-separated settings text (CR and LF already removed) into `set`, whole or not at
// all: a text that is not whole, or one record whose value the unit could not take (the checks
// of settings/valuecheck.h), leaves `set` as it was and says why in `problem`.
// The piece before the first "|" is never read; an empty record sets an empty value (a unit
// without a name says so), except that an empty password or number record is skipped; values
// without a record keep theirs; number rows are appended, never replaced. The options ("OP,") and monitor
// ("MO,") records come as a pair; a text without them clears `set.systemOptionsKnown`.
// A number record is "TN,number,unit" or "TN,number,unit,marks" with the marks as the
// digits 1 to 4 of the outputs the number may switch.
ParseResult parse_settings(const QString &text, settings::SettingsSet &set, TextKind kind);

// The one message that tells the operator about values kept whole; empty when none.
QString long_values_message(const QList<settings::LongValueKept> &longValues);

// `text` read as a number the way the records hold it: blanks are skipped, an optional
// sign, digits and a decimal part are read up to the first character that does not
// belong; written back as plain decimal text ("07" gives "7", no number gives "0").
QString plain_number(const QString &text);

} // namespace transfer
