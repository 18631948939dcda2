#pragma once
#include <QString>

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
    // `filter` is in the "Description|*.ext|Description|*.*" form. Empty text when cancelled.
    virtual QString openFileName(const QString &title, const QString &filter) = 0;
    virtual QString saveFileName(const QString &title, const QString &filter) = 0;
};

} // namespace platform
