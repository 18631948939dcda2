#pragma once
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <functional>

namespace cli {

// --port as a device path ("" for the simulated unit); false with `error` set when there is
// no such port.
using PortChooser = std::function<bool(const QString &text, QString *device, QString *error)>;

// `diff LEFT RIGHT`: each side a settings file or "unit" (read through --port and --model).
// Prints one row per difference (or --json) and returns 0 when the sides are the same, 6 when
// they differ, or the exit code of what went wrong.
int run_diff(const QCommandLineParser &parser, const QStringList &args, const PortChooser &choosePort);

} // namespace cli
