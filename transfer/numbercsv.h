#pragma once
// The number list as CSV, as spreadsheets read and write it. No widgets: the window's
// import and export buttons and the command-line program share it.
#include "settings/settingsset.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace transfer {

// What a spreadsheet program probably did to a number before the file reached us.
enum class Damage {
    None,
    LeadingZeroDropped, // "821234567": nine digits from 6, 7 or 8, read as a number and its "0" lost
    Scientific,         // "8.21234567E+10": rounded, its digits cannot be trusted
    PlusLost,           // "27821234567" in a file whose other numbers keep their "+"
};

struct CsvNumber {
    int line = 0; // where the row starts in the file, counted from 1
    settings::NumberRow row;
    QString label;                // the label or name column; empty when the file has none
    QString inFile;               // the number as the file writes it
    Damage damage = Damage::None; // row.number is then the likely original
};

struct CsvRefusal {
    int line = 0;
    QString why;
    QString inFile = {};
    Damage damage = Damage::None;
};

// Which column (counted from 0) was taken for what; -1 for none.
struct CsvColumns {
    int number = 0;
    int second = 1; // the outputs (gate) or the unit number (intercom)
    int label = -1;
    QStringList headers; // the header row as the file writes it; empty without one
};

struct NumbersCsv {
    int rowsRead = 0; // rows that hold something, the header not counted
    bool header = false;
    CsvColumns columns;
    QList<CsvNumber> numbers;  // in stored form; gate rows carry their marks, intercom rows their unit
    QList<CsvRefusal> refused; // with the reason, in file order
    QString error;             // set when the file could not be read as CSV at all
};

// Reads a number list: comma- or semicolon-separated (whichever the first line uses more),
// quoted fields, CR LF or LF, a UTF-8 byte-order mark, blank lines, with or without a header
// row (a first row without digits). A header names the columns in any order: the number
// ("number", "phone", "telephone", "mobile", "cell"), the label ("label", "name") and the
// outputs as digits 1 to 4 (gate) or the unit number (intercom); without one they are number,
// outputs or unit, label. Numbers take their stored form as Add makes it; a number a
// spreadsheet damaged is flagged with its likely original (scientific notation is refused).
// A row whose number was already read is refused.
NumbersCsv read_numbers_csv(const QByteArray &bytes, const QString &unitModel);

// The list as CSV with a header row: "number,outputs" (gate, outputs as digits "13") or
// "number,unit" (intercom), lines ended by CR LF. Each number is written as ="+27821234567",
// which spreadsheet programs keep as text, "+" and all; the reader takes that form back.
QByteArray numbers_csv(const QList<settings::NumberRow> &rows, const QString &unitModel);

} // namespace transfer
