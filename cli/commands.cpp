#include "cli/commands.h"

#include "cli/reportcommand.h"
#include "cli/sitecommand.h"

#include <QCoreApplication>

namespace cli {

namespace {
const QStringList kUnitOptions{QStringLiteral("port"), QStringLiteral("password"), QStringLiteral("password-file"),
                               QStringLiteral("timeout")};
} // namespace

const QList<Command> &commands()
{
    static const QList<Command> table{
        {QStringLiteral("ports"), QStringLiteral("ports"), Commands::tr("list port numbers with their devices"), {}, {kDone, kUsage}, 0, false, false, &runPorts},
        {QStringLiteral("upload"), QStringLiteral("upload FILE --port P --model M"), Commands::tr("send the settings of FILE to the unit (--since BASE: the unit holds BASE, send only what changed when "
                                                                                                  "that is safe)"),
         kUnitOptions + QStringList{QStringLiteral("model"), QStringLiteral("verify"), QStringLiteral("system-parameters"), QStringLiteral("no-numbers"), QStringLiteral("since"), QStringLiteral("dry-run"), QStringLiteral("only"), QStringLiteral("force")},
         {kDone, kUsage, kPortFailed, kWrongPassword, kRefused, kNoAnswer, kDifferences, kBadFile, kWrongUnit, kInterrupted},
         1,
         true,
         true,
         &runUpload},
        {QStringLiteral("sync"), QStringLiteral("sync FILE --port P --model M"), Commands::tr("read the unit, send only what changed when that is safe, and verify (sync --site NAME --port P: "
                                                                                              "the site's settings, recorded in the register)"),
         kUnitOptions + QStringList{QStringLiteral("model"), QStringLiteral("system-parameters"), QStringLiteral("no-numbers"), QStringLiteral("dry-run"), QStringLiteral("only"), QStringLiteral("force")},
         {kDone, kUsage, kPortFailed, kWrongPassword, kRefused, kNoAnswer, kDifferences, kBadFile, kWrongUnit, kRegister, kInterrupted},
         1,
         true,
         true,
         &runUpload},
        {QStringLiteral("download"), QStringLiteral("download FILE --port P --model M"), Commands::tr("read the unit's settings into a new FILE (--force replaces an existing one)"), kUnitOptions + QStringList{QStringLiteral("model"), QStringLiteral("force")}, {kDone, kUsage, kPortFailed, kWrongPassword, kNoAnswer, kBadFile, kInterrupted}, 1, true, true, &runDownload},
        {QStringLiteral("verify"), QStringLiteral("verify FILE --port P --model M"), Commands::tr("compare the unit's settings with FILE"), kUnitOptions + QStringList{QStringLiteral("model"), QStringLiteral("system-parameters"), QStringLiteral("no-numbers")}, {kDone, kUsage, kPortFailed, kWrongPassword, kNoAnswer, kDifferences, kBadFile, kInterrupted}, 1, true, true, &runVerify},
        {QStringLiteral("output"), QStringLiteral("output N on|off --port P"), Commands::tr("switch output N (1 to 4) for a test"), kUnitOptions + QStringList{QStringLiteral("model")}, {kDone, kUsage, kPortFailed, kWrongPassword, kRefused, kNoAnswer, kInterrupted}, 2, true, false, &runOutput},
        {QStringLiteral("diff"), QStringLiteral("diff LEFT RIGHT --model M"), Commands::tr("list what differs; each side a settings file or \"unit\" (read through --port)"), kUnitOptions + QStringList{QStringLiteral("model")}, {kDone, kUsage, kPortFailed, kWrongPassword, kNoAnswer, kDifferences, kBadFile, kInterrupted}, 2, false, true, &runDiff},
        {QStringLiteral("report"), QStringLiteral("report FILE --pdf OUT.pdf"), Commands::tr("the access list of FILE as a PDF, no port needed (--force replaces OUT)"), {}, {kDone, kUsage, kBadFile}, 1, false, false, nullptr, &runReport},
        {QStringLiteral("site"), QStringLiteral("site add|list|show|history|export|label|pull|push ..."), Commands::tr("the register of sites (--register DIR, default NORVIKCONF_REGISTER or the user's data folder)"), {}, {kDone, kUsage, kBadFile, kRegister, kRemote}, 1, false, false, nullptr, &runSite},
    };
    return table;
}

const Command *findCommand(const QString &name)
{
    for (const Command &c : commands())
        if (c.name == name)
            return &c;
    return nullptr;
}

QString exitCodeText(int code)
{
    switch (code) {
    case kDone: return Commands::tr("done (and verified, with --verify)");
    case kUsage: return Commands::tr("usage: wrong command, option or argument");
    case kPortFailed: return Commands::tr("the port cannot be opened, or closed during the work");
    case kWrongPassword: return Commands::tr("wrong password");
    case kRefused: return Commands::tr("the unit refused a command");
    case kNoAnswer: return Commands::tr("no readable answer from the unit in time (see --timeout)");
    case kDifferences: return Commands::tr("verification found differences (diff: the sides differ)");
    case kBadFile:
        return Commands::tr("the file cannot be read or written, or is not a settings file, or download's FILE (or report's OUT) "
                            "exists and --force was not given");
    case kWrongUnit:
        return Commands::tr("upload or sync: the unit's name or master number is another site's, so its list was not "
                            "cleared and nothing was sent (--force to go on)");
    case kRegister: return Commands::tr("the register: not a register, an unknown site, a damaged site file");
    case kRemote: return Commands::tr("the shared register cannot be reached, or refused the push");
    case kInterrupted: return Commands::tr("stopped by Ctrl-C");
    }
    return QString();
}

int runReport(int argc, char *argv[]) { return report_main(argc, argv); }

int runSite(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("norvikconf-cli"));
    return run_site_command(app.arguments());
}

} // namespace cli
