#pragma once
#include <QList>
#include <QString>

namespace settings {
class SettingsEditors;
}

namespace transfer {

// A value that did not fit its editor's typing limit and was kept whole.
struct LongValueKept {
    QString field;  // as the operator knows the editor, e.g. "System name"
    int length = 0; // characters of the value now in the editor
};

struct ParseResult {
    int records = 0;   // records with a known tag and some content
    int rowsAdded = 0; // number rows appended to the grid
    QList<LongValueKept> longValues; // editors whose final value is over their limit
};

// Reads a "|"-separated settings text (CR and LF already removed) into the editors.
// The piece before the first "|" is never read; unknown and empty records are skipped;
// boxes without a record keep their value; number rows are appended, never replaced.
ParseResult parse_settings(const QString &text, settings::SettingsEditors &editors);

// The one message that tells the operator about values kept whole; empty when none.
QString long_values_message(const ParseResult &result);

// `text` read as a number the way the records hold it: blanks are skipped, an optional
// sign, digits and a decimal part are read up to the first character that does not
// belong; written back as plain decimal text ("07" gives "7", no number gives "0").
QString plain_number(const QString &text);

} // namespace transfer
