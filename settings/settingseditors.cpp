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

SettingsEditors::SettingsEditors(SystemParametersPage &sys, NumberManagementPage &num) : sys_(&sys), num_(&num) {}

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

} // namespace settings
