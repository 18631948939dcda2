#include "settings/numberview.h"

#include "settings/editorlimits.h"
#include "settings/numberlistmodel.h"
#include "settings/valuecheck.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <algorithm>

namespace settings {

namespace {
// Room beside a column's title for the sort arrow.
constexpr int kTitlePadding = 28;
// The cell an editor edits, kept on the editor.
constexpr const char *kCell = "editedCell";

bool printable(const QString &text)
{
    return !text.isEmpty()
           && std::none_of(text.cbegin(), text.cend(), is_control);
}
} // namespace

NumberDelegate::NumberDelegate(NumberFilterModel &filter, QObject *parent) : QStyledItemDelegate(parent), filter_(filter)
{
}

QString NumberDelegate::problem(const QModelIndex &index, const QString &text) const
{
    return filter_.list().problem(filter_.mapToSource(index), text);
}

QWidget *NumberDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QStringLiteral("Text1"));
    edit->setAccessibleName(tr("Cell editor"));
    edit->setFrame(false);
    acceptLatin1Only(edit, kRefusedInText);
    const QPersistentModelIndex cell(index);
    edit->setProperty(kCell, QVariant::fromValue(cell));
    connect(edit, &QLineEdit::textEdited, this, [this, cell](const QString &text) {
        if (cell.isValid())
            emit problemChanged(problem(cell, text));
    });
    emit problemChanged(QString());
    return edit;
}

void NumberDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    const QString text = static_cast<QLineEdit *>(editor)->text();
    const QString why = problem(index, text);
    emit problemChanged(why);
    if (why.isEmpty())
        model->setData(index, text, Qt::EditRole);
}

bool NumberDelegate::editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                                 const QModelIndex &index)
{
    if (!index.flags().testFlag(Qt::ItemIsUserCheckable))
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    // A click anywhere in a right's cell toggles it, not only on the box.
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton || mouse->modifiers() != Qt::NoModifier
            || !option.rect.contains(mouse->position().toPoint()))
            return false;
        const bool on = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        model->setData(index, on ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
        return true;
    }
    return false;
}

bool NumberDelegate::eventFilter(QObject *object, QEvent *event)
{
    auto *edit = qobject_cast<QLineEdit *>(object);
    if (edit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            const auto cell = edit->property(kCell).value<QPersistentModelIndex>();
            const QString why = cell.isValid() ? problem(cell, edit->text()) : QString();
            if (!why.isEmpty()) {
                emit problemChanged(why); // the editor stays open for the operator to mend
                return true;
            }
        } else if (key == Qt::Key_Escape) {
            emit problemChanged(QString());
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

NumberView::NumberView(QWidget *parent) : QTableView(parent)
{
    setObjectName(QStringLiteral("grdNum"));
    setAccessibleName(tr("Telephone list"));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                    | QAbstractItemView::AnyKeyPressed);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setAlternatingRowColors(true);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    QHeaderView *header = horizontalHeader();
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setSortIndicatorClearable(true); // a third click gives the list's own order back
    header->setSortIndicator(-1, Qt::AscendingOrder);
    setSortingEnabled(true);
}

void NumberView::fitColumns()
{
    if (!model())
        return;
    QHeaderView *header = horizontalHeader();
    const QFontMetrics metrics(header->font());
    for (int c = 0; c < model()->columnCount(); ++c) {
        if (c == NumberListModel::kNumberColumn) {
            header->setSectionResizeMode(c, QHeaderView::Stretch);
            continue;
        }
        header->setSectionResizeMode(c, QHeaderView::Interactive);
        const QString title = model()->headerData(c, Qt::Horizontal).toString();
        header->resizeSection(c, metrics.horizontalAdvance(title) + kTitlePadding);
    }
}

void NumberView::commitOpenEdit()
{
    if (!editing())
        return;
    if (QWidget *editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

QList<int> NumberView::selectedListRows() const
{
    const auto *filter = qobject_cast<const QSortFilterProxyModel *>(model());
    if (!filter)
        return {};
    QList<int> rows;
    for (const QModelIndex &index : selectionModel()->selectedRows())
        rows.append(filter->mapToSource(index).row());
    if (rows.isEmpty() && currentIndex().isValid())
        rows.append(filter->mapToSource(currentIndex()).row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void NumberView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete && !editing()) {
        emit deleteRequested();
        event->accept();
        return;
    }
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    const QModelIndex current = currentIndex();
    const QString text = event->text();
    if (plain && !editing() && current.isValid() && current.flags().testFlag(Qt::ItemIsUserCheckable)
        && (event->key() == Qt::Key_Space || event->key() == Qt::Key_Backspace || printable(text))) {
        bool on = true;
        if (event->key() == Qt::Key_Space)
            on = current.data(Qt::CheckStateRole).toInt() != Qt::Checked;
        else if (event->key() == Qt::Key_Backspace || text == QLatin1String("0") || text == QLatin1String("-"))
            on = false;
        // With several rows selected the right goes to all of them at once.
        if (selectionModel()->selectedRows().size() > 1)
            setSelectedOutput(current.column() - NumberListModel::kFirstOutputColumn, on);
        else
            model()->setData(current, on ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
        event->accept();
        return;
    }
    // A control character never opens an editor, whatever it is.
    if (plain && !text.isEmpty() && !printable(text) && event->key() != Qt::Key_Tab && event->key() != Qt::Key_Backtab
        && event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter && event->key() != Qt::Key_Escape) {
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void NumberView::setSelectedOutput(int k, bool on)
{
    const auto *filter = qobject_cast<const QSortFilterProxyModel *>(model());
    auto *list = filter ? qobject_cast<NumberListModel *>(filter->sourceModel()) : nullptr;
    if (list && k >= 0 && k < 4)
        list->setOutputOn(selectedListRows(), k, on);
}

void NumberView::contextMenuEvent(QContextMenuEvent *event)
{
    const auto *filter = qobject_cast<const NumberFilterModel *>(model());
    if (!filter || !filter->list().gate() || selectedListRows().isEmpty())
        return;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("mnuRights"));
    menu.setAccessibleName(tr("Output rights"));
    for (const bool on : {true, false})
        for (int k = 0; k < 4; ++k) {
            QAction *action = menu.addAction(on ? tr("Grant output %1").arg(k + 1) : tr("Revoke output %1").arg(k + 1));
            action->setObjectName(QStringLiteral("%1Output%2").arg(on ? QStringLiteral("grant") : QStringLiteral("revoke")).arg(k + 1));
            connect(action, &QAction::triggered, this, [this, k, on] { setSelectedOutput(k, on); });
        }
    menu.exec(event->globalPos());
}

} // namespace settings
