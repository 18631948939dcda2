#pragma once
#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace platform {

// Port numbers as the selection window offers them.
inline constexpr int kFirstPortNumber = 1;
inline constexpr int kLastPortNumber = 29;
// How the built-in simulated unit is described in the catalogue.
inline const QString kSimulatedUnit = QStringLiteral("Simulated unit");

struct PortEntry {
    int number = 0;
    QString device;      // path to open, e.g. /dev/ttyUSB0 or /dev/pts/3
    QString description; // what a technician recognises: adapter name, "Simulated unit", ...
};

// Turns port numbers into devices.
class PortCatalogue {
public:
    virtual ~PortCatalogue() = default;
    // Every numbered device, ascending by number (numbers above kLastPortNumber may exist
    // but are never offered).
    virtual QList<PortEntry> entries() const = 0;
    std::optional<PortEntry> find(int number) const;
};

// Numbers the system's serial devices (sorted by device name), then each path of the
// NORVIKCONF_PORTS environment variable (":"-separated), then the built-in simulated unit.
class SystemPortCatalogue : public PortCatalogue {
public:
    // `simulatedDevice` yields the device path of the built-in simulated unit, or an
    // empty text when there is none.
    explicit SystemPortCatalogue(std::function<QString()> simulatedDevice = {});
    QList<PortEntry> entries() const override;

    // The pieces the numbering is made of, kept apart so the order can be tested.
    static QList<PortEntry> number(const QList<PortEntry> &systemDevices, const QString &envPorts,
                                   const QString &simulatedDevice);

private:
    std::function<QString()> simulatedDevice_;
};

// A catalogue with a fixed list, for tests and for the standalone simulator.
class FixedPortCatalogue : public PortCatalogue {
public:
    explicit FixedPortCatalogue(QList<PortEntry> entries) : entries_(std::move(entries)) {}
    QList<PortEntry> entries() const override { return entries_; }
    void setEntries(QList<PortEntry> entries) { entries_ = std::move(entries); }

private:
    QList<PortEntry> entries_;
};

} // namespace platform
