#include "cli/request.h"

#include "cli/commands.h"
#include "cli/secret.h"
#include "settings/settingsset.h"
#include "settings/unitmodel.h"

#include <QCommandLineParser>

namespace cli {

namespace {

// Every option of the program; each command takes the ones its row names.
QList<QCommandLineOption> allOptions()
{
    const QString start = settings::SettingsSet{}.password;
    const QString variable = QLatin1String(kPasswordVariable);
    return {
        {QStringLiteral("port"), Arguments::tr("Port number, device path, or \"sim\"."), QStringLiteral("P")},
        {QStringLiteral("model"), Arguments::tr("Unit model: gate or intercom."), QStringLiteral("M")},
        {QStringLiteral("password"),
         Arguments::tr("The unit's password (default: the file's password for upload and verify, %1 otherwise). Every "
                       "user can read it while the program runs: prefer --password-file or %2.")
             .arg(start, variable),
         QStringLiteral("PW")},
        {QStringLiteral("password-file"),
         Arguments::tr("Read the unit's password from the first line of FILE. Without it, --password or %1, a "
                       "terminal is asked for the password (Enter keeps the default).")
             .arg(variable),
         QStringLiteral("FILE")},
        {QStringLiteral("verify"), Arguments::tr("After an upload, read the settings back and compare.")},
        {QStringLiteral("system-parameters"),
         Arguments::tr("Send the system options and the input names too (the window's \"System parameters\" box); "
                       "without it the unit keeps its own.")},
        {QStringLiteral("no-numbers"),
         Arguments::tr("Upload without the master number and the number list; the unit keeps its own.")},
        {QStringLiteral("json"), Arguments::tr("Print the result as one JSON object on stdout.")},
        {QStringLiteral("quiet"), Arguments::tr("Print only errors.")},
        {QStringLiteral("timeout"),
         Arguments::tr("Seconds to wait for each answer of the unit and for the first character of its settings "
                       "(default: 10 for an answer, 5 for the settings). Once the settings have begun they are read "
                       "as long as characters keep coming; a pause of 1 s ends them."),
         QStringLiteral("S")},
        {QStringLiteral("force"), Arguments::tr("Let download replace a FILE that exists; let upload and sync clear "
                                                "the list of a unit that names another site.")},
        {QStringLiteral("since"),
         Arguments::tr("Upload: the unit holds the settings of BASE (your word for it), so only what changed is sent "
                       "when the unit's list merely gains numbers."),
         QStringLiteral("BASE")},
        {QStringLiteral("dry-run"), Arguments::tr("Upload and sync: print the plan and send nothing.")},
        {QStringLiteral("only"),
         Arguments::tr("Upload and sync: \"settings\" sends nothing of the number list; \"numbers\" sends the master "
                       "number and the list and no \"SYS\" command (the unit keeps its password and name)."),
         QStringLiteral("PART")},
    };
}

const QStringList kEveryCommand{QStringLiteral("json"), QStringLiteral("quiet")};

QString exitCodesText(const QList<int> &codes)
{
    QString text = Arguments::tr("Exit codes:");
    for (const int code : codes)
        text += QStringLiteral("\n  %1 %2").arg(code, -4).arg(exitCodeText(code));
    return text;
}

Parsed usage(const QString &text, bool json)
{
    Parsed p;
    p.kind = Parsed::Kind::Usage;
    p.text = text;
    p.json = json;
    return p;
}

// The options given that `command` does not take, by name.
QString foreignOption(const QCommandLineParser &parser, const Command &command)
{
    for (const QString &name : parser.optionNames())
        if (!command.options.contains(name) && !kEveryCommand.contains(name) && name != QLatin1String("help"))
            return name;
    return QString();
}

void fill(Request &r, const QCommandLineParser &parser)
{
    const auto value = [&parser](const char *name) -> std::optional<QString> {
        const QString n = QLatin1String(name);
        return parser.isSet(n) ? std::optional(parser.value(n)) : std::nullopt;
    };
    r.port = value("port");
    r.model = parser.value(QStringLiteral("model"));
    r.password = value("password");
    r.passwordFile = value("password-file");
    r.since = value("since");
    r.verify = parser.isSet(QStringLiteral("verify"));
    r.systemParameters = parser.isSet(QStringLiteral("system-parameters"));
    r.noNumbers = parser.isSet(QStringLiteral("no-numbers"));
    r.json = parser.isSet(QStringLiteral("json"));
    r.quiet = parser.isSet(QStringLiteral("quiet"));
    r.force = parser.isSet(QStringLiteral("force"));
    r.dryRun = parser.isSet(QStringLiteral("dry-run"));
    r.only = parser.value(QStringLiteral("only"));
}

} // namespace

QString Arguments::help(const QString &name)
{
    QCommandLineParser parser;
    parser.addHelpOption();
    const Command *command = findCommand(name);
    for (const QCommandLineOption &o : allOptions())
        if (!command || command->options.contains(o.names().first()) || kEveryCommand.contains(o.names().first()))
            parser.addOption(o);
    if (command) {
        parser.setApplicationDescription(command->summary + QStringLiteral("\n\n") + exitCodesText(command->exitCodes));
        return parser.helpText().replace(QStringLiteral("[options]"), command->synopsis + QStringLiteral(" [options]"));
    }
    parser.addVersionOption();
    QString description = tr("Configures a GSM controller unit over a serial port, from a terminal or a script.")
                          + QStringLiteral("\n\n") + tr("Commands:");
    for (const Command &c : commands())
        description += QStringLiteral("\n  %1\n      %2").arg(c.synopsis, c.summary);
    description += QStringLiteral("\n\n") + tr("P is a port number of the list, a device path, or \"sim\" for a simulated unit.")
                   + QLatin1Char('\n') + tr("M is gate or intercom.") + QStringLiteral("\n")
                   + tr("'norvikconf-cli COMMAND --help' lists the options and exit codes of one command.")
                   + QStringLiteral("\n\n")
                   + exitCodesText({kDone, kUsage, kPortFailed, kWrongPassword, kRefused, kNoAnswer, kDifferences, kBadFile,
                                    kWrongUnit, kRegister, kRemote, kInterrupted});
    parser.setApplicationDescription(description);
    parser.addPositionalArgument(QStringLiteral("command"), tr("ports, upload, sync, download, verify, diff, output, report or site"));
    parser.addPositionalArgument(QStringLiteral("arguments"), tr("FILE, or N on|off"), QStringLiteral("[...]"));
    return parser.helpText();
}

Parsed Arguments::parse(const QStringList &arguments)
{
    const bool json = arguments.contains(QStringLiteral("--json"));
    QCommandLineParser parser;
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    parser.addOptions(allOptions());
    if (!parser.parse(arguments))
        return usage(parser.errorText(), json);
    const QStringList args = parser.positionalArguments();
    if (parser.isSet(helpOption)) {
        Parsed p;
        p.kind = Parsed::Kind::Help;
        p.text = help(args.value(0));
        return p;
    }
    if (parser.isSet(versionOption)) {
        Parsed p;
        p.kind = Parsed::Kind::Version;
        return p;
    }
    if (args.isEmpty())
        return usage(tr("no command given"), json);
    const Command *command = findCommand(args.first());
    if (!command)
        return usage(tr("unknown command \"%1\"").arg(args.first()), json);
    Parsed p;
    p.kind = Parsed::Kind::Run;
    p.json = json;
    Request &r = p.request;
    r.command = command->name;
    r.arguments = args.mid(1);
    fill(r, parser);
    if (r.arguments.size() != command->arguments)
        return usage(command->arguments == 0 ? tr("%1 takes no arguments").arg(r.command)
                     : r.command == QLatin1String("diff")
                         ? tr("diff needs LEFT and RIGHT: a settings file or \"unit\"")
                     : command->arguments == 2 ? tr("%1 needs N (1 to 4) and on or off").arg(r.command)
                                               : tr("%1 needs one FILE").arg(r.command),
                     json);
    if (const QString foreign = foreignOption(parser, *command); !foreign.isEmpty())
        return usage(tr("--%1 does not go with %2; 'norvikconf-cli %2 --help' lists its options").arg(foreign, r.command),
                     json);
    if (command->needsPort && !r.port && !(r.command == QLatin1String("upload") && r.dryRun))
        return usage(tr("%1 needs --port").arg(r.command), json);
    if (command->needsModel && r.model != settings::kGate && r.model != settings::kIntercom)
        return usage(parser.isSet(QStringLiteral("model")) ? tr("unknown model \"%1\": use gate or intercom").arg(r.model)
                                                           : tr("%1 needs --model gate or --model intercom").arg(r.command),
                     json);
    if (parser.isSet(QStringLiteral("only")) && r.only != QLatin1String("settings") && r.only != QLatin1String("numbers"))
        return usage(tr("--only goes with upload and sync, as --only settings or --only numbers"), json);
    if (r.only == QLatin1String("numbers") && (r.systemParameters || r.noNumbers))
        return usage(tr("--only numbers sends no system parameters and needs the numbers"), json);
    if (const std::optional<QString> t = parser.isSet(QStringLiteral("timeout"))
                                             ? std::optional(parser.value(QStringLiteral("timeout")))
                                             : std::nullopt) {
        bool ok = false;
        const double s = t->toDouble(&ok);
        if (!ok || s <= 0 || s > 3600)
            return usage(tr("--timeout takes seconds, more than 0 and at most 3600"), json);
        r.timeoutMs = int(s * 1000);
    }
    return p;
}

} // namespace cli
