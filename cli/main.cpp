// norvikconf-cli: upload, read back, verify and test outputs from a terminal or a script,
// with the same session, file format and messages as the windows.
#include "cli/commands.h"
#include "cli/report.h"
#include "cli/request.h"
#include "cli/sitecommand.h"
#include "cli/unitcommand.h"
#include "platform/translations.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>

#ifndef NORVIKCONF_VERSION
#define NORVIKCONF_VERSION "0.0.0"
#endif

int main(int argc, char *argv[])
{
    // A command with its own options and application object (the access list needs fonts).
    if (argc > 1)
        if (const cli::Command *own = cli::findCommand(QString::fromLocal8Bit(argv[1])); own && own->runOwn)
            return own->runOwn(argc, argv);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("norvikconf-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(NORVIKCONF_VERSION));
    platform::installTranslations();

    // "sync --site NAME": the register's sync, with the register's options.
    if (cli::is_site_command(app.arguments()))
        return cli::run_site_command(app.arguments());
    const cli::Parsed parsed = cli::Arguments::parse(app.arguments());
    switch (parsed.kind) {
    case cli::Parsed::Kind::Help: QTextStream(stdout) << parsed.text; return cli::kDone;
    case cli::Parsed::Kind::Version:
        QTextStream(stdout) << app.applicationName() << ' ' << app.applicationVersion() << '\n';
        return cli::kDone;
    case cli::Parsed::Kind::Usage: {
        QTextStream(stderr) << "norvikconf-cli: " << parsed.text << '\n'
                            << QCoreApplication::translate("cli", "Try 'norvikconf-cli --help'.") << '\n';
        // A script that asked for JSON gets it, whatever went wrong.
        if (parsed.json)
            cli::printJson(QJsonObject{{QStringLiteral("exitCode"), cli::kUsage}, {QStringLiteral("message"), parsed.text}});
        return cli::kUsage;
    }
    case cli::Parsed::Kind::Run: break;
    }
    const cli::Request &request = parsed.request;
    cli::Reporter report(request.quiet, ::isatty(STDERR_FILENO) == 1);
    return cli::findCommand(request.command)->run(request, report);
}
