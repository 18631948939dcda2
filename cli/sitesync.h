#pragma once
#include <QStringList>

class QCommandLineParser;

namespace cli {

class Reporter;

// "sync --site NAME --port P": reads the unit, sends the shortest safe plan of the site's
// settings, verifies, and records the read, the upload and the verification in the register.
int sync_site(const QCommandLineParser &parser, const QStringList &args, bool json, Reporter &report);

} // namespace cli
