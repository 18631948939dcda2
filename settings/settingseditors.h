#pragma once
#include "settings/editorlimits.h"
#include "settings/settingsset.h"

#include <QList>
#include <QObject>
#include <QString>

namespace settings {

class NumberGrid;
class NumberManagementPage;
class SystemParametersPage;

// Narrow read/write access to the one set of settings, for the link and the transfer code.
// It holds pointers to the editors, never copies of the values.
// The text setters return true when the value was longer than the editor's typing limit;
// `policy` says whether it was cut or kept whole (see kLongValueDefault).
class SettingsEditors : public QObject {
    Q_OBJECT
public:
    SettingsEditors(SystemParametersPage &sys, NumberManagementPage &num, QObject *parent = nullptr);

    QString password() const;
    bool setPassword(const QString &value, LongValue policy = kLongValueDefault);
    QString systemName() const;
    bool setSystemName(const QString &value, LongValue policy = kLongValueDefault);
    QString masterNumber() const;
    bool setMasterNumber(const QString &value, LongValue policy = kLongValueDefault);
    QString inputName(int k) const;
    bool setInputName(int k, const QString &value, LongValue policy = kLongValueDefault);

    // A box counts as ticked only when fully checked.
    bool errorReporting() const;
    bool outputConfirmation() const;
    bool monitorInput(int k) const;
    void setErrorReporting(bool on);
    void setOutputConfirmation(bool on);
    void setMonitorInput(int k, bool on);

    bool uploadSystem() const;    // chksys
    bool uploadTelephone() const; // chktel
    bool uploadSchedules() const; // chkrep

    NumberGrid &numbers() const;

    // The editors' values and the grid's rows as one value, taken when a transfer starts.
    SettingsSet store() const;
    // Shows `set` in the editors and replaces the grid's rows with its numbers. Returns the
    // editors whose new value is over their typing limit.
    QList<LongValueKept> load(const SettingsSet &set, LongValue policy = kLongValueDefault);

signals:
    // Any setting that store() takes may have changed: a text, a box, a row of the list.
    void changed();

private:
    SystemParametersPage *sys_;
    NumberManagementPage *num_;
};

} // namespace settings
