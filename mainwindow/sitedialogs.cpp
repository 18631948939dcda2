#include "mainwindow/sitedialogs.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace mainwindow {

namespace {

QString when(const QDateTime &t)
{
    return t.isValid() ? QLocale().toString(t.toLocalTime(), QLocale::ShortFormat) : QString();
}

template <typename T>
T *named(T *widget, const QString &name, const QString &accessible)
{
    widget->setObjectName(name);
    widget->setAccessibleName(accessible);
    return widget;
}

} // namespace

SiteListDialog::SiteListDialog(const QList<sites::SiteEntry> &entries, QWidget *parent)
    : QDialog(parent), filter_(named(new QLineEdit(this), QStringLiteral("txtSiteFilter"), tr("Find a site"))),
      table_(named(new QTableView(this), QStringLiteral("grdSites"), tr("Sites"))),
      model_(new QStandardItemModel(0, 4, this)), proxy_(new QSortFilterProxyModel(this))
{
    setObjectName(QStringLiteral("dlgOpenSite"));
    setWindowTitle(tr("Open Site"));
    model_->setHorizontalHeaderLabels({tr("Site"), tr("Model"), tr("Last verified upload"), tr("Unit at last read")});
    for (const sites::SiteEntry &e : entries) {
        auto *name = new QStandardItem(e.details.name);
        name->setData(e.folder, Qt::UserRole);
        const int differences = e.unit.differencesAtLastRead;
        model_->appendRow({name, new QStandardItem(e.details.model), new QStandardItem(when(e.unit.lastVerified)),
                           new QStandardItem(differences < 0    ? QString()
                                             : differences == 0 ? tr("as verified")
                                                                : tr("differed (%1)").arg(differences))});
    }
    for (int r = 0; r < model_->rowCount(); ++r)
        for (int c = 0; c < 4; ++c)
            model_->item(r, c)->setEditable(false);
    proxy_->setSourceModel(model_);
    proxy_->setFilterKeyColumn(-1);
    proxy_->setFilterCaseSensitivity(Qt::CaseInsensitive);
    table_->setModel(proxy_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setSortingEnabled(true);
    table_->sortByColumn(0, Qt::AscendingOrder);
    table_->horizontalHeader()->setStretchLastSection(true);
    filter_->setPlaceholderText(tr("Find a site by its name, model or date"));
    connect(filter_, &QLineEdit::textChanged, proxy_, &QSortFilterProxyModel::setFilterFixedString);
    connect(table_, &QTableView::doubleClicked, this, &QDialog::accept);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(filter_);
    layout->addWidget(table_);
    layout->addWidget(buttons);
    resize(640, 420);
}

QString SiteListDialog::chosenFolder() const
{
    QModelIndex current = table_->currentIndex();
    if (!current.isValid() && proxy_->rowCount() == 1)
        current = proxy_->index(0, 0); // the filter left one: that is the one meant
    return current.isValid() ? proxy_->index(current.row(), 0).data(Qt::UserRole).toString() : QString();
}

SiteHistoryDialog::SiteHistoryDialog(sites::Register &reg, const QString &site, QWidget *parent)
    : QDialog(parent), reg_(reg), site_(site),
      list_(named(new QTreeWidget(this), QStringLiteral("lstSiteHistory"), tr("Versions"))),
      comparison_(named(new QPlainTextEdit(this), QStringLiteral("txtSiteComparison"), tr("Comparison")))
{
    setObjectName(QStringLiteral("dlgSiteHistory"));
    setWindowTitle(tr("History of %1").arg(site));
    list_->setHeaderLabels({tr("When"), tr("Event"), tr("Technician"), tr("Summary")});
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    sites::Status status;
    for (const sites::Version &v : reg_.history(site, &status)) {
        auto *item = new QTreeWidgetItem(list_, {when(v.time), v.event, v.technician, v.summary});
        item->setData(0, Qt::UserRole, v.id);
    }
    comparison_->setReadOnly(true);
    auto *compare = named(new QPushButton(tr("&Compare Two"), this), QStringLiteral("cmdCompareVersions"),
                          tr("Compare the two versions selected"));
    auto *open = named(new QPushButton(tr("&Open in Editor"), this), QStringLiteral("cmdOpenVersion"),
                       tr("Open the version selected in the editor"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(compare, QDialogButtonBox::ActionRole);
    buttons->addButton(open, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(compare, &QPushButton::clicked, this, &SiteHistoryDialog::compareSelected);
    connect(open, &QPushButton::clicked, this, [this] {
        if (list_->currentItem()) {
            emit openVersion(list_->currentItem()->data(0, Qt::UserRole).toString());
            accept();
        }
    });
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(list_, 2);
    layout->addWidget(comparison_, 1);
    layout->addWidget(buttons);
    resize(760, 520);
}

void SiteHistoryDialog::compareSelected()
{
    QList<QTreeWidgetItem *> chosen = list_->selectedItems();
    if (chosen.size() != 2) {
        comparison_->setPlainText(tr("Select two versions to compare."));
        return;
    }
    // The list is newest first: the lower row is the older version.
    std::sort(chosen.begin(), chosen.end(),
              [this](QTreeWidgetItem *a, QTreeWidgetItem *b) { return list_->indexOfTopLevelItem(a) > list_->indexOfTopLevelItem(b); });
    sites::Status status;
    const auto older = reg_.site(site_, &status, chosen.at(0)->data(0, Qt::UserRole).toString());
    const auto newer = older ? reg_.site(site_, &status, chosen.at(1)->data(0, Qt::UserRole).toString()) : std::nullopt;
    if (!older || !newer) {
        comparison_->setPlainText(status.message);
        return;
    }
    comparison_->setPlainText(comparison_text(
        sites::compare_settings(older->settings, newer->settings, older->labels, newer->labels)));
}

QString comparison_text(const sites::Comparison &comparison)
{
    using Kind = sites::Change::Kind;
    QStringList lines{comparison.summary()};
    for (const sites::Change &c : comparison.changes) {
        switch (c.kind) {
        case Kind::Setting: lines << QObject::tr("%1: \"%2\" → \"%3\"").arg(c.field, c.before, c.after); break;
        case Kind::NumberAdded: lines << QObject::tr("+ %1 (%2)").arg(c.field, c.after); break;
        case Kind::NumberRemoved: lines << QObject::tr("- %1 (%2)").arg(c.field, c.before); break;
        case Kind::NumberChanged: lines << QObject::tr("%1: %2 → %3").arg(c.field, c.before, c.after); break;
        case Kind::Label: lines << QObject::tr("%1 label: \"%2\" → \"%3\"").arg(c.field, c.before, c.after); break;
        }
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace mainwindow
