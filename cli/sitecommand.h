#pragma once
#include <QStringList>

namespace cli {

// The register's commands: "site add|list|show|history|export|label|pull|push" and
// "sync --site NAME". True when `arguments` (the program's, name first) ask for one of them.
bool is_site_command(const QStringList &arguments);
// Runs it and returns the exit code; output on stdout (text or --json), messages on stderr.
int run_site_command(const QStringList &arguments);

} // namespace cli
