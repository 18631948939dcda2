#include "settings/settingseditors.h"

#include "settings/numbergrid.h"
#include "settings/numberpage.h"
#include "settings/systemparameterspage.h"

#include <QCheckBox>
#include <QLineEdit>

namespace settings {

namespace {
bool ticked(const QCheckBox *box) { return box->checkState() == Qt::Checked; }
void tick(QCheckBox *box, bool on) { box->setCheckState(on ? Qt::Checked : Qt::Unchecked); }
} // namespace

SettingsEditors::SettingsEditors(SystemParametersPage &sys, NumberManagementPage &num, QObject *parent)
    : QObject(parent), sys_(&sys), num_(&num)
{
    for (QLineEdit *edit : {num_->txtPass(), num_->txtSysName(), num_->txtMastNum(), sys_->txtInputName(0),
                            sys_->txtInputName(1), sys_->txtInputName(2), sys_->txtInputName(3)})
        connect(edit, &QLineEdit::textChanged, this, &SettingsEditors::changed);
    for (QCheckBox *box : {sys_->chkErep(), sys_->chkOcnf(), sys_->chkMonInput(0), sys_->chkMonInput(1),
                           sys_->chkMonInput(2), sys_->chkMonInput(3), sys_->chksys(), sys_->chktel()})
        connect(box, &QCheckBox::stateChanged, this, &SettingsEditors::changed);
    const QAbstractItemModel *rows = num_->grdNum()->model();
    connect(rows, &QAbstractItemModel::dataChanged, this, &SettingsEditors::changed);
    connect(rows, &QAbstractItemModel::rowsInserted, this, &SettingsEditors::changed);
    connect(rows, &QAbstractItemModel::rowsRemoved, this, &SettingsEditors::changed);
    connect(rows, &QAbstractItemModel::modelReset, this, &SettingsEditors::changed);
}

QString SettingsEditors::password() const { return num_->txtPass()->text(); }
bool SettingsEditors::setPassword(const QString &value, LongValue policy)
{
    return setLimitedText(num_->txtPass(), value, policy);
}

QString SettingsEditors::systemName() const { return num_->txtSysName()->text(); }
bool SettingsEditors::setSystemName(const QString &value, LongValue policy)
{
    return setLimitedText(num_->txtSysName(), value, policy);
}

QString SettingsEditors::masterNumber() const { return num_->txtMastNum()->text(); }
bool SettingsEditors::setMasterNumber(const QString &value, LongValue policy)
{
    return setLimitedText(num_->txtMastNum(), value, policy);
}

QString SettingsEditors::inputName(int k) const { return sys_->txtInputName(k)->text(); }
bool SettingsEditors::setInputName(int k, const QString &value, LongValue policy)
{
    return setLimitedText(sys_->txtInputName(k), value, policy);
}

bool SettingsEditors::errorReporting() const { return ticked(sys_->chkErep()); }
bool SettingsEditors::outputConfirmation() const { return ticked(sys_->chkOcnf()); }
bool SettingsEditors::monitorInput(int k) const { return ticked(sys_->chkMonInput(k)); }
void SettingsEditors::setErrorReporting(bool on) { tick(sys_->chkErep(), on); }
void SettingsEditors::setOutputConfirmation(bool on) { tick(sys_->chkOcnf(), on); }
void SettingsEditors::setMonitorInput(int k, bool on) { tick(sys_->chkMonInput(k), on); }

bool SettingsEditors::uploadSystem() const { return ticked(sys_->chksys()); }
bool SettingsEditors::uploadTelephone() const { return ticked(sys_->chktel()); }
bool SettingsEditors::uploadSchedules() const { return ticked(sys_->chkrep()); }

NumberGrid &SettingsEditors::numbers() const { return *num_->grdNum(); }

SettingsSet SettingsEditors::store() const
{
    SettingsSet set;
    set.password = password();
    set.systemName = systemName();
    set.masterNumber = masterNumber();
    for (int k = 0; k < 4; ++k) {
        set.inputNames[k] = inputName(k);
        set.monitorInputs[k] = monitorInput(k);
    }
    set.errorReporting = errorReporting();
    set.outputConfirmation = outputConfirmation();
    set.uploadSystem = uploadSystem();
    set.uploadTelephone = uploadTelephone();
    const NumberGrid &grid = numbers();
    set.numbers.reserve(grid.rows() - 1);
    for (int r = 1; r < grid.rows(); ++r) {
        NumberRow row{grid.textMatrix(r, 0), grid.textMatrix(r, 1), {}};
        // Any text in a mark cell counts as set.
        for (int k = 0; k < 4; ++k)
            row.outputs[k] = !grid.textMatrix(r, 2 + k).isEmpty();
        set.numbers.append(row);
    }
    return set;
}

QList<LongValueKept> SettingsEditors::load(const SettingsSet &set, LongValue policy)
{
    QList<LongValueKept> kept;
    auto text = [&](const QString &field, const QString &value, bool tooLong) {
        if (tooLong)
            kept.append({field, int(value.size())});
    };
    text(QStringLiteral("System password"), set.password, setPassword(set.password, policy));
    text(QStringLiteral("System name"), set.systemName, setSystemName(set.systemName, policy));
    text(QStringLiteral("Master number"), set.masterNumber, setMasterNumber(set.masterNumber, policy));
    for (int k = 0; k < 4; ++k)
        text(QStringLiteral("Input name %1").arg(k + 1), set.inputNames[k], setInputName(k, set.inputNames[k], policy));
    setErrorReporting(set.errorReporting);
    setOutputConfirmation(set.outputConfirmation);
    for (int k = 0; k < 4; ++k)
        setMonitorInput(k, set.monitorInputs[k]);
    tick(sys_->chksys(), set.uploadSystem);
    tick(sys_->chktel(), set.uploadTelephone);

    NumberGrid &grid = numbers();
    grid.setRows(1);
    grid.setRows(int(set.numbers.size()) + 1);
    for (int i = 0; i < set.numbers.size(); ++i) {
        const NumberRow &row = set.numbers.at(i);
        grid.setTextMatrix(i + 1, 0, row.unit);
        grid.setTextMatrix(i + 1, 1, row.number);
        for (int k = 0; k < 4; ++k)
            grid.setTextMatrix(i + 1, 2 + k, row.outputs[k] ? QStringLiteral("*") : QString());
    }
    return kept;
}

} // namespace settings
