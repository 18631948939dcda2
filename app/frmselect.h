#pragma once
#include <QWidget>
#include <functional>

class QComboBox;
class QLabel;
class QPushButton;

namespace mainwindow {
class FrmMain;
}
namespace platform {
class Dialogs;
class PortCatalogue;
class SerialPort;
} // namespace platform

namespace app {

// The start-up window: lists the serial ports that exist and takes the model.
class FrmSelect : public QWidget {
    Q_OBJECT
public:
    using MainFactory = std::function<mainwindow::FrmMain *()>;

    // Loading probes the ports 1 to 29 on `probePort`.
    FrmSelect(platform::SerialPort &probePort, const platform::PortCatalogue &catalogue, platform::Dialogs &dialogs,
              MainFactory createMain, QWidget *parent = nullptr);

    void Command1_Click(); // "GSM GATE"
    void Command3_Click(); // "GSM INTERCOM"

    QComboBox *cmbcomm() const { return cmbcomm_; }
    QLabel *portInfo() const { return portInfo_; }
    // The main window made by the last successful choice, if any.
    mainwindow::FrmMain *mainWindow() const { return main_; }

    static QString versionText();

private:
    void probePorts();
    void showPortInfo();
    bool takeChoice(const QString &model, QVector<qint16> tabs);

    platform::SerialPort &probe_;
    const platform::PortCatalogue &catalogue_;
    platform::Dialogs &dialogs_;
    MainFactory createMain_;
    QComboBox *cmbcomm_ = nullptr;
    QLabel *portInfo_ = nullptr;
    mainwindow::FrmMain *main_ = nullptr;
};

} // namespace app
