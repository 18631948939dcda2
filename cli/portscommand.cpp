// ports: the port numbers with their devices, as the selection window numbers them.
#include "cli/commands.h"
#include "cli/unitcommand.h"

#include <QJsonArray>
#include <QTextStream>

namespace cli {

int runPorts(const Request &request, Reporter &)
{
    const QList<platform::PortEntry> entries = port_catalogue().entries();
    QJsonArray array;
    QTextStream out(stdout);
    for (const platform::PortEntry &e : entries) {
        // The label names the device as the selection window shows it, path included.
        const QString device = e.simulated ? QStringLiteral("sim") : e.path;
        const QString label = e.simulated ? platform::kSimulatedUnit : e.label;
        array.append(QJsonObject{{QStringLiteral("number"), e.number},
                                 {QStringLiteral("device"), device},
                                 {QStringLiteral("label"), label},
                                 {QStringLiteral("connected"), e.connected || e.simulated}});
        if (!request.json)
            out << e.number << '\t' << (e.simulated ? QStringLiteral("sim\t") + label : label) << '\n';
    }
    if (request.json)
        printJson(QJsonObject{{QStringLiteral("command"), QStringLiteral("ports")}, {QStringLiteral("ports"), array}});
    return kDone;
}

} // namespace cli
