#pragma once
// The preview of a CSV import as a table: every row of the file with its outcome, before the
// operator applies all, the accepted rows only, or nothing.
#include "mainwindow/numberimport.h"

#include <QDialog>

class QTableWidget;

namespace transfer {

class ImportPreviewDialog : public QDialog {
    Q_OBJECT
public:
    ImportPreviewDialog(const ImportPreview &preview, const QString &fileName, const QString &unitModel,
                        QWidget *parent = nullptr);
    ImportChoice choice() const { return choice_; }

    // Shows the dialog modally and returns the choice (Cancel when closed).
    static ImportChoice ask(QWidget *parent, const ImportPreview &preview, const QString &fileName,
                            const QString &unitModel);

private:
    void fill(const ImportPreview &preview, const QString &unitModel);

    QTableWidget *table_ = nullptr;
    ImportChoice choice_ = ImportChoice::Cancel;
};

} // namespace transfer
