#include "settings/numberpage.h"

#include "platform/dialogs.h"
#include "platform/namedcontrols.h"
#include "settings/editorlimits.h"
#include "settings/numberform.h"
#include "settings/numberlistmodel.h"
#include "settings/numberview.h"
#include "settings/valuecheck.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace settings {

namespace {

const QString kProblemStyle = QStringLiteral("QLabel { color: #b00000; }");

QLineEdit *makeEdit(const QString &name, const QString &label, const QString &start, int limit, QWidget *parent,
                    const QString &refused = kRefusedInText)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setAccessibleName(label);
    edit->setText(start);
    acceptLatin1Only(edit, refused, limit);
    return edit;
}

QGroupBox *makeChecks(const QString &frameName, const QString &caption, const QString &boxName,
                      const QString &boxCaption, std::array<QCheckBox *, 4> &boxes, QWidget *parent)
{
    QGroupBox *frame = platform::namedFrame(frameName, caption, parent);
    auto *layout = new QHBoxLayout(frame);
    layout->setContentsMargins(6, 2, 6, 2);
    for (int k = 0; k < 4; ++k) {
        QCheckBox *box = platform::namedCheck(boxName.arg(k), boxCaption.arg(k + 1), false, frame);
        layout->addWidget(box);
        boxes[k] = box;
    }
    layout->addStretch(1);
    return frame;
}

QLabel *problemLabel(const QString &name, const QString &accessible, QWidget *parent)
{
    QLabel *label = platform::namedLabel(name, QString(), nullptr, parent);
    label->setAccessibleName(accessible);
    label->setStyleSheet(kProblemStyle);
    // A long reason wraps inside the width the window has; it never widens the window.
    label->setWordWrap(true);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    return label;
}

QString example() { return NumberManagementPage::tr("eg: 27821234567"); }

} // namespace

NumberManagementPage::NumberManagementPage(QWidget *parent) : QGroupBox(tr("Number management"), parent)
{
    setObjectName(QStringLiteral("frame_1"));
    setAccessibleName(title());

    // Built in the order the Tab key goes through them.
    QGridLayout *system = buildSystemRows();
    model_ = new NumberListModel(this);
    filter_ = new NumberFilterModel(*model_, this);
    grdNum_ = new NumberView(this);
    grdNum_->setModel(filter_);
    delegate_ = new NumberDelegate(*filter_, grdNum_);
    grdNum_->setItemDelegate(delegate_);
    grdNum_->fitColumns();

    QHBoxLayout *listBar = buildListBar();
    lblCellProblem_ = problemLabel(QStringLiteral("lblCellProblem"), tr("Why the entry is refused"), this);
    cmdNumClear_ = platform::namedButton(QStringLiteral("cmdNumClear"), tr("Delete ALL"), this);
    cmdNumDel_ = platform::namedButton(QStringLiteral("cmdNumDel"), tr("Delete Selected"), this);
    cmdImportCsv_ = platform::namedButton(QStringLiteral("cmdImportCsv"), tr("Import CSV"), this);
    cmdExportCsv_ = platform::namedButton(QStringLiteral("cmdExportCsv"), tr("Export CSV"), this);
    cmdImportCsv_->setToolTip(tr("Read numbers from a spreadsheet saved as CSV: number, then outputs "
                                 "(gate, e.g. 13) or unit number (intercom)"));
    cmdExportCsv_->setToolTip(tr("Write the list as CSV for a spreadsheet"));
    auto *deletes = new QHBoxLayout;
    deletes->addWidget(cmdImportCsv_);
    deletes->addWidget(cmdExportCsv_);
    deletes->addWidget(lblCellProblem_, 1);
    deletes->addWidget(cmdNumClear_);
    deletes->addWidget(cmdNumDel_);

    QGroupBox *entry = buildEntryPanel();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(4);
    layout->addLayout(system);
    layout->addLayout(listBar);
    layout->addWidget(grdNum_, 1);
    layout->addLayout(deletes);
    layout->addWidget(entry);

    connect(cmdAddNum_, &QPushButton::clicked, this, &NumberManagementPage::addNumber);
    connect(txtNum_, &QLineEdit::returnPressed, this, &NumberManagementPage::addNumber);
    connect(txtNum_, &QLineEdit::textEdited, lblNumProblem_,
            [this](const QString &text) { showNumberProblem(text.isEmpty() ? QString() : check_number(text).problem); });
    connect(cmdNumDel_, &QPushButton::clicked, this, &NumberManagementPage::deleteSelected);
    connect(cmdNumClear_, &QPushButton::clicked, this, &NumberManagementPage::deleteAll);
    connect(grdNum_, &NumberView::deleteRequested, this, &NumberManagementPage::deleteSelected);
    connect(delegate_, &NumberDelegate::problemChanged, this, &NumberManagementPage::showCellProblem);
    connect(txtFilter_, &QLineEdit::textChanged, filter_, &NumberFilterModel::setFilter);
    for (const auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(filter_, signal, this, &NumberManagementPage::showCount);
    connect(filter_, &QAbstractItemModel::modelReset, this, &NumberManagementPage::showCount);
    connect(filter_, &QAbstractItemModel::layoutChanged, this, &NumberManagementPage::showCount);
    showCount();
}

QGridLayout *NumberManagementPage::buildSystemRows()
{
    txtSysName_ = makeEdit(QStringLiteral("txtSysName"), tr("System name"), SettingsSet{}.systemName,
                           kNameLength, this);
    txtPass_ = makeEdit(QStringLiteral("txtPass"), tr("System password"), SettingsSet{}.password,
                        kPasswordLength, this, kRefusedInPassword);
    txtMastNum_ = makeEdit(QStringLiteral("txtMastNum"), tr("Master number"), QString(), 0, this);
    auto *system = new QGridLayout;
    system->addWidget(platform::namedLabel(QStringLiteral("lblSysName"), txtSysName_->accessibleName(), txtSysName_, this), 0, 0);
    system->addWidget(txtSysName_, 0, 1);
    system->addWidget(lengthCounter(txtSysName_, this), 0, 2);
    system->addWidget(platform::namedLabel(QStringLiteral("lblPass"), txtPass_->accessibleName(), txtPass_, this), 0, 3);
    system->addWidget(txtPass_, 0, 4);
    system->addWidget(lengthCounter(txtPass_, this), 0, 5);
    system->addWidget(platform::namedLabel(QStringLiteral("lblMastNum"), txtMastNum_->accessibleName(), txtMastNum_, this), 1, 0);
    system->addWidget(txtMastNum_, 1, 1);
    system->addWidget(platform::namedLabel(QStringLiteral("lblMastHint"), example(), nullptr, this), 1, 2, 1, 4);
    system->setColumnStretch(1, 3);
    system->setColumnStretch(4, 1);

    return system;
}

QHBoxLayout *NumberManagementPage::buildListBar()
{
    txtFilter_ = new QLineEdit(this);
    txtFilter_->setObjectName(QStringLiteral("txtFilter"));
    txtFilter_->setAccessibleName(tr("Find"));
    txtFilter_->setPlaceholderText(tr("Find a number or unit number (Ctrl+F)"));
    txtFilter_->setClearButtonEnabled(true);
    acceptLatin1Only(txtFilter_);
    // From anywhere in the window, not only from inside this page.
    auto *find = new QShortcut(QKeySequence::Find, this, nullptr, nullptr, Qt::WindowShortcut);
    connect(find, &QShortcut::activated, txtFilter_, [this] {
        txtFilter_->setFocus(Qt::ShortcutFocusReason);
        txtFilter_->selectAll();
    });
    lblNumCount_ = platform::namedLabel(QStringLiteral("lblNumCount"), QString(), nullptr, this);
    // The count takes the room it has: a long one is cut, not a wider window.
    lblNumCount_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    lblNumCount_->setMinimumWidth(lblNumCount_->fontMetrics().horizontalAdvance(QStringLiteral("0000 numbers, room for 000 more")));
    cmdUndo_ = platform::namedButton(QStringLiteral("cmdUndo"), tr("Undo"), this);
    cmdRedo_ = platform::namedButton(QStringLiteral("cmdRedo"), tr("Redo"), this);
    auto *listBar = new QHBoxLayout;
    listBar->addWidget(platform::namedLabel(QStringLiteral("lblFilter"), tr("Find"), txtFilter_, this));
    listBar->addWidget(txtFilter_, 1);
    listBar->addWidget(lblNumCount_, 1);
    listBar->addWidget(cmdUndo_);
    listBar->addWidget(cmdRedo_);

    return listBar;
}

QGroupBox *NumberManagementPage::buildEntryPanel()
{
    frmAddNum_ = new QGroupBox(tr("Add Number"), this);
    frmAddNum_->setObjectName(QStringLiteral("frmAddNum"));
    frmAddNum_->setAccessibleName(frmAddNum_->title());
    txtNum_ = makeEdit(QStringLiteral("txtNum"), tr("Telephone number"), QString(), 0, frmAddNum_);
    cmdAddNum_ = platform::namedButton(QStringLiteral("cmdAddNum"), tr("Add"), frmAddNum_);
    lblNumProblem_ = problemLabel(QStringLiteral("lblNumProblem"), tr("Why the number is refused"), frmAddNum_);
    frmRing_ = makeChecks(QStringLiteral("frmRing"), tr("Incoming Ring activate:"), QStringLiteral("chkOutput_%1"),
                          tr("Output %1"), chkOutput_, frmAddNum_);
    frminput_ = makeChecks(QStringLiteral("frminput"), tr("Input notification"), QStringLiteral("chkInput_%1"),
                           tr("Input %1"), chkInput_, frmAddNum_);
    auto *entry = new QGridLayout;
    entry->addWidget(platform::namedLabel(QStringLiteral("Label1"), txtNum_->accessibleName(), txtNum_, frmAddNum_), 0, 0);
    entry->addWidget(txtNum_, 0, 1);
    entry->addWidget(cmdAddNum_, 0, 2);
    entry->addWidget(platform::namedLabel(QStringLiteral("Label6"), example(), nullptr, frmAddNum_), 0, 3);
    entry->addWidget(lblNumProblem_, 1, 1, 1, 3);
    entry->setColumnStretch(1, 1);
    // One of the two shows per model: stacked, they take the width of one.
    auto *boxes = new QVBoxLayout;
    boxes->addWidget(frmRing_);
    boxes->addWidget(frminput_);
    auto *addLayout = new QVBoxLayout(frmAddNum_);
    addLayout->setContentsMargins(6, 2, 6, 2);
    addLayout->setSpacing(2);
    addLayout->addLayout(entry);
    addLayout->addLayout(boxes);

    return frmAddNum_;
}

NumberManagementPage::~NumberManagementPage() = default;

void NumberManagementPage::setUnitModel(const QString &model)
{
    unitModel_ = model;
    model_->setUnitModel(model);
    grdNum_->fitColumns();
}

void NumberManagementPage::setRoom(std::optional<int> room)
{
    room_ = room;
    showCount();
}

void NumberManagementPage::showCount()
{
    const int total = model_->rowCount();
    const int shown = filter_->rowCount();
    QString text = total == 1 ? tr("1 number") : tr("%1 numbers").arg(total);
    if (shown != total)
        text = tr("%1 of %2 shown").arg(shown).arg(text);
    if (room_)
        text = *room_ >= 0 ? tr("%1, room for %2 more").arg(text).arg(*room_)
                           : tr("%1, %2 too many for one upload").arg(text).arg(-*room_);
    lblNumCount_->setText(text);
    lblNumCount_->setToolTip(text); // whole, where the label is too narrow
}

// Assistive technology reads a label by its name and a field by its description: both carry
// the reason, so a screen reader says why, not only that something was refused.
void NumberManagementPage::showProblem(QLabel *label, QWidget *field, const QString &name, const QString &why)
{
    label->setText(why);
    label->setAccessibleName(why.isEmpty() ? name : tr("%1: %2").arg(name, why));
    label->setAccessibleDescription(why);
    field->setAccessibleDescription(why);
}

void NumberManagementPage::showNumberProblem(const QString &why)
{
    showProblem(lblNumProblem_, txtNum_, tr("Why the number is refused"), why);
}

void NumberManagementPage::showCellProblem(const QString &why)
{
    QWidget *editor = grdNum_->editing() ? grdNum_->indexWidget(grdNum_->currentIndex()) : nullptr;
    showProblem(lblCellProblem_, editor ? editor : grdNum_, tr("Why the entry is refused"), why);
}

void NumberManagementPage::commitOpenEdit() { grdNum_->commitOpenEdit(); }

void NumberManagementPage::addNumber()
{
    const NumberCheck check = check_number(txtNum_->text());
    if (!check.ok()) {
        showNumberProblem(check.problem);
        return;
    }
    if (const QString listed = model_->listedElsewhere(check.stored); !listed.isEmpty()) {
        showNumberProblem(listed);
        return;
    }
    showNumberProblem(QString());
    QList<NumberRow> rows = model_->rows();
    NumberRow added{QString(), check.stored, {}};
    if (model_->gate()) {
        for (int k = 0; k < 4; ++k)
            added.outputs[k] = chkOutput_[k]->checkState() == Qt::Checked;
        rows.append(added);
        number_in_order(rows);
    } else {
        rows.append(added); // the unit number is the operator's to type in place
    }
    model_->change(rows, tr("Add %1").arg(check.stored));
    // The new row is shown and the number stays selected: typing the next one replaces it.
    const QModelIndex shown = filter_->mapFromSource(model_->index(int(model_->rowCount() - 1), NumberListModel::kNumberColumn));
    if (shown.isValid())
        grdNum_->scrollTo(shown);
    txtNum_->selectAll();
}

void NumberManagementPage::deleteSelected()
{
    grdNum_->commitOpenEdit();
    const QList<int> selected = grdNum_->selectedListRows();
    if (selected.isEmpty())
        return;
    QList<NumberRow> rows = model_->rows();
    for (auto it = selected.crbegin(); it != selected.crend(); ++it)
        rows.removeAt(*it);
    grdNum_->clearSelection();
    model_->change(rows, selected.size() == 1 ? tr("Delete 1 number") : tr("Delete %1 numbers").arg(selected.size()));
}

void NumberManagementPage::deleteAll()
{
    grdNum_->commitOpenEdit();
    const int n = model_->rowCount();
    if (n == 0 || !dialogs_)
        return;
    if (!dialogs_->askYesNo(tr("Delete all %1 numbers from the list?\n\nUndo (Ctrl+Z) brings them back.").arg(n)))
        return;
    model_->change({}, tr("Delete ALL"));
}

} // namespace settings
