#pragma once
#include "settings/editorlimits.h"
#include "settings/numberpage.h"
#include "settings/settingsset.h"
#include "settings/systemparameterspage.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class QAction;
class QUndoStack;

namespace settings {

class NumberListModel;

// Narrow read/write access to the one set of settings, for the link and the transfer code.
// It holds pointers to the editors and the number list, never copies of the values.
// The text setters return true when the value was longer than the editor's typing limit;
// `policy` says whether it was cut or kept whole (see kLongValueDefault).
//
// Every change of a setting, typed or loaded, is one step of the undo history: typing in
// one field is one step until another change comes between.
class SettingsEditors : public QObject {
    Q_OBJECT
public:
    SettingsEditors(SystemParametersPage &sys, NumberManagementPage &num, QObject *parent = nullptr);
    ~SettingsEditors() override;

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

    // The number list the grid shows.
    NumberListModel &numbers() const;
    // Replaces the number list as one step of the undo history.
    void setNumbers(const QList<NumberRow> &rows, const QString &what);

    // The editors' values and the list's rows as one value, taken when a transfer starts.
    SettingsSet store() const;
    // Shows `set` in the editors and replaces the list with its numbers, as one step of the
    // undo history named `what`. Returns the editors whose new value is over their typing limit.
    QList<LongValueKept> load(const SettingsSet &set, LongValue policy = kLongValueDefault,
                              const QString &what = QStringLiteral("Load settings"));

    QUndoStack *undoStack() const { return stack_; }
    // Whether a step between the history's clean state and now changed anything a file keeps
    // (a tick of an upload box does not); true when the clean state cannot be reached.
    // Costs a look at those steps, never a comparison of the settings.
    bool differsFromClean() const;
    QAction *undoAction() const { return undo_; }
    QAction *redoAction() const { return redo_; }

    // How many more numbers one upload of the settings could carry; the count beside the list
    // says it. Without it the count gives the numbers only.
    void setRoomFunction(std::function<int(const SettingsSet &)> room);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    // Any setting that store() takes may have changed: a text, a box, a row of the list.
    void changed();

private:
    friend class SettingsChange;
    // Shows `set` in the editors under `policy`, recording nothing; returns the editors whose
    // new value is over their typing limit.
    QList<LongValueKept> show(const SettingsSet &set, LongValue policy);
    // Shows `set` exactly, recording nothing.
    void apply(const SettingsSet &set);
    void edited(const QString &what, const QString &field);
    void showRoom();

    QPointer<SystemParametersPage> sys_;
    QPointer<NumberManagementPage> num_; // the pages may go first
    QUndoStack *stack_;
    QAction *undo_;
    QAction *redo_;
    SettingsSet shown_; // what the editors showed after the last recorded step
    bool applying_ = false;
    std::function<int(const SettingsSet &)> room_;
};

} // namespace settings
