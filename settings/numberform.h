#pragma once
#include "settings/settingsset.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace settings {

// The number with every "+" removed, everything else kept in order.
QString strip_plus(const QString &text);
// The form Add stores: "+" in front of strip_plus(typed), a leading "0" turned into "27".
QString stored_number(const QString &typed);

// Gives the rows the running numbers a gate list carries, 1, 2, 3... in list order, gaps closed.
void number_in_order(QList<NumberRow> &rows);

// Keeps the first row of each number (compared without "+") and returns the numbers of the rows
// left out, in order: a list never holds a number twice, whichever way its rows came.
QStringList drop_repeated_numbers(QList<NumberRow> &rows);
// The operator's sentence about them; empty when none.
QString repeated_numbers_text(const QStringList &repeated);

} // namespace settings
