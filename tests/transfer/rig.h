#pragma once
// The settings pages as the main window holds them, without a window.
#include "app/globals.h"
#include "link/unitlink.h"
#include "settings/numbergrid.h"
#include "settings/numberpage.h"
#include "settings/settingseditors.h"
#include "settings/systemparameterspage.h"

#include <QStringList>

struct Pages {
    settings::SystemParametersPage sys;
    settings::NumberManagementPage num;
    settings::SettingsEditors editors{sys, num};
    explicit Pages(const QString &model = Module1::kGate)
    {
        num.setUnitModel(model);
        grid().setRows(1);
        if (model == Module1::kIntercom) {
            grid().setFormatString(QStringLiteral("Unit No.| Number              |"));
            grid().setCols(2);
        } else {
            grid().setFormatString(QStringLiteral("No.| Caller Number      |Output 1|Output 2|Output 3|Output 4|"));
        }
    }
    settings::NumberGrid &grid() { return *num.grdNum(); }
    // Appends a row: column 0, number, then the mark cells from column 2 on.
    void addRow(const QString &col0, const QString &number, const QStringList &marks = {})
    {
        grid().setRows(grid().rows() + 1);
        const int r = grid().rows() - 1;
        grid().setTextMatrix(r, 0, col0);
        grid().setTextMatrix(r, 1, number);
        for (int i = 0; i < marks.size(); ++i)
            grid().setTextMatrix(r, 2 + i, marks.at(i));
    }
    // "col0:number" per data row, ";"-joined; a row with any mark cell set gets a "!".
    QString rows()
    {
        QStringList out;
        for (int r = 1; r < grid().rows(); ++r) {
            QString row = grid().textMatrix(r, 0) + ':' + grid().textMatrix(r, 1);
            for (int c = 2; c < grid().cols(); ++c)
                if (!grid().textMatrix(r, c).isEmpty())
                    row += '!';
            out << row;
        }
        return out.join(';');
    }
};

struct FakeHost : unitlink::LinkHost {
    QString log;
    int value = 0, maximum = 100;
    settings::SettingsEditors *editors = nullptr;
    QString password() const override { return editors->password(); }
    void appendLog(const QString &text) override { log += text; }
    void clearLog() override { log.clear(); }
    void setProgress(int v, int m) override { value = v; maximum = m; }
    int progressValue() const override { return value; }
    int progressMaximum() const override { return maximum; }
    void setOutputColour(int, quint32) override {}
};
