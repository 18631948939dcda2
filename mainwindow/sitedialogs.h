#pragma once
#include "sites/siteregister.h"

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;
class QTreeWidget;

namespace mainwindow {

// "Open Site": the register's sites with their model, last verified upload and whether the
// unit differed at the last read; the box above finds a site by any part of any column.
class SiteListDialog : public QDialog {
    Q_OBJECT
public:
    SiteListDialog(const QList<sites::SiteEntry> &entries, QWidget *parent = nullptr);
    // The folder of the site chosen; empty when none is.
    QString chosenFolder() const;
    QLineEdit *filter() const { return filter_; }
    QTableView *table() const { return table_; }

private:
    QLineEdit *filter_;
    QTableView *table_;
    QStandardItemModel *model_;
    QSortFilterProxyModel *proxy_;
};

// "Site History": every version of one site, newest first; two selected compare, one opens.
class SiteHistoryDialog : public QDialog {
    Q_OBJECT
public:
    SiteHistoryDialog(sites::Register &reg, const QString &site, QWidget *parent = nullptr);
    QTreeWidget *list() const { return list_; }
    QPlainTextEdit *comparison() const { return comparison_; }
    // Compares the two versions selected, the older first, into comparison().
    void compareSelected();

signals:
    // Open this version in the editors (nothing is sent to the unit).
    void openVersion(const QString &id);

private:
    sites::Register &reg_;
    QString site_;
    QTreeWidget *list_;
    QPlainTextEdit *comparison_;
};

// The comparison as a person reads it, one change a line.
QString comparison_text(const sites::Comparison &comparison);

} // namespace mainwindow
