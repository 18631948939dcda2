#pragma once
// The settings pages as the main window holds them, without a window.
#include "settings/numberlistmodel.h"
#include "settings/numberpage.h"
#include "settings/settingseditors.h"
#include "settings/systemparameterspage.h"

#include <QStringList>

inline const QString kStart = "5831/GSM Unit//Input 1/Input 4/1/1 "; // state() of fresh pages

struct Pages {
    settings::SystemParametersPage sys;
    settings::NumberManagementPage num;
    settings::SettingsEditors editors{sys, num};
    settings::NumberListModel &grid = num.numberModel();
    Pages() { num.setUnitModel(QStringLiteral("gate")); } // number, caller number, four output marks
    // Appends a row: column 0, the number, then the output marks (any text sets one).
    void addRow(const QString &col0, const QString &number, const QStringList &marks = {})
    {
        settings::NumberRow row{col0, number, {}};
        for (int i = 0; i < marks.size() && i < 4; ++i)
            row.outputs[i] = !marks.at(i).isEmpty();
        grid.setRows(grid.rows() + QList<settings::NumberRow>{row});
    }
    // `n` rows of distinct numbers.
    void setCount(int n)
    {
        QList<settings::NumberRow> rows;
        for (int i = 0; i < n; ++i)
            rows.append({QString::number(i + 1), QStringLiteral("+2782%1").arg(i, 7, 10, QLatin1Char('0')), {}});
        grid.setRows(rows);
    }
    // "col0:number" per data row, ";"-joined.
    QString rows() const
    {
        QStringList out;
        for (const settings::NumberRow &row : grid.rows())
            out << row.unit + ':' + row.number;
        return out.join(';');
    }
    // pass/name/master/input 1/input 4/error reporting/monitor 1, a blank, the rows.
    QString state() const
    {
        const auto &e = editors;
        return QStringList{e.password(), e.systemName(), e.masterNumber(), e.inputName(0), e.inputName(3),
                           QString::number(e.errorReporting()), QString::number(e.monitorInput(0))}
                   .join('/')
               + ' ' + rows();
    }
};
