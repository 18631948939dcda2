#include "settings/numbergrid.h"

#include <QHeaderView>

namespace settings {

namespace {
// Room the header needs around its text; the titles' blanks set the rest of the width.
constexpr int kHeaderPadding = 10;
} // namespace

NumberGrid::NumberGrid(QWidget *parent) : QTableWidget(parent)
{
    setObjectName(QStringLiteral("grdNum"));
    setAccessibleName(QStringLiteral("Telephone list"));
    // Cells are edited through the floating editor only.
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setTabKeyNavigation(false);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8); // no fixed columns: column 0 is an ordinary column
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setMinimumSectionSize(8);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setColumnCount(2);
    setRowCount(0);
}

int NumberGrid::rows() const { return rowCount() + 1; }

void NumberGrid::setRows(int n) { setRowCount(qMax(n, 1) - 1); }

int NumberGrid::cols() const { return columnCount(); }

void NumberGrid::setCols(int n) { setColumnCount(qMax(n, 0)); }

void NumberGrid::setFormatString(const QString &format)
{
    const QStringList titles = format.split(QLatin1Char('|'));
    setColumnCount(int(titles.size()));
    const QFontMetrics metrics(horizontalHeader()->font());
    for (int c = 0; c < titles.size(); ++c) {
        setTextMatrix(0, c, titles.at(c));
        // The untitled column after the closing bar stays narrow.
        const int text = metrics.horizontalAdvance(titles.at(c));
        setColumnWidth(c, titles.at(c).isEmpty() ? metrics.horizontalAdvance(QLatin1Char('M')) : text + kHeaderPadding);
    }
}

QString NumberGrid::textMatrix(int row, int col) const
{
    if (col < 0 || col >= columnCount())
        return {};
    if (row == 0) {
        const QTableWidgetItem *h = horizontalHeaderItem(col);
        return h ? h->text() : QString();
    }
    const QTableWidgetItem *cell = item(row - 1, col);
    return cell ? cell->text() : QString();
}

void NumberGrid::setTextMatrix(int row, int col, const QString &text)
{
    if (col < 0 || col >= columnCount() || row < 0 || row >= rows())
        return;
    if (row == 0) {
        QTableWidgetItem *h = horizontalHeaderItem(col);
        if (!h) {
            h = new QTableWidgetItem;
            setHorizontalHeaderItem(col, h);
        }
        h->setText(text);
        return;
    }
    QTableWidgetItem *cell = item(row - 1, col);
    if (!cell) {
        cell = new QTableWidgetItem;
        cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        setItem(row - 1, col, cell);
    }
    cell->setText(text);
}

void NumberGrid::removeRowAt(int row)
{
    if (row >= 1 && row < rows())
        removeRow(row - 1);
}

int NumberGrid::row() const { return currentRow() >= 0 ? currentRow() + 1 : 0; }

int NumberGrid::col() const { return currentColumn() >= 0 ? currentColumn() : 0; }

void NumberGrid::setRow(int row)
{
    if (row >= 1 && row < rows())
        setCurrentCell(row - 1, qMax(currentColumn(), 0));
}

int NumberGrid::rowSel() const
{
    const QModelIndex current = currentIndex();
    const QList<QTableWidgetSelectionRange> ranges = selectedRanges();
    if (ranges.isEmpty() || (current.isValid() && selectionModel()->isSelected(current)))
        return row();
    // The moving end of a selection is the current cell; without it, take the last range's far edge.
    return ranges.last().bottomRow() + 1;
}

QRect NumberGrid::cellRect(int row, int col) const
{
    if (row == 0) {
        const QHeaderView *h = horizontalHeader();
        return QRect(h->sectionViewportPosition(col), 0, h->sectionSize(col), h->height())
            .translated(h->geometry().topLeft());
    }
    const QRect inViewport = visualRect(model()->index(row - 1, col));
    return inViewport.translated(viewport()->geometry().topLeft());
}

} // namespace settings
