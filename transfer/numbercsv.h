#pragma once
// The number list as CSV, as spreadsheets read and write it. No widgets: the window's
// import and export buttons and the command-line program share it.
#include "settings/settingsset.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace transfer {

struct CsvNumber {
    int line = 0; // where the row starts in the file, counted from 1
    settings::NumberRow row;
};

struct CsvRefusal {
    int line = 0;
    QString why;
};

struct NumbersCsv {
    int rowsRead = 0; // rows that hold something, the header not counted
    bool header = false;
    QList<CsvNumber> numbers;  // in stored form; gate rows carry their marks, intercom rows their unit
    QList<CsvRefusal> refused; // with the reason, in file order
    QString error;             // set when the file could not be read as CSV at all
};

// Reads a number list: comma- or semicolon-separated (whichever the first line uses more),
// quoted fields, CR LF or LF, a UTF-8 byte-order mark, blank lines, with or without a header
// row (a first row whose number holds no digit). Column 1 is the number, turned into its
// stored form as Add does (blanks dropped first); column 2 the outputs as digits 1 to 4
// (gate) or the unit number (intercom). A row whose number was already read is refused.
NumbersCsv read_numbers_csv(const QByteArray &bytes, const QString &unitModel);

// The list as CSV with a header row: "number,outputs" (gate, outputs as digits "13") or
// "number,unit" (intercom); numbers without their "+", lines ended by CR LF.
QByteArray numbers_csv(const QList<settings::NumberRow> &rows, const QString &unitModel);

} // namespace transfer
