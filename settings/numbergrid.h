#pragma once
#include "settings/numberform.h"

#include <QRect>
#include <QString>
#include <QTableWidget>

namespace settings {

// The number table. Rows are counted like the grid control it stands in for: row 0 is the
// header row (shown as the horizontal header), data rows are 1..rows()-1. The cells hold
// the data; there is no other copy of the list.
class NumberGrid : public QTableWidget {
    Q_OBJECT
public:
    explicit NumberGrid(QWidget *parent = nullptr);

    int rows() const;    // data rows + 1
    void setRows(int n); // 1 empties; n+1 appends empty rows; fewer truncates
    int cols() const;
    void setCols(int n);
    // "|"-separated titles; the closing bar gives one more, untitled column. Blanks in the
    // titles stay in the header text and set the column widths.
    void setFormatString(const QString &format);

    QString textMatrix(int row, int col) const; // row 0 = header title
    void setTextMatrix(int row, int col, const QString &text);
    void removeRowAt(int row); // data row index (>= 1)

    int row() const;                        // current data row (1-based), 0 when none
    int col() const;                        // current column, 0 when none
    void setRow(int row);                   // keeps the current column
    int rowSel() const;                     // data row where the selection ends, 0 when none
    QRect cellRect(int row, int col) const; // in the grid's own coordinates
};

} // namespace settings
