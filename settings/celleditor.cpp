#include "settings/celleditor.h"

#include "settings/editorlimits.h"
#include "settings/numbergrid.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QToolTip>

namespace settings {

CellEditor::CellEditor(NumberGrid &grid) : QObject(&grid), grid_(grid)
{
    // A child of the viewport sits in the cells' own coordinates, so it covers a cell exactly.
    text1_ = new QLineEdit(grid.viewport());
    text1Object_ = text1_;
    text1_->setObjectName(QStringLiteral("Text1"));
    text1_->setAccessibleName(QStringLiteral("Cell editor"));
    text1_->setFrame(false);
    text1_->setFont(grid.font());
    text1_->setTextMargins(0, 0, 0, 0);
    acceptLatin1Only(text1_);
    text1_->hide();

    text1_->installEventFilter(this);
    grid.installEventFilter(this);
    grid.viewport()->installEventFilter(this);
    grid.horizontalHeader()->viewport()->installEventFilter(this);

    connect(&grid, &QTableWidget::currentCellChanged, text1_, [this] { writeBackUnchanged(); });
    connect(grid.model(), &QAbstractItemModel::rowsRemoved, text1_, [this] { followRows(); });
    connect(grid.model(), &QAbstractItemModel::rowsInserted, text1_, [this] { followRows(); });
    connect(grid.model(), &QAbstractItemModel::columnsRemoved, text1_, [this] { followRows(); });
    connect(grid.model(), &QAbstractItemModel::modelReset, text1_, [this] { followRows(); });
}

bool CellEditor::editing() const { return text1_ && !text1_->isHidden(); }

void CellEditor::edit_cell(int key)
{
    const QModelIndex index = grid_.currentIndex();
    if (!index.isValid())
        return; // no data row is current: nothing to edit
    // The number and unit columns go to the unit and the file; a mark column takes anything.
    const QString refused = index.column() >= 2 ? QString() : kRefusedInText;
    if (key > 32 && refused.contains(QChar(key))) {
        QToolTip::showText(grid_.viewport()->mapToGlobal(grid_.visualRect(index).bottomLeft()), refusedNote(refused),
                           &grid_);
        return;
    }
    setRefusedCharacters(text1_, refused);
    cell_ = index;
    text1_->setFont(grid_.font());
    text1_->setGeometry(grid_.visualRect(index));
    text1_->show();
    text1_->raise();
    text1_->setFocus(Qt::OtherFocusReason);
    if (key >= 0 && key <= 32)
        text1_->setText(grid_.textMatrix(index.row() + 1, index.column()));
    else
        text1_->setText(QString(QChar(key)));
    text1_->end(false);
}

void CellEditor::close()
{
    // Hidden before the focus moves, so a focus-in that this causes writes nothing.
    cell_ = QPersistentModelIndex();
    text1_->hide();
}

std::optional<std::pair<QPersistentModelIndex, QString>> CellEditor::finishEdit()
{
    if (!editing())
        return std::nullopt;
    std::pair<QPersistentModelIndex, QString> edit{cell_, text1_->text()};
    close();
    if (!edit.first.isValid())
        return std::nullopt; // its row went away while it was edited
    return edit;
}

void CellEditor::writeBackByColumn()
{
    const auto edit = finishEdit();
    if (!edit)
        return;
    const auto &[cell, text] = *edit;
    const int row = cell.row() + 1;
    const int col = cell.column();
    if (col == 1)
        grid_.setTextMatrix(row, col, QLatin1Char('+') + strip_plus(text));
    else if (col >= 2) {
        // A flag is only ever set here, never cleared.
        if (!text.isEmpty())
            grid_.setTextMatrix(row, col, QStringLiteral("*"));
    } else
        grid_.setTextMatrix(row, col, text);
}

void CellEditor::writeBackUnchanged()
{
    if (const auto edit = finishEdit())
        grid_.setTextMatrix(edit->first.row() + 1, edit->first.column(), edit->second);
}

void CellEditor::followRows()
{
    if (!editing())
        return;
    if (!cell_.isValid())
        close(); // the edited row is gone: so is the edit
    else
        text1_->setGeometry(grid_.visualRect(cell_));
}

void CellEditor::leaveTo(int rowStep)
{
    grid_.setFocus(Qt::OtherFocusReason);
    // Without an active window no focus event arrives; the edit is written back all the same.
    writeBackByColumn();
    const int row = grid_.row();
    if (rowStep > 0 && row < grid_.rows() - 1)
        grid_.setRow(row + 1);
    else if (rowStep < 0 && row > 1)
        grid_.setRow(row - 1);
}

bool CellEditor::editorKey(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        close();
        grid_.setFocus(Qt::OtherFocusReason);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        leaveTo(0);
        return true;
    case Qt::Key_Down:
        leaveTo(1);
        return true;
    case Qt::Key_Up:
        leaveTo(-1);
        return true;
    default:
        return false;
    }
}

bool CellEditor::gridKey(QKeyEvent *event)
{
    if (editing() || event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)
        return false;
    const QString text = event->text();
    if (text.size() != 1 || text.at(0).unicode() > 0xFF)
        return false; // navigation keys, and characters the unit could not store
    if (!grid_.currentIndex().isValid())
        return false;
    edit_cell(text.at(0).unicode());
    return true;
}

bool CellEditor::eventFilter(QObject *watched, QEvent *event)
{
    // The editor's last events come from its QWidget destructor, when it is no longer a
    // QLineEdit: only QObject pointers are compared here.
    if (text1_.isNull())
        return false; // the grid is being taken down
    const QEvent::Type type = event->type();
    if (watched == text1Object_) {
        if (type == QEvent::KeyPress)
            return editorKey(static_cast<QKeyEvent *>(event));
        return false;
    }
    if (watched == &grid_) {
        if (type == QEvent::FocusIn)
            writeBackByColumn();
        else if (type == QEvent::KeyPress)
            return gridKey(static_cast<QKeyEvent *>(event));
        return false;
    }
    // The viewport or the header: a press while editing counts as returning to the grid,
    // so the column rule runs before the press moves the current cell.
    if (type == QEvent::MouseButtonPress && editing())
        writeBackByColumn();
    if (watched == grid_.viewport() && type == QEvent::MouseButtonDblClick) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (grid_.indexAt(mouse->position().toPoint()).isValid()) {
            edit_cell(32);
            return true;
        }
    }
    return false;
}

} // namespace settings
