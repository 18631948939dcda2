#pragma once
#include "app/startoptions.h"
#include "mainwindow/frmmain.h"
#include "platform/portcatalogue.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

class QSettings;
class QWidget;

namespace platform {
class Dialogs;
class SerialPort;
class Timer;
} // namespace platform

namespace app {

class FrmSelect;

// What the windows reach the outside world through.
struct Launch {
    platform::PortCatalogue *catalogue = nullptr;
    platform::SerialPort *port = nullptr;
    platform::Dialogs *selectDialogs = nullptr;
    platform::Dialogs *mainDialogs = nullptr;
    std::function<std::unique_ptr<platform::Timer>()> makeTimer;
    QString stateFolder;           // crash copies
    QSettings *settings = nullptr; // what is remembered between starts (null: nothing)
    // Told of the main window once it is made, before its port opens (the simulated unit
    // answers as the model chosen; dialogs are modal to the window).
    std::function<void(const QString &model, QWidget &main)> mainCreated;
};

// Starts the windows as the command line asks: the selection window (with the port and the
// model of the last start chosen when they are still there), or, with a model and a port
// given, the main window at once; a file given is opened once the main window is ready.
// Remembers the model, the port and the main window's size for the next start.
class Launcher : public QObject {
    Q_OBJECT
public:
    Launcher(Launch launch, StartOptions options, QObject *parent = nullptr);
    ~Launcher() override;

    // False, with `error` set, when the port given is not in the list, is no device path and
    // is not "sim" (the simulated unit).
    bool start(QString *error);

    FrmSelect *selectWindow() const { return select_.get(); }
    mainwindow::FrmMain *mainWindow() const { return static_cast<mainwindow::FrmMain *>(main_.data()); }

    // The port of the list that the last start chose, when it is still listed.
    static std::optional<int> rememberedPort(const QSettings &settings, const QList<platform::PortEntry> &entries);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    mainwindow::FrmMain *createMain(const mainwindow::Choice &choice);
    std::optional<platform::PortEntry> givenPort(QString *error) const;
    void rememberPort(const platform::PortEntry &port);

    Launch launch_;
    StartOptions options_;
    std::unique_ptr<FrmSelect> select_;
    QPointer<QObject> main_; // not the window's own type: it is also seen while being destroyed
};

} // namespace app
