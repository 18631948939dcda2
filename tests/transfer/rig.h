#pragma once
// The settings pages as the main window holds them, without a window.
#include "settings/numbergrid.h"
#include "settings/numberpage.h"
#include "settings/settingseditors.h"
#include "settings/systemparameterspage.h"

#include <QStringList>

inline const QString kStart = "5831/GSM Unit//Input 1/Input 4/1/1 "; // state() of fresh pages

struct Pages {
    settings::SystemParametersPage sys;
    settings::NumberManagementPage num;
    settings::SettingsEditors editors{sys, num};
    settings::NumberGrid &grid = *num.grdNum();
    Pages() { grid.setCols(6); } // number, caller number, four output marks
    // Appends a row: column 0, the number, then mark cells from column 2 on.
    void addRow(const QString &col0, const QString &number, const QStringList &marks = {})
    {
        const int r = grid.rows();
        grid.setRows(r + 1);
        grid.setTextMatrix(r, 0, col0);
        grid.setTextMatrix(r, 1, number);
        for (int i = 0; i < marks.size(); ++i)
            grid.setTextMatrix(r, 2 + i, marks.at(i));
    }
    // "col0:number" per data row, ";"-joined.
    QString rows() const
    {
        QStringList out;
        for (int r = 1; r < grid.rows(); ++r)
            out << grid.textMatrix(r, 0) + ':' + grid.textMatrix(r, 1);
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
