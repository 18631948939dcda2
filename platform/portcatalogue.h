#pragma once
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

namespace platform {

class DeviceMonitor;

// Port numbers as the selection window offers them.
inline constexpr int kFirstPortNumber = 1;
inline constexpr int kLastPortNumber = 29;
// How the built-in simulated unit is described in the catalogue.
inline const QString kSimulatedUnit = QStringLiteral("Simulated unit");

// A serial device as the system reports it.
struct SerialDevice {
    QString path;         // /dev/ttyUSB0
    QString description;  // "FT232R USB UART"
    QString manufacturer; // "FTDI"
    QString serialNumber;
    QString byId; // name under /dev/serial/by-id, stable across replugging
};

struct PortEntry {
    int number = 0;
    QString path;  // what is opened; empty while a simulated unit is not running
    QString label; // what a technician recognises: path, adapter, maker, serial number
    bool connected = false;
    bool simulated = false;
    QString byId;
    bool operator==(const PortEntry &) const = default;
};

// Numbers the serial devices once per run. The first listing numbers the system's devices
// in natural order of their names (ttyS2 before ttyS10), then each path of
// NORVIKCONF_PORTS, then the built-in simulated unit. A device that appears later gets the
// next number never given; a device that goes away keeps its number and is shown as not
// connected, and gets it back when it returns. Lookups read the stored list: the system is
// listed only by refresh().
class PortCatalogue : public QObject {
    Q_OBJECT
public:
    using Lister = std::function<QList<SerialDevice>()>;

    // `systemDevices` lists the machine's serial devices (called once per listing);
    // `envPorts` is ":"-separated extra paths; `simulatedPath` gives the built-in simulated
    // unit's path, or an empty text while it does not run (null: there is none).
    PortCatalogue(Lister systemDevices, const QString &envPorts, std::function<QString()> simulatedPath,
                  QObject *parent = nullptr);

    // The catalogue of this machine: its serial devices and NORVIKCONF_PORTS.
    static Lister systemLister();
    // Starts `lister` on another thread now, so the first listing overlaps the rest of
    // start-up; the lister returned hands that result to its first caller and lists afresh
    // after that.
    static Lister listingAhead(Lister lister);
    static QString envPorts();

    QList<PortEntry> entries() const;
    std::optional<PortEntry> find(int number) const;

    // Lists the devices again; emits changed() when anything differs.
    void refresh();
    // Lists again whenever `monitor` reports devices coming or going.
    void follow(const DeviceMonitor &monitor);

signals:
    void changed();

private:
    enum class Source { System,
                        Environment,
                        Simulated };
    struct Slot {
        PortEntry entry;
        Source source;
        QString detail; // what follows the path in the label
    };
    void apply(QList<SerialDevice> devices, const QString &simulatedPath);
    void add(Source source, const QString &path);
    static void relabel(Slot &slot);

    Lister lister_;
    std::function<QString()> simulatedPath_;
    QStringList envPaths_;
    QList<Slot> ports_;
    bool listed_ = false;
};

} // namespace platform
