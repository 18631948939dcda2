#pragma once
#include <QWidget>
#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QPushButton;

namespace mainwindow {
class FrmMain;
struct Choice;
} // namespace mainwindow
namespace platform {
class Dialogs;
class PortCatalogue;
class PortList;
struct PortEntry;
} // namespace platform

namespace app {

// The start-up window: lists the catalogue's serial ports, following devices as they come
// and go, and takes the model. Listing opens no port.
class FrmSelect : public QWidget {
    Q_OBJECT
public:
    using MainFactory = std::function<mainwindow::FrmMain *(const mainwindow::Choice &)>;
    // Called once the main window is shown and prepared, and this window closed.
    using MainStarted = std::function<void(mainwindow::FrmMain &)>;

    FrmSelect(const platform::PortCatalogue &catalogue, platform::Dialogs &dialogs, MainFactory createMain,
              QWidget *parent = nullptr);

    void gateClicked();     // "GSM GATE"
    void intercomClicked(); // "GSM INTERCOM"

    void setMainStarted(MainStarted started) { started_ = std::move(started); }
    // Chooses `port` in the list (when listed) and puts the focus on the model's button.
    void preselect(std::optional<int> port, const QString &model);
    // What a model button does, with the port given rather than chosen in the list.
    void startMain(const QString &model, const platform::PortEntry &port);

    QComboBox *cmbcomm() const { return cmbcomm_; }
    QLabel *portInfo() const { return portInfo_; }
    // The main window made by the last successful choice, if any.
    mainwindow::FrmMain *mainWindow() const { return main_; }

    static QString versionText();

private:
    std::optional<platform::PortEntry> chosenPort();

    platform::PortList *portList_ = nullptr;
    platform::Dialogs &dialogs_;
    MainFactory createMain_;
    MainStarted started_;
    QPushButton *gateButton_ = nullptr;
    QPushButton *intercomButton_ = nullptr;
    QComboBox *cmbcomm_ = nullptr;
    QLabel *portInfo_ = nullptr;
    mainwindow::FrmMain *main_ = nullptr;
};

} // namespace app
