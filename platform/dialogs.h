#pragma once
#include <QString>
#include <QStringList>

namespace platform {

// Title of every message box that does not bring its own.
inline const char kProgramTitle[] = "NorvikConf";

// Message boxes and file dialogs, behind an interface so that tests can answer them.
class Dialogs {
public:
    enum class Icon {
        None,
        Information,
        Stop,
    };
    virtual ~Dialogs() = default;
    // OK only. An empty title stands for kProgramTitle.
    virtual void message(const QString &text, Icon icon = Icon::None, const QString &title = QString()) = 0;
    // Yes and No; true when the answer is Yes.
    virtual bool askYesNo(const QString &text, Icon icon = Icon::None, const QString &title = QString()) = 0;
    // Yes and No, with a line under the question that says what exactly will happen.
    // Without a box of its own it asks the question with the line added.
    virtual bool confirm(const QString &text, const QString &informative, Icon icon = Icon::None)
    {
        return askYesNo(text + QStringLiteral("\n\n") + informative, icon);
    }
    // One button per entry of `buttons`; the last one also answers Escape and closing the box.
    // Returns the index of the button pressed; where nobody can answer, the last one.
    virtual int choose(const QString &, const QString &, const QStringList &buttons) { return int(buttons.size()) - 1; }
    // `filter` is in the "Description|*.ext|Description|*.*" form. Empty text when cancelled.
    virtual QString openFileName(const QString &title, const QString &filter) = 0;
    virtual QString saveFileName(const QString &title, const QString &filter) = 0;
    // The same, starting in `folder` (empty: where the dialog would start anyway).
    virtual QString openFileNameIn(const QString &title, const QString &filter, const QString &folder)
    {
        Q_UNUSED(folder);
        return openFileName(title, filter);
    }
    // The same, with `start` (a file name) offered in the dialog.
    virtual QString saveFileNameFrom(const QString &title, const QString &filter, const QString &start)
    {
        Q_UNUSED(start);
        return saveFileName(title, filter);
    }
    enum class SaveChoice {
        Save,
        Discard,
        Cancel,
    };
    // "Save changes to ...?" with Save, Discard and Cancel; Escape and closing the box cancel.
    virtual SaveChoice askSaveChanges(const QString &text, const QString &informative)
    {
        switch (choose(text, informative, {QStringLiteral("Save"), QStringLiteral("Discard"), QStringLiteral("Cancel")})) {
        case 0: return SaveChoice::Save;
        case 1: return SaveChoice::Discard;
        default: return SaveChoice::Cancel;
        }
    }
    // A password field with OK and Cancel; the empty text when cancelled. Where nobody can
    // be asked, the answer is Cancel.
    virtual QString askPassword(const QString &text, const QString &title = QString())
    {
        Q_UNUSED(text);
        Q_UNUSED(title);
        return QString();
    }
};

} // namespace platform
