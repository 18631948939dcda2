#pragma once
#include <QWidget>
#include <functional>

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
} // namespace platform

namespace app {

// The start-up window: lists the catalogue's serial ports, following devices as they come
// and go, and takes the model. Listing opens no port.
class FrmSelect : public QWidget {
    Q_OBJECT
public:
    using MainFactory = std::function<mainwindow::FrmMain *(const mainwindow::Choice &)>;

    FrmSelect(const platform::PortCatalogue &catalogue, platform::Dialogs &dialogs, MainFactory createMain,
              QWidget *parent = nullptr);

    void Command1_Click(); // "GSM GATE"
    void Command3_Click(); // "GSM INTERCOM"

    QComboBox *cmbcomm() const { return cmbcomm_; }
    QLabel *portInfo() const { return portInfo_; }
    // The main window made by the last successful choice, if any.
    mainwindow::FrmMain *mainWindow() const { return main_; }

    static QString versionText();

private:
    bool takeChoice(const QString &model, QVector<qint16> tabs);

    platform::PortList *portList_ = nullptr;
    platform::Dialogs &dialogs_;
    MainFactory createMain_;
    QComboBox *cmbcomm_ = nullptr;
    QLabel *portInfo_ = nullptr;
    mainwindow::FrmMain *main_ = nullptr;
};

} // namespace app
