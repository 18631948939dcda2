#include "platform/portcatalogue.h"

#include <QSerialPortInfo>
#include <QtGlobal>
#include <algorithm>

namespace platform {

std::optional<PortEntry> PortCatalogue::find(int number) const
{
    for (const PortEntry &e : entries())
        if (e.number == number)
            return e;
    return std::nullopt;
}

SystemPortCatalogue::SystemPortCatalogue(std::function<QString()> simulatedDevice)
    : simulatedDevice_(std::move(simulatedDevice))
{
}

QList<PortEntry> SystemPortCatalogue::number(const QList<PortEntry> &systemDevices, const QString &envPorts,
                                             const QString &simulatedDevice)
{
    QList<PortEntry> sorted = systemDevices;
    std::sort(sorted.begin(), sorted.end(),
              [](const PortEntry &a, const PortEntry &b) { return a.device < b.device; });
    QList<PortEntry> out;
    auto add = [&out](PortEntry e) {
        e.number = int(out.size()) + 1;
        out.append(e);
    };
    for (const PortEntry &e : sorted)
        add(e);
    for (const QString &path : envPorts.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        add({0, path, QStringLiteral("from NORVIKCONF_PORTS")});
    if (!simulatedDevice.isEmpty())
        add({0, simulatedDevice, kSimulatedUnit});
    return out;
}

QList<PortEntry> SystemPortCatalogue::entries() const
{
    QList<PortEntry> system;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        QString description = info.description();
        if (!info.manufacturer().isEmpty())
            description += (description.isEmpty() ? QString() : QStringLiteral(", ")) + info.manufacturer();
        system.append({0, info.systemLocation(), description});
    }
    return number(system, qEnvironmentVariable("NORVIKCONF_PORTS"),
                  simulatedDevice_ ? simulatedDevice_() : QString());
}

} // namespace platform
