#pragma once
#include <QList>
#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QMenuBar;
class QSettings;
class QWidget;

namespace platform {
class Dialogs;
}

namespace mainwindow {

class Document;
class RecentFiles;

// The main window's menu bar. File: Open, Save, Save As, the recent files, Import and Export
// CSV, Quit. Unit: read, upload, open port. Help: the guide for users and About.
// Actions that have a button press that button, so a menu and its button do the same, and a
// disabled button's action does nothing.
class MainMenu : public QObject {
    Q_OBJECT
public:
    // `store` keeps the recent files between starts (null: for this run only).
    // `editActions` (undo and redo of the settings) make the Edit menu.
    MainMenu(QWidget &window, Document &document, platform::Dialogs &dialogs, QSettings *store,
             const QList<QAction *> &editActions);

    QMenuBar *bar() const { return bar_; }
    RecentFiles &recent() const { return *recent_; }
    // Adds `actions` to the File menu after Import and Export CSV.
    void addFileActions(const QList<QAction *> &actions);

    // The guide for the people who use the program (docs/guide.md), built into it.
    static QString guideResource() { return QStringLiteral(":/guide/guide.md"); }

signals:
    // File, "Compare...".
    void compareRequested();

private:
    void press(const char *buttonName);
    void fillRecent();
    void openRecent(const QString &path);
    void showGuide();
    void showAbout();

    QWidget &window_;
    Document &document_;
    platform::Dialogs &dialogs_;
    RecentFiles *recent_ = nullptr;
    QMenuBar *bar_ = nullptr;
    QMenu *menuRecent_ = nullptr;
    QMenu *menuFile_ = nullptr;
    QAction *beforeQuit_ = nullptr; // the separator above Quit
};

} // namespace mainwindow
