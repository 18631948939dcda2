#include "mainwindow/comparedialog.h"

#include "compare/wrongunit.h"
#include "platform/dialogs.h"
#include "platform/namedcontrols.h"
#include "transfer/settingsfile.h"
#include "transfer/uploadplan.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace mainwindow {

namespace {

// The entries of each side's list, in this order.
enum SourceEntry { kWindowEntry,
                   kLastReadEntry,
                   kReadNowEntry,
                   kFileEntry };

QString kindText(compare::Row::Kind kind)
{
    using Kind = compare::Row::Kind;
    switch (kind) {
    case Kind::Setting: return CompareDialog::tr("Setting");
    case Kind::Added: return CompareDialog::tr("Added");
    case Kind::Removed: return CompareDialog::tr("Removed");
    case Kind::Rights: return CompareDialog::tr("Rights changed");
    case Kind::UnitNumber: return CompareDialog::tr("Unit number changed");
    }
    return QString();
}

} // namespace

CompareDialog::CompareDialog(const QString &unitModel, CompareSources sources, platform::Dialogs &dialogs,
                             QWidget *parent)
    : QDialog(parent), model_(unitModel), sources_(std::move(sources)), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("dlgCompare"));
    setWindowTitle(tr("Compare"));
    setAccessibleName(windowTitle());
    auto *sidesGrid = new QGridLayout;
    const QString names[2] = {QStringLiteral("Left"), QStringLiteral("Right")};
    for (int which = 0; which < 2; ++which) {
        auto *combo = new QComboBox(this);
        combo->setObjectName(QStringLiteral("cmb%1").arg(names[which]));
        combo->setAccessibleName(which == 0 ? tr("Left side") : tr("Right side"));
        combo->addItems({tr("The settings in this window"), tr("The unit, as last read"), tr("The unit, read now"),
                         tr("A settings file...")});
        connect(combo, &QComboBox::activated, this, [this, which](int index) { chooseSide(which, index); });
        cmbSide_[which] = combo;
        lblSide_[which] = platform::namedLabel(QStringLiteral("lbl%1").arg(names[which]), QString(), nullptr, this);
        sidesGrid->addWidget(platform::namedLabel(QStringLiteral("lbl%1Caption").arg(names[which]),
                                                  which == 0 ? tr("Left") : tr("Right"), combo, this),
                             which, 0);
        sidesGrid->addWidget(combo, which, 1);
        sidesGrid->addWidget(lblSide_[which], which, 2);
    }
    sidesGrid->setColumnStretch(2, 1);

    lblCounts_ = platform::namedLabel(QStringLiteral("lblCounts"), QString(), nullptr, this);
    lblCounts_->setAccessibleName(tr("Counts"));
    rows_ = new QStandardItemModel(this);
    tblChanges_ = new QTableView(this);
    tblChanges_->setObjectName(QStringLiteral("tblChanges"));
    tblChanges_->setAccessibleName(tr("Differences"));
    tblChanges_->setModel(rows_);
    tblChanges_->verticalHeader()->hide();
    tblChanges_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblChanges_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblChanges_->horizontalHeader()->setStretchLastSection(true);

    auto *tickAll = platform::namedButton(QStringLiteral("cmdTickAll"), tr("Tick all"), this);
    auto *untickAll = platform::namedButton(QStringLiteral("cmdUntickAll"), tr("Untick all"), this);
    cmdApply_ = platform::namedButton(QStringLiteral("cmdApply"), tr("Send the ticked changes to the unit"), this);
    // Enter closes the view rather than ticking or sending anything.
    for (QPushButton *b : {tickAll, untickAll, cmdApply_})
        b->setAutoDefault(false);
    auto *close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    close->setObjectName(QStringLiteral("buttons"));
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(tickAll, &QPushButton::clicked, this, [this] {
        for (int r = 0; r < rows_->rowCount(); ++r)
            setTicked(r, true);
    });
    connect(untickAll, &QPushButton::clicked, this, [this] {
        for (int r = 0; r < rows_->rowCount(); ++r)
            setTicked(r, false);
    });
    connect(cmdApply_, &QPushButton::clicked, this, &CompareDialog::applyTicked);
    auto *buttons = new QHBoxLayout;
    for (QWidget *w : {static_cast<QWidget *>(tickAll), static_cast<QWidget *>(untickAll),
                       static_cast<QWidget *>(cmdApply_)})
        buttons->addWidget(w);
    buttons->addStretch(1);
    buttons->addWidget(close);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(sidesGrid);
    layout->addWidget(lblCounts_);
    layout->addWidget(tblChanges_, 1);
    layout->addLayout(buttons);
    resize(760, 480);
}

void CompareDialog::setSides(const CompareSide &left, const CompareSide &right)
{
    sides_[0] = left;
    sides_[1] = right;
    showComparison();
}

void CompareDialog::chooseSide(int which, int index)
{
    CompareSide side;
    switch (index) {
    case kWindowEntry:
        side = {CompareSide::Kind::Window, tr("the settings in this window"), sources_.window()};
        break;
    case kLastReadEntry: {
        const std::optional<settings::SettingsSet> held = sources_.lastRead();
        if (!held) {
            showSources();
            dialogs_.message(tr("The unit has not been read since the port was opened. Choose \"The unit, read "
                                "now\"."));
            return;
        }
        side = {CompareSide::Kind::Unit, tr("the unit"), *held};
        break;
    }
    case kReadNowEntry: {
        const QPointer<CompareDialog> self(this);
        sources_.readUnit([self, which](std::optional<settings::SettingsSet> set) {
            if (self && !set)
                self->showSources();
            if (!self || !set)
                return;
            self->sides_[which] = {CompareSide::Kind::Unit, tr("the unit"), *set};
            self->showComparison();
        });
        return;
    }
    default: {
        const QString path = dialogs_.openFileName(tr("Compare with a settings file"),
                                                   QStringLiteral("Settings files|*.gsm|All files|*.*"));
        QString error;
        if (path.isEmpty() || !transfer::read_settings_file(path, side.set, &error)) {
            showSources();
            if (!error.isEmpty())
                dialogs_.message(error, platform::Dialogs::Icon::Stop);
            return;
        }
        side.kind = CompareSide::Kind::File;
        side.name = QFileInfo(path).fileName();
        break;
    }
    }
    sides_[which] = side;
    showComparison();
}

int CompareDialog::unitSide() const
{
    return sides_[0].kind == CompareSide::Kind::Unit ? 0 : sides_[1].kind == CompareSide::Kind::Unit ? 1
                                                                                                     : -1;
}

void CompareDialog::showSources()
{
    // Each list names where its side came from, also after a choice was given up.
    for (int which = 0; which < 2; ++which) {
        lblSide_[which]->setText(sides_[which].name);
        QComboBox *combo = cmbSide_[which];
        switch (sides_[which].kind) {
        case CompareSide::Kind::Window: combo->setCurrentIndex(kWindowEntry); break;
        case CompareSide::Kind::File: combo->setCurrentIndex(kFileEntry); break;
        case CompareSide::Kind::Unit:
            if (combo->currentIndex() != kReadNowEntry)
                combo->setCurrentIndex(kLastReadEntry);
            break;
        }
    }
}

void CompareDialog::showComparison()
{
    comparison_ = compare::compare_settings(sides_[0].set, sides_[1].set, model_, labels_);
    showSources();
    lblCounts_->setText(compare::counts_text(comparison_));
    const bool tickable = unitSide() >= 0;
    rows_->clear();
    rows_->setHorizontalHeaderLabels({tickable ? tr("Send") : QString(), tr("Change"), tr("What"), sides_[0].name,
                                      sides_[1].name, tr("Label")});
    rows_->setRowCount(int(comparison_.rows.size()));
    for (int r = 0; r < comparison_.rows.size(); ++r) {
        const compare::Row &row = comparison_.rows.at(r);
        auto *tick = new QStandardItem;
        tick->setCheckable(tickable);
        if (tickable)
            tick->setCheckState(Qt::Checked);
        rows_->setItem(r, 0, tick);
        const QString cells[] = {kindText(row.kind), row.what, row.left, row.right, row.label};
        for (int c = 0; c < 5; ++c)
            rows_->setItem(r, c + 1, new QStandardItem(cells[c]));
    }
    tblChanges_->setColumnHidden(0, !tickable);
    tblChanges_->resizeColumnsToContents();
    cmdApply_->setEnabled(tickable && !comparison_.same());
}

void CompareDialog::setTicked(int row, bool ticked)
{
    if (QStandardItem *tick = rows_->item(row, 0); tick && tick->isCheckable())
        tick->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

QList<bool> CompareDialog::ticked() const
{
    QList<bool> out;
    for (int r = 0; r < rows_->rowCount(); ++r)
        out.append(rows_->item(r, 0)->checkState() == Qt::Checked);
    return out;
}

std::optional<settings::SettingsSet> CompareDialog::target() const
{
    const int unit = unitSide();
    if (unit < 0)
        return std::nullopt;
    return compare::apply_rows(sides_[unit].set, sides_[1 - unit].set, comparison_, ticked(), unit == 0);
}

bool CompareDialog::applyTicked()
{
    const std::optional<settings::SettingsSet> wanted = target();
    if (!wanted)
        return false;
    const settings::SettingsSet &unit = sides_[unitSide()].set;
    transfer::PlanChoices how;
    how.unitModel = model_;
    const transfer::UploadPlan plan = transfer::plan_upload(unit, *wanted, how);
    if (plan.commands.isEmpty()) {
        dialogs_.message(tr("Nothing is ticked that the unit does not already hold."));
        return false;
    }
    // A plan that clears the unit's list says so, and why, before anything else.
    QString informative = plan.summary + QLatin1Char('.');
    if (plan.kind == transfer::UploadPlan::Kind::Full)
        informative = plan.reason + QStringLiteral(".\n") + informative;
    if (!dialogs_.confirm(tr("Send the ticked changes to the unit?"), informative))
        return false;
    if (const auto wrong = compare::wrong_unit(unit, *wanted); wrong && plan.clearAt >= 0
                                                               && dialogs_.choose(compare::wrong_unit_text(*wrong) + QLatin1Char('.'),
                                                                                  tr("Clear that unit's list and send these settings anyway?"),
                                                                                  {tr("Upload anyway"), tr("Cancel")})
                                                                      != 0)
        return false;
    if (!sources_.apply(*wanted))
        return false;
    accept();
    return true;
}

} // namespace mainwindow
