#pragma once
#include "settings/settingsset.h"

#include <QAbstractTableModel>
#include <QList>
#include <QMap>
#include <QSortFilterProxyModel>
#include <QString>
#include <functional>

namespace settings {

// The number list as a table: the one copy of the rows that the grid shows and that a
// transfer or a save takes. Gate: "No.", the number and the four output rights; intercom:
// the unit number and the number.
//
// Every change goes through change(): when a recorder is set (the editors' undo history),
// the change is handed to it, which applies it with setRows(); otherwise it applies at once.
class NumberListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // A sort key for every column: numbers and unit numbers as text, rights as 0 or 1.
    static constexpr int SortRole = Qt::UserRole + 1;
    using Recorder = std::function<void(const QList<NumberRow> &after, const QString &what)>;
    // Stored number to its label ("Flat 12 J. Dube"): kept on this computer, never sent.
    using Labels = QMap<QString, QString>;
    using LabelRecorder = std::function<void(const Labels &after, const QString &what)>;

    explicit NumberListModel(QObject *parent = nullptr);

    // "gate" or "intercom": decides the columns. Clears nothing.
    void setUnitModel(const QString &model);
    QString unitModel() const { return unitModel_; }
    bool gate() const { return gate_; }
    static constexpr int kUnitColumn = 0;
    static constexpr int kNumberColumn = 1;
    static constexpr int kFirstOutputColumn = 2;
    static bool isOutputColumn(int column) { return column >= kFirstOutputColumn && column < kFirstOutputColumn + 4; }
    // The "Label" column, last, while labels are shown (a site is open); -1 otherwise.
    int labelColumn() const { return labelsShown_ ? (gate_ ? kFirstOutputColumn + 4 : kFirstOutputColumn) : -1; }

    const QList<NumberRow> &rows() const { return rows_; }
    // Replaces the rows, telling the views only about the rows that differ (an edit of one row
    // stays one changed row, an appended row one inserted row).
    void setRows(const QList<NumberRow> &rows);
    // Asks for a change: through the recorder when there is one, at once otherwise.
    void change(const QList<NumberRow> &after, const QString &what);
    void setRecorder(Recorder recorder) { recorder_ = std::move(recorder); }

    // Labels live beside the rows, keyed by number, so a row keeps its label through sorting,
    // and every upload and file stays as it was. Label edits go through changeLabels(): through
    // the label recorder (the same undo history) when there is one, at once otherwise.
    void setLabelsShown(bool shown);
    bool labelsShown() const { return labelsShown_; }
    const Labels &labels() const { return labels_; }
    QString label(const QString &stored) const { return labels_.value(stored); }
    void setLabels(const Labels &labels);
    void changeLabels(const Labels &after, const QString &what);
    void setLabelRecorder(LabelRecorder recorder) { labelRecorder_ = std::move(recorder); }

    // "... is already in the list (row N)" when a row other than `except` holds `stored`;
    // empty when none does.
    QString listedElsewhere(const QString &stored, int except = -1) const;
    // Why `text` cannot go into the cell at `index`; empty when it can.
    QString problem(const QModelIndex &index, const QString &text) const;
    // The rows with `row` set (on) or cleared (off) on output `k` (0..3).
    QList<NumberRow> withOutput(int row, int k, bool on) const;
    // Output `k` granted (on) or revoked on each of `rows` as one change, named for the undo
    // history ("Grant output 2 to 150 numbers"). False when it would change nothing.
    bool setOutputOn(const QList<int> &rows, int k, bool on);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Takes a typed number (checked and put into its stored form), a unit number, or a right
    // (CheckStateRole). Refuses what problem() names, and a number already in the list.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

private:
    // The first row holding `stored` other than `except`; -1 when none.
    int findNumber(const QString &stored, int except) const;

    QString unitModel_;
    bool gate_ = true;
    QList<NumberRow> rows_;
    Recorder recorder_;
    bool labelsShown_ = false;
    Labels labels_;
    LabelRecorder labelRecorder_;
};

// The filter and the sort order of the grid. The filter finds a number by any run of its
// digits, as typed or in national form ("0831" finds "+27831..."), a unit number, or a label.
class NumberFilterModel : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit NumberFilterModel(NumberListModel &source, QObject *parent = nullptr);
    void setFilter(const QString &text);
    QString filter() const { return filter_; }
    const NumberListModel &list() const { return source_; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    NumberListModel &source_;
    QString filter_;
    QString digits_;   // the filter's digits, without blanks, dashes, brackets or "+"
    QString national_; // "27..." for a filter typed with its trunk "0"
};

} // namespace settings
