#include "settings/settingseditors.h"

#include "settings/numberlistmodel.h"
#include "settings/numberpage.h"
#include "settings/systemparameterspage.h"

#include <QAction>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QUndoStack>

namespace settings {

namespace {
bool ticked(const QCheckBox *box) { return box->checkState() == Qt::Checked; }
void tick(QCheckBox *box, bool on) { box->setCheckState(on ? Qt::Checked : Qt::Unchecked); }
// Enough steps for a long session; each holds the list's rows, which share their texts.
constexpr int kUndoSteps = 500;

// Whether two sets differ in what a file keeps: the upload boxes are choices of the moment.
bool differInContent(SettingsSet a, const SettingsSet &b)
{
    a.uploadSystem = b.uploadSystem;
    a.uploadTelephone = b.uploadTelephone;
    return a != b; // the rows compare by reference first: a step that kept them costs nothing
}
} // namespace

// One step: the settings before and after. Typing in one field merges into one step.
class SettingsChange : public QUndoCommand {
public:
    SettingsChange(SettingsEditors &editors, SettingsSet before, SettingsSet after, const QString &what,
                   QString field)
        : QUndoCommand(what), editors_(editors), before_(std::move(before)), after_(std::move(after)),
          field_(std::move(field)), content_(differInContent(before_, after_))
    {
    }
    // False for a step that only ticked an upload box.
    bool changesContent() const { return content_; }
    void undo() override { editors_.apply(before_); }
    void redo() override { editors_.apply(after_); }
    int id() const override { return field_.isEmpty() ? -1 : 1; }
    bool mergeWith(const QUndoCommand *other) override
    {
        const auto *next = static_cast<const SettingsChange *>(other);
        if (next->field_ != field_)
            return false;
        after_ = next->after_;
        content_ = differInContent(before_, after_);
        setObsolete(after_ == before_);
        return true;
    }

private:
    SettingsEditors &editors_;
    SettingsSet before_;
    SettingsSet after_;
    QString field_; // the text field typed in; empty for a step that never merges
    bool content_;
};

// One edit of the labels: the labels before and after, in the same history as the settings.
class LabelChange : public QUndoCommand {
public:
    LabelChange(NumberListModel &list, NumberListModel::Labels before, NumberListModel::Labels after, const QString &what)
        : QUndoCommand(what), list_(list), before_(std::move(before)), after_(std::move(after))
    {
    }
    void undo() override { list_.setLabels(before_); }
    void redo() override { list_.setLabels(after_); }

private:
    NumberListModel &list_;
    NumberListModel::Labels before_;
    NumberListModel::Labels after_;
};

SettingsEditors::SettingsEditors(SystemParametersPage &sys, NumberManagementPage &num, QObject *parent)
    : QObject(parent), sys_(&sys), num_(&num), stack_(new QUndoStack(this))
{
    stack_->setUndoLimit(kUndoSteps);
    undo_ = stack_->createUndoAction(this, tr("Undo"));
    undo_->setObjectName(QStringLiteral("actUndo"));
    undo_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    redo_ = stack_->createRedoAction(this, tr("Redo"));
    redo_->setObjectName(QStringLiteral("actRedo"));
    redo_->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    // Page 0 is always shown: the keys work whichever tab is open.
    for (QWidget *page : {static_cast<QWidget *>(sys_), static_cast<QWidget *>(num_)})
        page->addActions({undo_, redo_});
    connect(num_->cmdUndo(), &QPushButton::clicked, stack_, &QUndoStack::undo);
    connect(num_->cmdRedo(), &QPushButton::clicked, stack_, &QUndoStack::redo);
    connect(stack_, &QUndoStack::canUndoChanged, num_->cmdUndo(), &QPushButton::setEnabled);
    connect(stack_, &QUndoStack::canRedoChanged, num_->cmdRedo(), &QPushButton::setEnabled);
    connect(stack_, &QUndoStack::undoTextChanged, num_->cmdUndo(),
            [this](const QString &text) { num_->cmdUndo()->setToolTip(text.isEmpty() ? QString() : tr("Undo %1").arg(text)); });
    connect(stack_, &QUndoStack::redoTextChanged, num_->cmdRedo(),
            [this](const QString &text) { num_->cmdRedo()->setToolTip(text.isEmpty() ? QString() : tr("Redo %1").arg(text)); });
    num_->cmdUndo()->setEnabled(false);
    num_->cmdRedo()->setEnabled(false);

    for (QLineEdit *edit : {num_->txtPass(), num_->txtSysName(), num_->txtMastNum(), sys_->txtInputName(0),
                            sys_->txtInputName(1), sys_->txtInputName(2), sys_->txtInputName(3)}) {
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textChanged, this, &SettingsEditors::changed);
        connect(edit, &QLineEdit::textChanged, this,
                [this, edit] { edited(tr("Edit %1").arg(edit->accessibleName()), edit->objectName()); });
    }
    for (QCheckBox *box : {sys_->chkErep(), sys_->chkOcnf(), sys_->chkMonInput(0), sys_->chkMonInput(1),
                           sys_->chkMonInput(2), sys_->chkMonInput(3), sys_->chksys(), sys_->chktel()}) {
        connect(box, &QCheckBox::stateChanged, this, &SettingsEditors::changed);
        connect(box, &QCheckBox::stateChanged, this, [this, box] {
            edited((ticked(box) ? tr("Tick %1") : tr("Untick %1")).arg(box->text()), QString());
        });
    }
    NumberListModel &rows = numbers();
    connect(&rows, &QAbstractItemModel::dataChanged, this, &SettingsEditors::changed);
    connect(&rows, &QAbstractItemModel::rowsInserted, this, &SettingsEditors::changed);
    connect(&rows, &QAbstractItemModel::rowsRemoved, this, &SettingsEditors::changed);
    connect(&rows, &QAbstractItemModel::modelReset, this, &SettingsEditors::changed);
    rows.setRecorder([this](const QList<NumberRow> &after, const QString &what) { setNumbers(after, what); });
    rows.setLabelRecorder([this, &rows](const NumberListModel::Labels &after, const QString &what) {
        stack_->push(new LabelChange(rows, rows.labels(), after, what));
    });
    connect(this, &SettingsEditors::changed, this, &SettingsEditors::showRoom);
    shown_ = store();
}

SettingsEditors::~SettingsEditors()
{
    // The list may outlive this object; its changes then apply at once.
    if (num_) {
        numbers().setRecorder({});
        numbers().setLabelRecorder({});
    }
}

bool SettingsEditors::eventFilter(QObject *watched, QEvent *event)
{
    // Undo and redo keys in a settings field go to the one history, not to the field's own:
    // otherwise Ctrl+Z there would undo old typing instead of the last change.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const QKeySequence pressed(key->keyCombination());
        for (const QAction *action : {undo_, redo_})
            if (action->shortcuts().contains(pressed)) {
                event->ignore();
                return true;
            }
    }
    return QObject::eventFilter(watched, event);
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

NumberListModel &SettingsEditors::numbers() const { return num_->numberModel(); }

void SettingsEditors::setNumbers(const QList<NumberRow> &rows, const QString &what)
{
    SettingsSet after = shown_;
    after.numbers = rows;
    if (after != shown_)
        stack_->push(new SettingsChange(*this, shown_, after, what, QString()));
}

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
    set.numbers = numbers().rows(); // shared, not copied, until one of them changes
    return set;
}

QList<LongValueKept> SettingsEditors::show(const SettingsSet &set, LongValue policy)
{
    QList<LongValueKept> kept;
    const auto text = [&](const QString &field, const QString &value, bool tooLong) {
        if (tooLong)
            kept.append({field, int(value.size())});
    };
    applying_ = true;
    text(tr("System password"), set.password, setPassword(set.password, policy));
    text(tr("System name"), set.systemName, setSystemName(set.systemName, policy));
    text(tr("Master number"), set.masterNumber, setMasterNumber(set.masterNumber, policy));
    for (int k = 0; k < 4; ++k) {
        text(tr("Input name %1").arg(k + 1), set.inputNames[k], setInputName(k, set.inputNames[k], policy));
        setMonitorInput(k, set.monitorInputs[k]);
    }
    setErrorReporting(set.errorReporting);
    setOutputConfirmation(set.outputConfirmation);
    tick(sys_->chksys(), set.uploadSystem);
    tick(sys_->chktel(), set.uploadTelephone);
    numbers().setRows(set.numbers);
    applying_ = false;
    return kept;
}

QList<LongValueKept> SettingsEditors::load(const SettingsSet &set, LongValue policy, const QString &what)
{
    const SettingsSet before = shown_;
    const QList<LongValueKept> kept = show(set, policy);
    const SettingsSet after = store();
    if (after != before)
        stack_->push(new SettingsChange(*this, before, after, what, QString()));
    shown_ = after;
    return kept;
}

void SettingsEditors::apply(const SettingsSet &set)
{
    show(set, LongValue::Keep);
    shown_ = store();
}

void SettingsEditors::edited(const QString &what, const QString &field)
{
    if (applying_)
        return;
    const SettingsSet after = store();
    if (after == shown_)
        return;
    stack_->push(new SettingsChange(*this, shown_, after, what, field));
    shown_ = after;
}

bool SettingsEditors::differsFromClean() const
{
    const int clean = stack_->cleanIndex();
    if (clean < 0)
        return true;
    const int index = stack_->index();
    // Label steps share the stack but live outside the settings file, so they never count.
    for (int i = qMin(clean, index); i < qMax(clean, index); ++i)
        if (const auto *change = dynamic_cast<const SettingsChange *>(stack_->command(i));
            change && change->changesContent())
            return true;
    return false;
}

void SettingsEditors::setRoomFunction(std::function<int(const SettingsSet &)> room)
{
    room_ = std::move(room);
    showRoom();
}

void SettingsEditors::showRoom()
{
    num_->setRoom(room_ ? std::optional<int>(room_(store())) : std::nullopt);
}

} // namespace settings
