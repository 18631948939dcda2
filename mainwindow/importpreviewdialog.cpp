#include "mainwindow/importpreviewdialog.h"

#include "settings/settingsset.h"
#include "settings/unitmodel.h"
#include "transfer/importpreview.h"

#include <QBrush>
#include <QColor>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace transfer {

namespace {

QPushButton *button(const QString &name, const QString &text, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAccessibleName(text);
    return b;
}

} // namespace

ImportPreviewDialog::ImportPreviewDialog(const ImportPreview &preview, const QString &fileName,
                                         const QString &unitModel, QWidget *parent)
    : QDialog(parent)
{
    using O = ImportRow::Outcome;
    setObjectName(QStringLiteral("frmImportPreview"));
    setWindowTitle(tr("Import \"%1\"").arg(fileName));
    auto *summary = new QLabel(tr("%1 rows read: %2 new, %3 merged with listed numbers, %4 probably damaged by a "
                                  "spreadsheet, %5 refused. Nothing changes until you apply.\n%6")
                                   .arg(preview.rowsRead)
                                   .arg(preview.count(O::Accepted))
                                   .arg(preview.count(O::Merged))
                                   .arg(preview.count(O::Damaged))
                                   .arg(preview.count(O::Refused))
                                   .arg(columns_text(preview, unitModel)),
                               this);
    summary->setObjectName(QStringLiteral("lblImportSummary"));
    summary->setWordWrap(true);
    table_ = new QTableWidget(this);
    table_->setObjectName(QStringLiteral("tblImportPreview"));
    table_->setAccessibleName(tr("Rows of the file and their outcome"));
    fill(preview, unitModel);

    auto *all = button(QStringLiteral("cmdApplyAll"), tr("Apply all"), this);
    all->setToolTip(tr("New, merged and damaged rows, the damaged ones as their likely originals"));
    auto *accepted = button(QStringLiteral("cmdApplyAccepted"), tr("Apply accepted only"), this);
    accepted->setToolTip(tr("New and merged rows only"));
    accepted->setEnabled(preview.count(O::Accepted) + preview.count(O::Merged) > 0);
    auto *cancel = button(QStringLiteral("cmdCancelImport"), tr("Cancel"), this);
    connect(all, &QPushButton::clicked, this, [this] {
        choice_ = ImportChoice::ApplyAll;
        accept();
    });
    connect(accepted, &QPushButton::clicked, this, [this] {
        choice_ = ImportChoice::ApplyAcceptedOnly;
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton *b : {all, accepted, cancel})
        buttons->addWidget(b);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(summary);
    layout->addWidget(table_, 1);
    layout->addLayout(buttons);
    cancel->setDefault(true);
    resize(820, 520);
}

void ImportPreviewDialog::fill(const ImportPreview &preview, const QString &unitModel)
{
    using O = ImportRow::Outcome;
    const bool gate = unitModel != settings::kIntercom;
    table_->setColumnCount(6);
    // The outcome last: its reasons are long, and the columns before it stay in sight.
    table_->setHorizontalHeaderLabels({tr("Line"), tr("In the file"), tr("Number to store"), tr("Label"),
                                       gate ? tr("Outputs") : tr("Unit"), tr("Outcome")});
    table_->setRowCount(int(preview.rows.size()));
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    for (int i = 0; i < int(preview.rows.size()); ++i) {
        const ImportRow &r = preview.rows[i];
        QString outcome;
        QColor colour;
        switch (r.outcome) {
        case O::Accepted: outcome = tr("new"); break;
        case O::Merged: outcome = tr("merged with row %1 of the list").arg(r.listedRow + 1); break;
        case O::Damaged:
            outcome = tr("damaged? %1").arg(r.why);
            colour = QColor(255, 236, 150);
            break;
        case O::Refused:
            outcome = tr("refused: %1").arg(r.why);
            colour = QColor(255, 200, 200);
            break;
        }
        const bool stored = r.outcome != O::Refused;
        const QStringList cells{QString::number(r.line),
                                r.inFile,
                                stored ? r.row.number : QString(),
                                r.label,
                                stored ? (gate ? settings::output_digits(r.row.outputs) : r.row.unit) : QString(),
                                outcome};
        for (int c = 0; c < int(cells.size()); ++c) {
            auto *item = new QTableWidgetItem(cells[c]);
            if (colour.isValid())
                item->setBackground(colour);
            if (c == 5)
                item->setToolTip(cells[c]);
            table_->setItem(i, c, item);
        }
    }
    table_->resizeColumnsToContents();
    table_->horizontalHeader()->setStretchLastSection(true);
}

ImportChoice ImportPreviewDialog::ask(QWidget *parent, const ImportPreview &preview, const QString &fileName,
                                      const QString &unitModel)
{
    ImportPreviewDialog dialog(preview, fileName, unitModel, parent);
    return dialog.exec() == QDialog::Accepted ? dialog.choice() : ImportChoice::Cancel;
}

} // namespace transfer
