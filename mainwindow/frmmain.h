#pragma once
#include "mainwindow/progressbar.h"
#include "platform/dialogs.h"
#include "platform/portcatalogue.h"

#include <QWidget>
#include <functional>
#include <memory>

class QGroupBox;
class QLabel;
class QLayout;
class QPushButton;
class QSettings;
class QTabBar;

namespace platform {
class Dialogs;
class PortList;
class SerialPort;
class Timer;
} // namespace platform
namespace settings {
class NumberManagementPage;
class SettingsEditors;
class SystemParametersPage;
} // namespace settings
namespace session {
class UnitSession;
struct PortLoss;
} // namespace session
namespace transfer {
struct UploadOutcome;
}

namespace mainwindow {

class Document;
class Download;
class LogBox;
class MainMenu;
class OutputTestPage;
class SitesMenu;

// What the main window reaches the outside world through.
struct Platform {
    platform::SerialPort *port = nullptr;
    platform::Dialogs *dialogs = nullptr;
    std::function<std::unique_ptr<platform::Timer>()> makeTimer;
    platform::PortCatalogue *catalogue = nullptr; // the ports the operator may switch to
    QString stateFolder;                          // crash copies (empty: none are kept)
    QSettings *settings = nullptr;                // the recent files (null: for this run only)
};

// What the operator chose on the selection window, handed over once.
struct Choice {
    QString unitModel;         // settings::kGate or settings::kIntercom
    QVector<qint16> tabFrames; // element k (k >= 1) is the page shown as tab k; element 0 unused
    platform::PortEntry port;  // the device the list showed for the chosen number
};

// The main window: the settings pages, the tabs, the link log and the transfer buttons.
// It connects the controls to the unit session and the settings code, presents what the
// session reports as log lines, colours, progress and messages, and holds no settings itself.
class FrmMain : public QWidget {
    Q_OBJECT
public:
    // Loading the window builds its pages and the tabs listed in the choice.
    FrmMain(const Platform &platform, const Choice &choice, QWidget *parent = nullptr);
    ~FrmMain() override;

    // Fills the network list, lays out the number grid for the model and opens the port
    // chosen at start-up. Called once, after the window is shown.
    void start();
    // Opens `entry` in place of the current port, and offers to resume an upload the
    // port's loss cut off. False (with the open error shown) when it would not open.
    bool openPort(const platform::PortEntry &entry);

    settings::SystemParametersPage *systemPage() const { return systemPage_; }
    settings::NumberManagementPage *numberPage() const { return numberPage_; }
    OutputTestPage *outputPage() const { return outputPage_; }
    QGroupBox *logFrame() const { return logFrame_; }
    QWidget *page(int index) const;
    QGroupBox *frmsys() const;
    QGroupBox *frmRing() const;
    QGroupBox *frminput() const;
    QTabBar *tabStrip() const { return tabStrip_; }
    QProgressBar *progressBar() const { return progressBar_; }
    LogBox *logBox() const { return logBox_; }
    settings::SettingsEditors &editors() const { return *editors_; }
    session::UnitSession &session() const { return *session_; }
    Download &download() const { return *download_; }
    int currentTab() const { return currentTab_; }
    Document &document() const { return *document_; }
    MainMenu &menu() const { return *menu_; }
    SitesMenu &sites() const { return *sites_; }

signals:
    // `entry` is open now (at start or with OPEN PORT).
    void portOpened(const platform::PortEntry &entry);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    QLayout *buildPortRow();
    void connectSession();
    void appendLog(const QString &text);
    void clearLog();
    // Shown once the handler that calls it has returned, so the link keeps reading meanwhile.
    void tell(const QString &text, platform::Dialogs::Icon icon = platform::Dialogs::Icon::Stop,
              const QString &title = QString());
    void onUploadDone(const transfer::UploadOutcome &outcome);
    void onPortLost(const session::PortLoss &loss);

    void buildTabs();
    void selectTab(int index);
    // An edit still open in the number grid is written back before anything reads the grid.
    void commitOpenEdit();
    void uploadClicked();
    void openPortClicked();
    void stopClicked();
    void onCatalogueChanged();
    void showPort();
    // While a transfer runs only Stop starts anything.
    void updateLineBusy();
    // The compare view; `unitAgainstWindow` opens it on the unit as last read and the window.
    void openCompare(bool unitAgainstWindow);

    Platform platform_;
    Choice choice_;
    bool portLost_ = false; // the port went away while in use: reopen it when it returns
    platform::PortList *portList_ = nullptr;
    QLabel *portState_ = nullptr;
    QLabel *simulatedBanner_ = nullptr;
    settings::SystemParametersPage *systemPage_ = nullptr;
    settings::NumberManagementPage *numberPage_ = nullptr;
    OutputTestPage *outputPage_ = nullptr;
    QGroupBox *logFrame_ = nullptr;
    LogBox *logBox_ = nullptr;
    QTabBar *tabStrip_ = nullptr;
    ProgressBar *progressBar_ = nullptr;
    QPushButton *loadButton_ = nullptr;
    QPushButton *saveButton_ = nullptr;
    QPushButton *readButton_ = nullptr;
    QPushButton *uploadButton_ = nullptr;
    QPushButton *stopButton_ = nullptr;
    QPushButton *openPortButton_ = nullptr;
    std::unique_ptr<settings::SettingsEditors> editors_;
    std::unique_ptr<session::UnitSession> session_;
    std::unique_ptr<Download> download_;
    std::unique_ptr<Document> document_;
    MainMenu *menu_ = nullptr;
    SitesMenu *sites_ = nullptr;
    int currentTab_ = 0;
};

} // namespace mainwindow
