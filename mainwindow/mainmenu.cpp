#include "mainwindow/mainmenu.h"

#include "mainwindow/document.h"
#include "mainwindow/recentfiles.h"
#include "platform/dialogs.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#ifndef NORVIKCONF_VERSION
#define NORVIKCONF_VERSION "0.0.0"
#endif

namespace mainwindow {

namespace {

QMenu *namedMenu(QMenuBar *bar, const QString &name, const QString &title)
{
    QMenu *menu = bar->addMenu(title);
    menu->setObjectName(name);
    return menu;
}

QAction *namedAction(QMenu *menu, const QString &name, const QString &text, const QKeySequence &keys = {})
{
    QAction *action = menu->addAction(text);
    action->setObjectName(name);
    action->setShortcut(keys);
    return action;
}

} // namespace

MainMenu::MainMenu(QWidget &window, Document &document, platform::Dialogs &dialogs, QSettings *store,
                   const QList<QAction *> &editActions)
    : QObject(&window), window_(window), document_(document), dialogs_(dialogs)
{
    recent_ = new RecentFiles(store, this);
    bar_ = new QMenuBar(&window);
    bar_->setObjectName(QStringLiteral("menuBar"));
    bar_->setAccessibleName(tr("Menu bar"));

    QMenu *file = namedMenu(bar_, QStringLiteral("menuFile"), tr("&File"));
    connect(namedAction(file, QStringLiteral("actOpen"), tr("&Open..."), QKeySequence::Open),
            &QAction::triggered, this, [this] { press("cmdLoad"); });
    connect(namedAction(file, QStringLiteral("actSave"), tr("&Save"), QKeySequence::Save),
            &QAction::triggered, &document_, &Document::save);
    connect(namedAction(file, QStringLiteral("actSaveAs"), tr("Save &As..."),
                        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)),
            &QAction::triggered, this, [this] { press("cmdSave"); });
    menuRecent_ = file->addMenu(tr("Open &Recent"));
    menuRecent_->setObjectName(QStringLiteral("menuRecent"));
    file->addSeparator();
    connect(namedAction(file, QStringLiteral("actImportCsv"), tr("&Import CSV...")), &QAction::triggered,
            this, [this] { press("cmdImportCsv"); });
    connect(namedAction(file, QStringLiteral("actExportCsv"), tr("&Export CSV...")), &QAction::triggered,
            this, [this] { press("cmdExportCsv"); });
    connect(namedAction(file, QStringLiteral("actCompare"), tr("&Compare...")), &QAction::triggered, this,
            &MainMenu::compareRequested);
    menuFile_ = file;
    beforeQuit_ = file->addSeparator();
    connect(namedAction(file, QStringLiteral("actQuit"), tr("&Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q)),
            &QAction::triggered, &window_, &QWidget::close);

    QMenu *edit = namedMenu(bar_, QStringLiteral("menuEdit"), tr("&Edit"));
    edit->addActions(editActions);

    QMenu *unit = namedMenu(bar_, QStringLiteral("menuUnit"), tr("&Unit"));
    connect(namedAction(unit, QStringLiteral("actRead"), tr("&Read Settings from GSM Unit")),
            &QAction::triggered, this, [this] { press("cmdDownload"); });
    connect(namedAction(unit, QStringLiteral("actUpload"), tr("&Upload Settings to GSM Unit")),
            &QAction::triggered, this, [this] { press("cmdUpload"); });
    connect(namedAction(unit, QStringLiteral("actOpenPort"), tr("&Open Port")), &QAction::triggered, this,
            [this] { press("cmdOpenPort"); });

    QMenu *help = namedMenu(bar_, QStringLiteral("menuHelp"), tr("&Help"));
    connect(namedAction(help, QStringLiteral("actGuide"), tr("NorvikConf &Guide"), QKeySequence(Qt::Key_F1)),
            &QAction::triggered, this, &MainMenu::showGuide);
    connect(namedAction(help, QStringLiteral("actAbout"), tr("&About NorvikConf")), &QAction::triggered,
            this, &MainMenu::showAbout);

    connect(&document_, &Document::fileUsed, recent_, &RecentFiles::add);
    // Queued: the list may change from one of its own entries, which filling it again deletes.
    connect(recent_, &RecentFiles::changed, this, &MainMenu::fillRecent, Qt::QueuedConnection);
    fillRecent();
}

void MainMenu::addFileActions(const QList<QAction *> &actions)
{
    menuFile_->insertSeparator(beforeQuit_);
    menuFile_->insertActions(beforeQuit_, actions);
}

void MainMenu::press(const char *buttonName)
{
    if (auto *button = window_.findChild<QPushButton *>(QLatin1String(buttonName)))
        button->click();
}

void MainMenu::fillRecent()
{
    menuRecent_->clear();
    const QStringList files = recent_->files();
    for (qsizetype i = 0; i < files.size(); ++i) {
        // Numbered for the keyboard: &1 to &9, then 1&0.
        const QString number = i < 9 ? QStringLiteral("&%1").arg(i + 1) : QStringLiteral("1&0");
        QAction *action = menuRecent_->addAction(number + QLatin1Char(' ') + QFileInfo(files[i]).fileName());
        action->setObjectName(QStringLiteral("actRecent%1").arg(i + 1));
        action->setToolTip(QDir::toNativeSeparators(files[i]));
        action->setStatusTip(action->toolTip());
        const QString path = files[i];
        connect(action, &QAction::triggered, this, [this, path] { openRecent(path); });
    }
    menuRecent_->setEnabled(!files.isEmpty());
}

void MainMenu::openRecent(const QString &path)
{
    // A file that is gone leaves the list once the operator has been told.
    if (!document_.openFile(path) && !QFileInfo::exists(path))
        recent_->remove(path);
}

void MainMenu::showGuide()
{
    if (auto *open = window_.findChild<QDialog *>(QStringLiteral("frmGuide"))) {
        open->raise();
        open->activateWindow();
        return;
    }
    QFile guide(guideResource());
    if (!guide.open(QIODevice::ReadOnly)) {
        dialogs_.message(tr("The guide is missing from this build of NorvikConf."), platform::Dialogs::Icon::Stop);
        return;
    }
    auto *viewer = new QDialog(&window_);
    viewer->setObjectName(QStringLiteral("frmGuide"));
    viewer->setWindowTitle(tr("NorvikConf Guide"));
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    auto *browser = new QTextBrowser(viewer);
    browser->setObjectName(QStringLiteral("txtGuide"));
    browser->setAccessibleName(tr("Guide"));
    browser->setOpenExternalLinks(true);
    browser->setMarkdown(QString::fromUtf8(guide.readAll()));
    auto *buttons = new QVBoxLayout(viewer);
    buttons->addWidget(browser);
    viewer->resize(760, 620);
    viewer->show();
}

void MainMenu::showAbout()
{
    dialogs_.message(tr("NorvikConf %1\n\nConfigures GSM gate and intercom controller units over a serial "
                        "cable: settings, upload, read-back, files and output tests.")
                         .arg(QStringLiteral(NORVIKCONF_VERSION)),
                     platform::Dialogs::Icon::Information, tr("About NorvikConf"));
}

} // namespace mainwindow
