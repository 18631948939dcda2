#pragma once
#include "platform/dialogs.h"

class QWidget;

namespace platform {

// Message boxes and file dialogs on screen, modal to `parent`.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget *parent = nullptr) : parent_(parent) {}
    void setParent(QWidget *parent) { parent_ = parent; }

    void message(const QString &text, Icon icon, const QString &title) override;
    bool askYesNo(const QString &text, Icon icon, const QString &title) override;
    bool confirm(const QString &text, const QString &informative, Icon icon) override;
    int choose(const QString &text, const QString &informative, const QStringList &buttons) override;
    QString openFileName(const QString &title, const QString &filter) override;
    QString saveFileName(const QString &title, const QString &filter) override;
    QString openFileNameIn(const QString &title, const QString &filter, const QString &folder) override;
    QString saveFileNameFrom(const QString &title, const QString &filter, const QString &start) override;
    SaveChoice askSaveChanges(const QString &text, const QString &informative) override;
    QString askPassword(const QString &text, const QString &title) override;

    // "Desc|*.gsm|All|*.*" becomes the ";;"-separated "Desc (*.gsm)" form of Qt's dialogs.
    static QString toQtFilter(const QString &filter);

private:
    QWidget *parent_;
};

} // namespace platform
