#include "platform/portcatalogue.h"

#include "platform/devicemonitor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>
#include <QtGlobal>
#include <algorithm>
#include <future>
#include <memory>

namespace platform {

namespace {
const QString kByIdDir = QStringLiteral("/dev/serial/by-id");

bool naturalLess(const QString &a, const QString &b)
{
    // Runs of digits compare by value, so ttyS2 comes before ttyS10.
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            const qsizetype si = i, sj = j;
            while (i < a.size() && a[i].isDigit())
                ++i;
            while (j < b.size() && b[j].isDigit())
                ++j;
            const qulonglong va = a.mid(si, i - si).toULongLong(), vb = b.mid(sj, j - sj).toULongLong();
            if (va != vb)
                return va < vb;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j];
        ++i;
        ++j;
    }
    return i == a.size() && j < b.size();
}
} // namespace

PortCatalogue::PortCatalogue(Lister systemDevices, const QString &envPorts, std::function<QString()> simulatedPath,
                             QObject *parent)
    : QObject(parent), lister_(std::move(systemDevices)), simulatedPath_(std::move(simulatedPath)),
      envPaths_(envPorts.split(QLatin1Char(':'), Qt::SkipEmptyParts))
{
    envPaths_.removeDuplicates();
    refresh();
}

PortCatalogue::Lister PortCatalogue::systemLister()
{
    return [] {
        // udev's by-id links name an adapter by maker, model and serial number.
        QHash<QString, QString> byId;
        const QFileInfoList links =
            QDir(kByIdDir).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        for (const QFileInfo &link : links)
            byId.insert(link.canonicalFilePath(), link.fileName());
        QList<SerialDevice> out;
        for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
            out.append({info.systemLocation(), info.description(), info.manufacturer(), info.serialNumber(),
                        byId.value(info.systemLocation())});
        return out;
    };
}

PortCatalogue::Lister PortCatalogue::listingAhead(Lister lister)
{
    auto first = std::make_shared<std::future<QList<SerialDevice>>>(std::async(std::launch::async, lister));
    return [first, lister] {
        if (first->valid())
            return first->get();
        return lister();
    };
}

QString PortCatalogue::envPorts() { return qEnvironmentVariable("NORVIKCONF_PORTS"); }

QList<PortEntry> PortCatalogue::entries() const
{
    QList<PortEntry> out;
    out.reserve(ports_.size());
    for (const Slot &s : ports_)
        out.append(s.entry);
    return out;
}

std::optional<PortEntry> PortCatalogue::find(int number) const
{
    for (const Slot &s : ports_)
        if (s.entry.number == number)
            return s.entry;
    return std::nullopt;
}

void PortCatalogue::refresh()
{
    const QList<PortEntry> before = entries();
    apply(lister_ ? lister_() : QList<SerialDevice>{}, simulatedPath_ ? simulatedPath_() : QString());
    if (entries() != before)
        emit changed();
}

void PortCatalogue::follow(const DeviceMonitor &monitor)
{
    connect(&monitor, &DeviceMonitor::devicesChanged, this, &PortCatalogue::refresh);
}

void PortCatalogue::add(Source source, const QString &path)
{
    const int number = ports_.isEmpty() ? kFirstPortNumber : ports_.last().entry.number + 1;
    Slot slot{{number, path, QString(), false, source == Source::Simulated, QString()}, source, QString()};
    ports_.append(slot);
}

void PortCatalogue::apply(QList<SerialDevice> devices, const QString &simulatedPath)
{
    std::stable_sort(devices.begin(), devices.end(),
                     [](const SerialDevice &x, const SerialDevice &y) { return naturalLess(x.path, y.path); });
    for (Slot &s : ports_)
        if (s.source == Source::System)
            s.entry.connected = false;
    for (const SerialDevice &d : std::as_const(devices)) {
        if (envPaths_.contains(d.path))
            continue; // listed once, where the operator asked for it
        // A returning adapter is recognised by its by-id name even under another path.
        auto free = [](const Slot &s) { return s.source == Source::System && !s.entry.connected; };
        auto it = d.byId.isEmpty() ? ports_.end() : std::find_if(ports_.begin(), ports_.end(), [&](const Slot &s) {
            return free(s) && s.entry.byId == d.byId;
        });
        if (it == ports_.end())
            it = std::find_if(ports_.begin(), ports_.end(),
                              [&](const Slot &s) { return free(s) && s.entry.path == d.path; });
        if (it == ports_.end()) {
            add(Source::System, d.path);
            it = ports_.end() - 1;
        }
        QStringList detail;
        for (const QString &part : {d.description, d.manufacturer})
            if (!part.isEmpty())
                detail << part;
        if (!d.serialNumber.isEmpty())
            detail << QCoreApplication::translate("platform", "serial number ") + d.serialNumber;
        if (detail.isEmpty() && !d.byId.isEmpty())
            detail << d.byId;
        it->entry.path = d.path;
        it->entry.byId = d.byId;
        it->entry.connected = true;
        it->detail = detail.join(QStringLiteral(", "));
    }
    if (!listed_) {
        for (const QString &path : std::as_const(envPaths_))
            add(Source::Environment, path);
        if (simulatedPath_)
            add(Source::Simulated, QString());
        listed_ = true;
    }
    for (Slot &s : ports_) {
        if (s.source == Source::Environment)
            s.entry.connected = QFileInfo::exists(s.entry.path);
        if (s.source == Source::Simulated) {
            // A restarted simulated unit gets a new pseudo-terminal; its number stays.
            if (!simulatedPath.isEmpty())
                s.entry.path = simulatedPath;
            s.entry.connected = !simulatedPath.isEmpty();
        }
        relabel(s);
    }
}

void PortCatalogue::relabel(Slot &s)
{
    PortEntry &e = s.entry;
    switch (s.source) {
    case Source::Simulated:
        e.label = kSimulatedUnit + (e.connected ? QStringLiteral(" (%1)").arg(e.path) : QCoreApplication::translate("platform", " (not running)"));
        return;
    case Source::Environment:
        e.label = e.path + QCoreApplication::translate("platform", " (from NORVIKCONF_PORTS)");
        break;
    case Source::System:
        e.label = e.path + (s.detail.isEmpty() ? QString() : QStringLiteral(" - ") + s.detail);
        break;
    }
    if (!e.connected)
        e.label += QCoreApplication::translate("platform", " (not connected)");
}

} // namespace platform
