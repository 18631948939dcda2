// The number list with 10,000 rows on a shown page: a keystroke in the filter box with the
// redraw it causes, a sort by a header, and a 10,000-number settings file loaded into the list.
// Then, with the settings held as a document and the system name edited (unsaved changes, a
// crash copy due), a Find keystroke and an in-place edit of a number.
// Each is measured beside a bare QTableView over a QStandardItemModel holding the same rows
// (through a plain QSortFilterProxyModel where it filters or sorts), in the same round, and
// printed as a ratio. Times are this thread's CPU time.
#include "bench/benchutil.h"
#include "mainwindow/document.h"
#include "platform/qtdialogs.h"
#include "platform/qttimer.h"
#include "settings/numberlistmodel.h"
#include "settings/numberpage.h"
#include "settings/numberview.h"
#include "settings/settingseditors.h"
#include "settings/settingsset.h"
#include "settings/systemparameterspage.h"
#include "settings/unitmodel.h"
#include "transfer/settingsfile.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>

namespace {

constexpr int kRows = 10000;
constexpr int kRounds = 15;

QList<settings::NumberRow> makeRows()
{
    QList<settings::NumberRow> rows;
    for (int i = 0; i < kRows; ++i)
        rows.append({QString::number(i + 1), QStringLiteral("+278%1").arg(1000000 + i * 1237), {i % 2 == 0, i % 3 == 0, false, i % 7 == 0}});
    return rows;
}

void fill(QStandardItemModel &model, const QList<settings::NumberRow> &rows)
{
    model.clear();
    model.setColumnCount(6);
    for (const settings::NumberRow &r : rows) {
        QList<QStandardItem *> items{new QStandardItem(r.unit), new QStandardItem(r.number)};
        for (bool on : r.outputs)
            items.append(new QStandardItem(on ? QStringLiteral("*") : QString()));
        model.appendRow(items);
    }
}

template <typename F>
double cpuMs(F work)
{
    const double start = bench::threadCpuNs();
    work();
    return (bench::threadCpuNs() - start) / 1e6;
}

// One keystroke after another, as the operator types four digits, then the box emptied.
const QStringList kTyped{QStringLiteral("6"), QStringLiteral("61"), QStringLiteral("618"), QStringLiteral("6185")};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QList<settings::NumberRow> rows = makeRows();

    QWidget top;
    auto *sys = new settings::SystemParametersPage(&top);
    auto *num = new settings::NumberManagementPage(&top);
    auto *layout = new QHBoxLayout(&top);
    layout->addWidget(sys);
    layout->addWidget(num, 1);
    settings::SettingsEditors editors(*sys, *num);
    num->setUnitModel(settings::kGate);
    editors.setNumbers(rows, QStringLiteral("Load"));
    top.resize(1024, 600);
    top.show();

    QStandardItemModel bareModel;
    fill(bareModel, rows);
    QSortFilterProxyModel bareFilter;
    bareFilter.setSourceModel(&bareModel);
    bareFilter.setFilterKeyColumn(-1);
    QTableView bare;
    bare.setModel(&bareFilter);
    bare.setSortingEnabled(true);
    bare.resize(600, 400);
    bare.show();
    QCoreApplication::processEvents();

    QTemporaryDir dir;
    settings::SettingsSet fileSet;
    fileSet.numbers = rows;
    const QString file = dir.filePath(QStringLiteral("list.gsm"));
    QString error;
    if (!transfer::write_settings_file(file, fileSet, settings::kGate, &error))
        qFatal("cannot write %s: %s", qPrintable(file), qPrintable(error));

    std::vector<double> filterOurs, filterBare, sortOurs, sortBare, loadOurs, loadBare;
    QWidget *ourViewport = num->grdNum()->viewport();
    for (int round = 0; round < kRounds; ++round) {
        for (const QString &typed : kTyped + QStringList{QString()}) {
            filterOurs.push_back(cpuMs([&] {
                num->txtFilter()->setText(typed);
                ourViewport->repaint();
            }));
            filterBare.push_back(cpuMs([&] {
                bareFilter.setFilterFixedString(typed);
                bare.viewport()->repaint();
            }));
        }
        const Qt::SortOrder order = round % 2 ? Qt::DescendingOrder : Qt::AscendingOrder;
        sortOurs.push_back(cpuMs([&] {
            num->grdNum()->sortByColumn(settings::NumberListModel::kNumberColumn, order);
            ourViewport->repaint();
        }));
        sortBare.push_back(cpuMs([&] {
            bare.sortByColumn(settings::NumberListModel::kNumberColumn, order);
            bare.viewport()->repaint();
        }));
        // Each load replaces a list of 10,000 others, as loading another site's file would.
        QList<settings::NumberRow> others = rows;
        for (settings::NumberRow &r : others)
            r.number += QLatin1Char('9');
        editors.setNumbers(others, QStringLiteral("Other"));
        fill(bareModel, others);
        loadOurs.push_back(cpuMs([&] {
            settings::SettingsSet set = editors.store();
            set.numbers.clear();
            if (!transfer::read_settings_file(file, set, &error))
                qFatal("cannot read %s", qPrintable(file));
            editors.load(set);
            ourViewport->repaint();
        }));
        loadBare.push_back(cpuMs([&] {
            settings::SettingsSet set;
            if (!transfer::read_settings_file(file, set, &error))
                qFatal("cannot read %s", qPrintable(file));
            fill(bareModel, set.numbers);
            bare.viewport()->repaint();
        }));
        if (num->numberModel().rowCount() != kRows || bareModel.rowCount() != kRows)
            qFatal("a list does not hold its %d rows", kRows);
    }

    // Unsaved changes: the system name edited, as an operator would before looking for a number.
    platform::QtDialogs dialogs;
    mainwindow::Document document(top, editors, settings::kGate, dialogs, std::make_unique<platform::QtTimer>(),
                                  QString());
    num->txtSysName()->setText(QStringLiteral("Oak Ridge"));
    QCoreApplication::processEvents();
    if (!document.isModified())
        qFatal("the edit did not count as a change");
    std::vector<double> findOurs, findBare, editOurs, editBare;
    settings::NumberFilterModel &filter = num->filterModel();
    for (int round = 0; round < kRounds; ++round) {
        for (const QString &typed : kTyped + QStringList{QString()}) {
            findOurs.push_back(cpuMs([&] {
                num->txtFilter()->setText(typed);
                QCoreApplication::processEvents(); // whatever the document does per turn of the loop
                ourViewport->repaint();
            }));
            findBare.push_back(cpuMs([&] {
                bareFilter.setFilterFixedString(typed);
                bare.viewport()->repaint();
            }));
        }
        // A number in the middle of the list typed anew where it stands.
        const int row = kRows / 2 + round;
        const QString number = QStringLiteral("+2799%1").arg(round * 7919 + 1000003);
        editOurs.push_back(cpuMs([&] {
            if (!filter.setData(filter.index(row, settings::NumberListModel::kNumberColumn), number))
                qFatal("the edit of row %d was refused", row);
            QCoreApplication::processEvents();
            ourViewport->repaint();
        }));
        editBare.push_back(cpuMs([&] {
            bareFilter.setData(bareFilter.index(row, settings::NumberListModel::kNumberColumn), number);
            bare.viewport()->repaint();
        }));
    }
    const QList<settings::NumberRow> &after = num->numberModel().rows();
    const auto edited = std::count_if(after.cbegin(), after.cend(),
                                      [](const settings::NumberRow &r) { return r.number.startsWith(QLatin1String("+2799")); });
    if (!document.isModified() || edited != kRounds)
        qFatal("the edits did not reach the list");

    bool met = true;
    bench::heading(QStringLiteral("Number list of %1 rows, beside a bare QTableView (median of %2 rounds)")
                       .arg(kRows)
                       .arg(kRounds));
    met &= bench::report(QStringLiteral("filter keystroke and redraw"), bench::median(filterOurs), QStringLiteral("ms"), 10);
    bench::report(QStringLiteral("  bare view"), bench::median(filterBare), QStringLiteral("ms"));
    bench::report(QStringLiteral("  ratio list / bare"), bench::medianRatio(filterOurs, filterBare), QStringLiteral("x"));
    met &= bench::report(QStringLiteral("sort by number and redraw"), bench::median(sortOurs), QStringLiteral("ms"), 50);
    bench::report(QStringLiteral("  bare view"), bench::median(sortBare), QStringLiteral("ms"));
    bench::report(QStringLiteral("  ratio list / bare"), bench::medianRatio(sortOurs, sortBare), QStringLiteral("x"));
    met &= bench::report(QStringLiteral("10,000-number file loaded into the list"), bench::median(loadOurs),
                         QStringLiteral("ms"), 50);
    bench::report(QStringLiteral("  bare view"), bench::median(loadBare), QStringLiteral("ms"));
    bench::report(QStringLiteral("  ratio list / bare"), bench::medianRatio(loadOurs, loadBare), QStringLiteral("x"));
    bench::heading(QStringLiteral("After an edit of the system name (unsaved changes)"));
    met &= bench::report(QStringLiteral("Find keystroke and redraw"), bench::median(findOurs), QStringLiteral("ms"), 10);
    bench::report(QStringLiteral("  bare view"), bench::median(findBare), QStringLiteral("ms"));
    bench::report(QStringLiteral("  ratio list / bare"), bench::medianRatio(findOurs, findBare), QStringLiteral("x"));
    met &= bench::report(QStringLiteral("in-place edit of a number and redraw"), bench::median(editOurs), QStringLiteral("ms"), 10);
    bench::report(QStringLiteral("  bare view"), bench::median(editBare), QStringLiteral("ms"));
    bench::report(QStringLiteral("  ratio list / bare"), bench::medianRatio(editOurs, editBare), QStringLiteral("x"));
    return met ? 0 : 1;
}
