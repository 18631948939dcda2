#pragma once
#include <QStyledItemDelegate>
#include <QTableView>

namespace settings {

class NumberFilterModel;
class NumberListModel;

// Edits a number or unit number where it stands: the text is checked as it is typed and
// refused on Enter while it is wrong (the reason goes to problemChanged, the editor stays
// open); a right is toggled by a click on its cell.
class NumberDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    NumberDelegate(NumberFilterModel &filter, QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;

signals:
    // Why the text being typed cannot be stored; empty when it can.
    void problemChanged(const QString &why) const;

protected:
    bool eventFilter(QObject *object, QEvent *event) override;

private:
    QString problem(const QModelIndex &index, const QString &text) const;
    NumberFilterModel &filter_;
};

// The telephone list: a table over the number list through its filter and sort order.
// Several rows can be selected; Delete asks for them to be deleted. On a right's cell, Space
// toggles it, "0", "-" and Backspace clear it, any other character sets it.
class NumberView : public QTableView {
    Q_OBJECT
public:
    explicit NumberView(QWidget *parent = nullptr);

    // Lays out the columns of the model now set: the number takes the spare width.
    void fitColumns();
    // Writes back an edit still open (a transfer or a save is about to read the list).
    void commitOpenEdit();
    bool editing() const { return state() == EditingState; }
    // The list rows (not the filtered positions) that are selected, or the current one.
    QList<int> selectedListRows() const;
    // Grants (on) or revokes output `k` (0..3) on every selected row, as one undo step.
    void setSelectedOutput(int k, bool on);

signals:
    void deleteRequested();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
};

} // namespace settings
