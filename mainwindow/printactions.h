#pragma once
// File menu: Print (Ctrl+P), Print Preview and Export PDF of the access list. Nothing here
// changes a setting: each command takes a copy of the settings shown.
#include "accesslist/accesslist.h"

#include <QList>
#include <QObject>
#include <QString>
#include <functional>

class QAction;
class QPrinter;
class QWidget;

namespace platform {
class Dialogs;
}
namespace settings {
class SettingsEditors;
}

namespace mainwindow {

class PrintActions : public QObject {
    Q_OBJECT
public:
    // `source` names the settings' site or file for the page header (empty: in no file yet);
    // `commitEdit` writes back an edit still open in the number grid (may be null).
    PrintActions(QWidget &window, const settings::SettingsEditors &editors, const QString &unitModel,
                 platform::Dialogs &dialogs, std::function<QString()> source, std::function<void()> commitEdit = {});

    QList<QAction *> actions() const { return actions_; }
    // The access list of the settings shown now.
    accesslist::AccessList current() const;

    void print();
    void preview();
    // Asks for a file name (".pdf" added when it has none) and writes the PDF there.
    void exportPdf();

private:
    void paintOn(QPrinter &printer);

    QWidget &window_;
    const settings::SettingsEditors &editors_;
    QString unitModel_;
    platform::Dialogs &dialogs_;
    std::function<QString()> source_;
    std::function<void()> commitEdit_;
    QList<QAction *> actions_;
};

} // namespace mainwindow
