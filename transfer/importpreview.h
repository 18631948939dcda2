#pragma once
// What a CSV import would do to the number list, row by row, before anything changes. No
// widgets: the window shows it and applies the operator's choice.
#include "settings/settingsset.h"
#include "transfer/numbercsv.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace transfer {

struct ImportRow {
    enum class Outcome {
        Accepted, // a new number, stored as it reads
        Merged,   // a number the list already holds: that row takes the file's outputs or unit
        Damaged,  // probably damaged by a spreadsheet; row.number is the likely original
        Refused,  // never imported; `why` says why
    };
    Outcome outcome = Outcome::Accepted;
    int line = 0;
    QString inFile;
    settings::NumberRow row;
    QString label;
    Damage damage = Damage::None;
    int listedRow = -1; // Merged (or Damaged and listed): the list's row, from 0
    QString why;        // Refused: the reason; Damaged: the question ("leading 0 dropped?")
};

struct ImportPreview {
    QString error; // the file could not be read as CSV: nothing else is set
    int rowsRead = 0;
    CsvColumns columns;
    bool header = false;
    QList<ImportRow> rows; // in file order
    int count(ImportRow::Outcome outcome) const;
};

// The rows of `csv` against the numbers `listed` now.
ImportPreview preview_import(const QByteArray &csv, const QList<settings::NumberRow> &listed, const QString &unitModel);

// Which column was taken for what, for the operator: "number: column 2 (\"Phone\"), ...".
QString columns_text(const ImportPreview &preview, const QString &unitModel);

// The list after the import: `listed` with merged rows updated in place and new rows after
// them, in file order. Damaged rows (as their likely originals) only with `withDamaged`;
// refused rows never. Gate rows get their running numbers again.
QList<settings::NumberRow> imported_list(const ImportPreview &preview, const QList<settings::NumberRow> &listed,
                                         bool withDamaged, const QString &unitModel);

} // namespace transfer
