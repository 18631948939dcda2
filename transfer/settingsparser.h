#pragma once
#include "settings/settingsset.h"

#include <QList>
#include <QSet>
#include <QString>

namespace transfer {

struct ParseResult {
    int records = 0;    // records with a known tag and some content
    int rowsAdded = 0;  // number rows appended to the list
    QSet<QString> tags; // the tags of the records met with content, e.g. "SN,"
    bool marks = false; // some number record carried output marks (a third field)
};

// Reads a "|"-separated settings text (CR and LF already removed) into `set`.
// The piece before the first "|" is never read; unknown and empty records are skipped, except
// "OP," and "MO,", whose missing digits mean no box ticked; values without a record keep
// theirs; number rows are appended, never replaced.
// A number record is "TN,number,unit" or "TN,number,unit,marks" with the marks as the
// digits 1 to 4 of the outputs the number may switch.
ParseResult parse_settings(const QString &text, settings::SettingsSet &set);

// The one message that tells the operator about values kept whole; empty when none.
QString long_values_message(const QList<settings::LongValueKept> &longValues);

// `text` read as a number the way the records hold it: blanks are skipped, an optional
// sign, digits and a decimal part are read up to the first character that does not
// belong; written back as plain decimal text ("07" gives "7", no number gives "0").
QString plain_number(const QString &text);

} // namespace transfer
