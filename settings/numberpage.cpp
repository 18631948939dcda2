#include "settings/numberpage.h"

#include "platform/namedcontrols.h"
#include "settings/celleditor.h"
#include "settings/editorlimits.h"
#include "settings/numbergrid.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace settings {

namespace {

const QString kExample = QStringLiteral("eg: 27821234567");

QLineEdit *makeEdit(const QString &name, const QString &label, const QString &start, int limit, QWidget *parent,
                    const QString &refused = kRefusedInText)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setAccessibleName(label);
    if (limit > 0)
        edit->setMaxLength(limit);
    acceptLatin1Only(edit, refused);
    edit->setText(start);
    return edit;
}

QGroupBox *makeChecks(const QString &frameName, const QString &caption, const QString &boxName,
                      const QString &boxCaption, std::array<QCheckBox *, 4> &boxes, QWidget *parent)
{
    QGroupBox *frame = platform::namedFrame(frameName, caption, parent);
    auto *layout = new QHBoxLayout(frame);
    layout->setContentsMargins(6, 4, 6, 4);
    for (int k = 0; k < 4; ++k) {
        QCheckBox *box = platform::namedCheck(boxName.arg(k), boxCaption.arg(k + 1), false, frame);
        layout->addWidget(box);
        boxes[k] = box;
    }
    layout->addStretch(1);
    return frame;
}

} // namespace

NumberManagementPage::NumberManagementPage(QWidget *parent) : QGroupBox(QStringLiteral("Number management"), parent)
{
    setObjectName(QStringLiteral("frame_1"));
    setAccessibleName(title());

    txtSysName_ = makeEdit(QStringLiteral("txtSysName"), QStringLiteral("System name"), QStringLiteral("GSM Unit"), 15, this);
    txtPass_ = makeEdit(QStringLiteral("txtPass"), QStringLiteral("System password"), QStringLiteral("5831"), 4, this,
                        kRefusedInPassword);
    txtMastNum_ = makeEdit(QStringLiteral("txtMastNum"), QStringLiteral("Master number"), QString(), 0, this);
    auto *system = new QFormLayout;
    system->addRow(platform::namedLabel(QStringLiteral("lblSysName"), QStringLiteral("System name"), txtSysName_, this), txtSysName_);
    system->addRow(platform::namedLabel(QStringLiteral("lblPass"), QStringLiteral("System password"), txtPass_, this), txtPass_);
    auto *master = new QHBoxLayout;
    master->addWidget(txtMastNum_, 1);
    master->addWidget(platform::namedLabel(QStringLiteral("lblMastHint"), kExample, nullptr, this));
    system->addRow(platform::namedLabel(QStringLiteral("lblMastNum"), QStringLiteral("Master number"), txtMastNum_, this), master);

    grdNum_ = new NumberGrid(this);
    cellEditor_ = new CellEditor(*grdNum_);
    cmdNumClear_ = platform::namedButton(QStringLiteral("cmdNumClear"), QStringLiteral("Delete ALL"), this);
    cmdNumDel_ = platform::namedButton(QStringLiteral("cmdNumDel"), QStringLiteral("Delete Selected"), this);
    auto *gridLabel = platform::namedLabel(QStringLiteral("lblTelList"), QStringLiteral("Telephone list"), grdNum_, this);
    cmdImportCsv_ = platform::namedButton(QStringLiteral("cmdImportCsv"), QStringLiteral("Import CSV"), this);
    cmdExportCsv_ = platform::namedButton(QStringLiteral("cmdExportCsv"), QStringLiteral("Export CSV"), this);
    cmdImportCsv_->setToolTip(QStringLiteral("Read numbers from a spreadsheet saved as CSV: number, then outputs "
                                             "(gate, e.g. 13) or unit number (intercom)"));
    cmdExportCsv_->setToolTip(QStringLiteral("Write the list as CSV for a spreadsheet"));
    auto *deletes = new QHBoxLayout;
    deletes->addWidget(cmdImportCsv_);
    deletes->addWidget(cmdExportCsv_);
    deletes->addStretch(1);
    deletes->addWidget(cmdNumClear_);
    deletes->addWidget(cmdNumDel_);

    frmAddNum_ = new QGroupBox(QStringLiteral("Add Number"), this);
    frmAddNum_->setObjectName(QStringLiteral("frmAddNum"));
    frmAddNum_->setAccessibleName(frmAddNum_->title());
    txtNum_ = makeEdit(QStringLiteral("txtNum"), QStringLiteral("Telephone number"), QString(), 0, frmAddNum_);
    cmdAddNum_ = platform::namedButton(QStringLiteral("cmdAddNum"), QStringLiteral("Add"), frmAddNum_);
    frmRing_ = makeChecks(QStringLiteral("frmRing"), QStringLiteral("Incoming Ring activate:"), QStringLiteral("chkOutput_%1"),
                          QStringLiteral("Output %1"), chkOutput_, frmAddNum_);
    frminput_ = makeChecks(QStringLiteral("frminput"), QStringLiteral("Input notification"), QStringLiteral("chkInput_%1"),
                           QStringLiteral("Input %1"), chkInput_, frmAddNum_);
    auto *entry = new QGridLayout;
    entry->addWidget(platform::namedLabel(QStringLiteral("Label1"), QStringLiteral("Telephone number"), txtNum_, frmAddNum_), 0, 0);
    entry->addWidget(txtNum_, 0, 1);
    entry->addWidget(cmdAddNum_, 0, 2);
    entry->addWidget(platform::namedLabel(QStringLiteral("Label6"), kExample, nullptr, frmAddNum_), 1, 1);
    entry->setColumnStretch(1, 1);
    auto *addLayout = new QVBoxLayout(frmAddNum_);
    addLayout->setContentsMargins(6, 4, 6, 4);
    addLayout->addLayout(entry);
    addLayout->addWidget(frmRing_);
    addLayout->addWidget(frminput_);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->addLayout(system);
    layout->addWidget(gridLabel);
    layout->addWidget(grdNum_, 1);
    layout->addLayout(deletes);
    layout->addWidget(frmAddNum_);

    connect(cmdAddNum_, &QPushButton::clicked, this, &NumberManagementPage::cmdAddNum_Click);
    connect(cmdNumDel_, &QPushButton::clicked, this, &NumberManagementPage::cmdNumDel_Click);
    connect(cmdNumClear_, &QPushButton::clicked, this, &NumberManagementPage::cmdNumClear_Click);
}

NumberManagementPage::~NumberManagementPage() = default;

void NumberManagementPage::setUnitModel(const QString &model) { unitModel_ = model; }

QLineEdit *NumberManagementPage::Text1() const { return cellEditor_->text1(); }

void NumberManagementPage::cmdAddNum_Click()
{
    NumberGrid &grid = *grdNum_;
    grid.setRows(grid.rows() + 1);
    const int row = grid.rows() - 1;
    grid.setTextMatrix(row, 1, stored_number(txtNum_->text()));
    if (unitModel_ == QLatin1String("intercom"))
        return; // the unit number is the operator's to type in place
    // Every new row carries the flags ticked now, even when the number is already listed.
    for (int k = 0; k < 4; ++k)
        grid.setTextMatrix(row, 2 + k, chkOutput_[k]->checkState() == Qt::Checked ? QStringLiteral("*") : QString());
    for (int r = 1; r < grid.rows(); ++r)
        grid.setTextMatrix(r, 0, QString::number(r));
}

void NumberManagementPage::cmdNumDel_Click()
{
    NumberGrid &grid = *grdNum_;
    if (grid.rows() == 2) {
        grid.setRows(1);
    } else if (grid.rows() > 2) {
        const int row = grid.rowSel();
        if (row >= 1)
            grid.removeRowAt(row);
    }
}

void NumberManagementPage::cmdNumClear_Click() { grdNum_->setRows(1); }

} // namespace settings
