#pragma once
#include "link/unitlink.h"
#include "mainwindow/progressbar.h"
#include "platform/dialogs.h"
#include "platform/portcatalogue.h"

#include <QWidget>
#include <functional>
#include <memory>

class QGroupBox;
class QLabel;
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
namespace transfer {
class Download;
class DumpReader;
class UploadJob;
struct UploadOutcome;
} // namespace transfer
namespace unitlink {
class OutputTester;
}

namespace mainwindow {

class Document;
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
// It connects the controls to the link and the settings code, turns what the link and the
// upload report into log lines, colours, progress and messages, and holds no settings itself.
class FrmMain : public QWidget {
    Q_OBJECT
public:
    // Loading the window builds its pages and the tabs listed in the choice.
    FrmMain(const Platform &platform, const Choice &choice, QWidget *parent = nullptr);
    ~FrmMain() override;

    // Fills the network list, lays out the number grid for the model and opens the port
    // chosen at start-up. Called once, after the window is shown.
    void runit();
    // Opens `entry` in place of the current port, and offers to resume an upload the
    // port's loss cut off. False (with the open error shown) when it would not open.
    bool openPort(const platform::PortEntry &entry);

    settings::SystemParametersPage *frame0() const { return frame0_; }
    settings::NumberManagementPage *frame1() const { return frame1_; }
    OutputTestPage *frame3() const { return frame3_; }
    QGroupBox *frame4() const { return frame4_; }
    QWidget *page(int index) const;
    QGroupBox *frmsys() const;
    QGroupBox *frmRing() const;
    QGroupBox *frminput() const;
    QTabBar *tabStrip() const { return tabStrip_; }
    QProgressBar *pbar() const { return pbar_; }
    LogBox *txtLog() const { return txtLog_; }
    settings::SettingsEditors &editors() const { return *editors_; }
    unitlink::UnitLink &link() const { return *link_; }
    unitlink::OutputTester &outputTester() const { return *outputTester_; }
    transfer::Download &download() const { return *download_; }
    int current_tab() const { return current_tab_; }
    Document &document() const { return *document_; }
    MainMenu &menu() const { return *menu_; }
    SitesMenu &sites() const { return *sites_; }

signals:
    // `entry` is open now (at start or with OPEN PORT).
    void portOpened(const platform::PortEntry &entry);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void appendLog(const QString &text);
    void clearLog();
    // Shown once the handler that calls it has returned, so the link keeps reading meanwhile.
    void tell(const QString &text, platform::Dialogs::Icon icon = platform::Dialogs::Icon::Stop,
              const QString &title = QString());
    void connectLink();
    void onUploadFinished(const transfer::UploadOutcome &outcome);

    void buildTabs();
    void selectTab(int index);
    // An edit still open in the number grid is written back before anything reads the grid.
    void commitOpenEdit();
    void cmdUpload_Click();
    void cmdOpenPort_Click();
    void onPortLost();
    void onCatalogueChanged();
    void showPort();
    // While a transfer runs only Stop starts anything; output tests would cut across it.
    void updateLineBusy();
    void cmdStop_Click();
    // The compare view; `unitAgainstWindow` opens it on the unit as last read and the window.
    void openCompare(bool unitAgainstWindow);

    Platform platform_;
    Choice choice_;
    bool portLost_ = false; // the port went away while in use: reopen it when it returns
    platform::PortList *portList_ = nullptr;
    QLabel *lblPortState_ = nullptr;
    QLabel *lblSimulated_ = nullptr;
    settings::SystemParametersPage *frame0_ = nullptr;
    settings::NumberManagementPage *frame1_ = nullptr;
    OutputTestPage *frame3_ = nullptr;
    QGroupBox *frame4_ = nullptr;
    LogBox *txtLog_ = nullptr;
    QTabBar *tabStrip_ = nullptr;
    ProgressBar *pbar_ = nullptr;
    QPushButton *cmdLoad_ = nullptr;
    QPushButton *cmdSave_ = nullptr;
    QPushButton *cmdDownload_ = nullptr;
    QPushButton *cmdUpload_ = nullptr;
    QPushButton *cmdStop_ = nullptr;
    std::unique_ptr<settings::SettingsEditors> editors_;
    std::unique_ptr<platform::Timer> tmrCheckGSM_;
    std::unique_ptr<platform::Timer> tmrOut_;
    std::unique_ptr<platform::Timer> tmrNoAnswer_;
    std::unique_ptr<platform::Timer> tmrReply_;
    std::unique_ptr<unitlink::UnitLink> link_;
    std::unique_ptr<unitlink::OutputTester> outputTester_;
    std::unique_ptr<transfer::DumpReader> dumpReader_;
    std::unique_ptr<transfer::Download> download_;
    std::unique_ptr<transfer::UploadJob> uploadJob_;
    std::unique_ptr<Document> document_;
    MainMenu *menu_ = nullptr;
    SitesMenu *sites_ = nullptr;
    int current_tab_ = 0;
};

} // namespace mainwindow
