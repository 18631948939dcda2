#include "settings/numberlistmodel.h"

#include "settings/unitmodel.h"
#include "settings/valuecheck.h"

namespace settings {

namespace {
// Beyond this many rows changed in place a reset is cheaper for the views than the change.
constexpr qsizetype kResetAbove = 256;

// Translated when shown; the blanks give the number column its width in the grid's font.
const char *const kGateTitles[] = {QT_TRANSLATE_NOOP("settings::NumberListModel", "No."),
                                   QT_TRANSLATE_NOOP("settings::NumberListModel", " Caller Number      "),
                                   QT_TRANSLATE_NOOP("settings::NumberListModel", "Output 1"),
                                   QT_TRANSLATE_NOOP("settings::NumberListModel", "Output 2"),
                                   QT_TRANSLATE_NOOP("settings::NumberListModel", "Output 3"),
                                   QT_TRANSLATE_NOOP("settings::NumberListModel", "Output 4")};
const char *const kIntercomTitles[] = {QT_TRANSLATE_NOOP("settings::NumberListModel", "Unit No."),
                                       QT_TRANSLATE_NOOP("settings::NumberListModel", " Number              ")};
} // namespace

NumberListModel::NumberListModel(QObject *parent) : QAbstractTableModel(parent) {}

void NumberListModel::setUnitModel(const QString &model)
{
    beginResetModel();
    unitModel_ = model;
    gate_ = model != kIntercom;
    endResetModel();
}

void NumberListModel::setRows(const QList<NumberRow> &rows)
{
    if (rows_.isSharedWith(rows))
        return;
    const qsizetype oldN = rows_.size();
    const qsizetype newN = rows.size();
    qsizetype prefix = 0;
    while (prefix < oldN && prefix < newN && rows_.at(prefix) == rows.at(prefix))
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < oldN - prefix && suffix < newN - prefix && rows_.at(oldN - 1 - suffix) == rows.at(newN - 1 - suffix))
        ++suffix;
    const qsizetype oldMid = oldN - prefix - suffix;
    const qsizetype newMid = newN - prefix - suffix;
    const qsizetype common = qMin(oldMid, newMid);
    if (common > kResetAbove) {
        beginResetModel();
        rows_ = rows;
        endResetModel();
        return;
    }
    if (newMid > oldMid) {
        beginInsertRows({}, int(prefix + common), int(prefix + newMid - 1));
        rows_ = rows;
        endInsertRows();
    } else if (newMid < oldMid) {
        beginRemoveRows({}, int(prefix + common), int(prefix + oldMid - 1));
        rows_ = rows;
        endRemoveRows();
    } else {
        rows_ = rows;
    }
    if (common > 0)
        emit dataChanged(index(int(prefix), 0), index(int(prefix + common - 1), columnCount() - 1));
}

void NumberListModel::setLabelsShown(bool shown)
{
    if (shown == labelsShown_)
        return;
    const int column = gate_ ? kFirstOutputColumn + 4 : kFirstOutputColumn;
    if (shown)
        beginInsertColumns({}, column, column);
    else
        beginRemoveColumns({}, column, column);
    labelsShown_ = shown;
    if (shown)
        endInsertColumns();
    else
        endRemoveColumns();
}

void NumberListModel::setLabels(const Labels &labels)
{
    labels_ = labels;
    if (labelsShown_ && !rows_.isEmpty())
        emit dataChanged(index(0, labelColumn()), index(int(rows_.size()) - 1, labelColumn()));
}

void NumberListModel::changeLabels(const Labels &after, const QString &what)
{
    if (labelRecorder_)
        labelRecorder_(after, what);
    else
        setLabels(after);
}

void NumberListModel::change(const QList<NumberRow> &after, const QString &what)
{
    if (recorder_)
        recorder_(after, what);
    else
        setRows(after);
}

int NumberListModel::findNumber(const QString &stored, int except) const
{
    for (qsizetype i = 0; i < rows_.size(); ++i)
        if (i != except && rows_.at(i).number == stored)
            return int(i);
    return -1;
}

QString NumberListModel::listedElsewhere(const QString &stored, int except) const
{
    const int other = findNumber(stored, except);
    return other < 0 ? QString() : tr("%1 is already in the list (row %2)").arg(stored).arg(other + 1);
}

QString NumberListModel::problem(const QModelIndex &index, const QString &text) const
{
    if (index.column() == kNumberColumn) {
        const NumberCheck check = check_number(text);
        if (!check.ok())
            return check.problem;
        return listedElsewhere(check.stored, index.row());
    }
    if (index.column() == labelColumn()) {
        const QString why = label_problem(text);
        return why.isEmpty() ? QString() : QStringLiteral("The label ") + why;
    }
    if (index.column() == kUnitColumn) {
        const QString why = text_problem(text, kRefusedInText);
        return why.isEmpty() ? QString() : (gate_ ? tr("The entry number ") : tr("The unit number ")) + why;
    }
    return QString();
}

QList<NumberRow> NumberListModel::withOutput(int row, int k, bool on) const
{
    QList<NumberRow> after = rows_;
    after[row].outputs[k] = on;
    return after;
}

bool NumberListModel::setOutputOn(const QList<int> &rows, int k, bool on)
{
    QList<NumberRow> after = rows_;
    int changed = 0;
    for (const int row : rows) {
        if (row < 0 || row >= after.size() || after.at(row).outputs[k] == on)
            continue;
        after[row].outputs[k] = on;
        ++changed;
    }
    if (changed == 0)
        return false;
    const QString what = on ? (changed == 1 ? tr("Grant output %1 to 1 number") : tr("Grant output %1 to %2 numbers"))
                            : (changed == 1 ? tr("Revoke output %1 from 1 number") : tr("Revoke output %1 from %2 numbers"));
    change(after, what.arg(k + 1).arg(changed));
    return true;
}

int NumberListModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(rows_.size()); }

int NumberListModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return (gate_ ? kFirstOutputColumn + 4 : kFirstOutputColumn) + (labelsShown_ ? 1 : 0);
}

QVariant NumberListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rows_.size())
        return {};
    const NumberRow &row = rows_.at(index.row());
    const int column = index.column();
    if (column == labelColumn()) {
        if (role == Qt::DisplayRole || role == Qt::EditRole || role == SortRole || role == Qt::AccessibleTextRole)
            return labels_.value(row.number);
        return {};
    }
    if (isOutputColumn(column)) {
        const bool on = row.outputs[column - kFirstOutputColumn];
        if (role == Qt::CheckStateRole)
            return on ? Qt::Checked : Qt::Unchecked;
        if (role == SortRole)
            return int(on);
        if (role == Qt::AccessibleTextRole)
            return on ? tr("set") : tr("not set");
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::EditRole || role == SortRole || role == Qt::AccessibleTextRole)
        return column == kNumberColumn ? row.number : row.unit;
    return {};
}

QVariant NumberListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section == labelColumn())
        return tr("Label");
    return tr(gate_ ? kGateTitles[section] : kIntercomTitles[section]);
}

Qt::ItemFlags NumberListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags base = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const bool output = index.column() != labelColumn() && isOutputColumn(index.column());
    return base | (output ? Qt::ItemIsUserCheckable : Qt::ItemIsEditable);
}

bool NumberListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.row() >= rows_.size())
        return false;
    const int row = index.row();
    const int column = index.column();
    if (column == labelColumn()) {
        const QString text = value.toString().trimmed();
        if (role != Qt::EditRole || !label_problem(text).isEmpty())
            return false;
        Labels after = labels_;
        if (text.isEmpty())
            after.remove(rows_.at(row).number);
        else
            after.insert(rows_.at(row).number, text);
        if (after != labels_)
            changeLabels(after, QStringLiteral("Edit label"));
        return true;
    }
    if (isOutputColumn(column)) {
        if (role != Qt::CheckStateRole)
            return false;
        const int k = column - kFirstOutputColumn;
        const bool on = value.toInt() == Qt::Checked;
        if (rows_.at(row).outputs[k] != on)
            change(withOutput(row, k, on),
                   (on ? tr("Grant output %1") : tr("Revoke output %1")).arg(k + 1));
        return true;
    }
    if (role != Qt::EditRole)
        return false;
    const QString text = value.toString();
    if (!problem(index, text).isEmpty())
        return false;
    QList<NumberRow> after = rows_;
    if (column == kNumberColumn) {
        after[row].number = check_number(text).stored;
        if (after.at(row) != rows_.at(row))
            change(after, tr("Edit number"));
    } else {
        after[row].unit = text;
        if (after.at(row) != rows_.at(row))
            change(after, gate_ ? tr("Edit entry number") : tr("Edit unit number"));
    }
    return true;
}

NumberFilterModel::NumberFilterModel(NumberListModel &source, QObject *parent)
    : QSortFilterProxyModel(parent), source_(source)
{
    setSourceModel(&source);
    setSortRole(NumberListModel::SortRole);
    setDynamicSortFilter(true);
}

void NumberFilterModel::setFilter(const QString &text)
{
    filter_ = text.trimmed();
    digits_.clear();
    for (const QChar c : filter_)
        if (c.isDigit())
            digits_ += c;
        else if (!QStringLiteral(" -.()+").contains(c)) {
            digits_.clear(); // not a number: only unit numbers can match
            break;
        }
    national_ = digits_.startsWith(QLatin1Char('0')) ? QStringLiteral("27") + digits_.mid(1) : QString();
    invalidateRowsFilter();
}

bool NumberFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex &) const
{
    if (filter_.isEmpty())
        return true;
    const NumberRow &row = source_.rows().at(sourceRow);
    if (!digits_.isEmpty()
        && (row.number.contains(digits_) || (!national_.isEmpty() && row.number.contains(national_))))
        return true;
    return row.unit.contains(filter_, Qt::CaseInsensitive)
           || source_.label(row.number).contains(filter_, Qt::CaseInsensitive);
}

bool NumberFilterModel::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    const NumberRow &a = source_.rows().at(left.row());
    const NumberRow &b = source_.rows().at(right.row());
    const int column = left.column();
    if (column == source_.labelColumn())
        return source_.label(a.number).localeAwareCompare(source_.label(b.number)) < 0;
    if (NumberListModel::isOutputColumn(column)) {
        const int k = column - NumberListModel::kFirstOutputColumn;
        return a.outputs[k] < b.outputs[k];
    }
    if (column == NumberListModel::kUnitColumn) {
        // Unit and entry numbers are numbers: "9" before "10".
        bool aNumeric = false, bNumeric = false;
        const qlonglong x = a.unit.toLongLong(&aNumeric);
        const qlonglong y = b.unit.toLongLong(&bNumeric);
        if (aNumeric && bNumeric)
            return x < y;
        if (aNumeric != bNumeric)
            return aNumeric;
        return a.unit < b.unit;
    }
    return a.number < b.number;
}

} // namespace settings
