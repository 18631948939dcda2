// norvikconf-cli: upload, read back, verify and test outputs from a terminal or a script,
// with the same link, file format and messages as the windows.
#include "cli/diffcommand.h"
#include "cli/report.h"
#include "cli/reportcommand.h"
#include "cli/secret.h"
#include "cli/sitecommand.h"
#include "cli/unitjob.h"
#include "platform/interruptwatch.h"
#include "platform/portcatalogue.h"
#include "platform/qtserialport.h"
#include "platform/translations.h"
#include "settings/settingsset.h"
#include "settings/unitmodel.h"
#include "transfer/settingsfile.h"
#include "transfer/upload.h"
#include "transfer/uploadjob.h"
#include "transfer/uploadplan.h"
#include "unitsim/ptyunit.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>

#ifndef NORVIKCONF_VERSION
#define NORVIKCONF_VERSION "0.0.0"
#endif

namespace {

const char kDescription[] =
    "Configures a GSM controller unit over a serial port, from a terminal or a script.\n"
    "\n"
    "Commands:\n"
    "  ports                              list port numbers with their devices\n"
    "  upload FILE --port P --model M     send the settings of FILE to the unit\n"
    "                                     (--since BASE: the unit holds BASE, send\n"
    "                                     only what changed when that is safe)\n"
    "                                     (--only settings|numbers: send only those)\n"
    "  sync FILE --port P --model M       read the unit, send only what changed when\n"
    "                                     that is safe, and verify\n"
    "  download FILE --port P --model M   read the unit's settings into a new FILE\n"
    "                                     (--force replaces an existing one)\n"
    "  verify FILE --port P --model M     compare the unit's settings with FILE\n"
    "  diff LEFT RIGHT --model M          list what differs; each side a settings file\n"
    "                                     or \"unit\" (read through --port)\n"
    "  output N on|off --port P           switch output N (1 to 4) for a test\n"
    "  report FILE --pdf OUT.pdf          the access list of FILE as a PDF, no port\n"
    "                                     needed (--force replaces OUT; 'report\n"
    "                                     --help' says more)\n"
    "\n"
    "The register of sites (each with --register DIR, default NORVIKCONF_REGISTER\n"
    "or the user's data folder, and --json):\n"
    "  site add NAME --model M [--from FILE]  a new site (makes the register)\n"
    "  site list | show NAME | history NAME    what the register holds\n"
    "  site export NAME FILE [--at VERSION]   a site's settings as a settings file\n"
    "  site label NAME NUMBER [LABEL]         name a number of the site's list\n"
    "  site pull | push [--remote URL] [--keep mine|theirs]  share through git\n"
    "  sync --site NAME --port P              read, send, verify, and record it all\n"
    "\n"
    "P is a port number of the list, a device path, or \"sim\" for a simulated unit.\n"
    "M is gate or intercom.\n"
    "\n"
    "Exit codes:\n"
    "  0    done (and verified, with --verify)\n"
    "  1    usage: wrong command, option or argument\n"
    "  2    the port cannot be opened, or closed during the work\n"
    "  3    wrong password\n"
    "  4    the unit refused a command\n"
    "  5    no readable answer from the unit in time (see --timeout)\n"
    "  6    verification found differences (diff: the sides differ)\n"
    "  7    the file cannot be read or written, or is not a settings file, or\n"
    "       download's FILE (or report's OUT) exists and --force was not given\n"
    "  8    upload or sync: the unit's name or master number is another site's, so\n"
    "       its list was not cleared and nothing was sent (--force to go on)\n"
    "  9    the register: not a register, an unknown site, a damaged site file\n"
    "  10   the shared register cannot be reached, or refused the push\n"
    "  130  stopped by Ctrl-C";

// The unit's password until someone changes it: the settings' start value.
const QString kStartPassword = settings::SettingsSet{}.password;

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

int usage(const QString &text)
{
    err() << "norvikconf-cli: " << text << "\nTry 'norvikconf-cli --help'.\n";
    err().flush();
    return cli::kUsage;
}

void printJson(const QJsonObject &object)
{
    QTextStream(stdout) << QJsonDocument(object).toJson(QJsonDocument::Compact) << '\n';
}

// The ports numbered as the selection window numbers them at start; the simulated unit is last.
platform::PortCatalogue catalogue()
{
    return platform::PortCatalogue(platform::PortCatalogue::systemLister(), platform::PortCatalogue::envPorts(),
                                   [] { return QStringLiteral("sim"); });
}

int listPorts(bool json)
{
    const QList<platform::PortEntry> entries = catalogue().entries();
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
        if (!json)
            out << e.number << '\t' << (e.simulated ? QStringLiteral("sim\t") + label : label) << '\n';
    }
    if (json)
        printJson(QJsonObject{{QStringLiteral("command"), QStringLiteral("ports")}, {QStringLiteral("ports"), array}});
    return cli::kDone;
}

// --port as a device: a number of the list, a path, or "sim" (empty device).
bool choosePort(const QString &text, QString *device, QString *error)
{
    if (text == QLatin1String("sim")) {
        device->clear();
        return true;
    }
    bool isNumber = false;
    const int number = text.toInt(&isNumber);
    if (!isNumber) {
        *device = text;
        return true;
    }
    if (const std::optional<platform::PortEntry> e = catalogue().find(number)) {
        *device = e->simulated ? QString() : e->path;
        return true;
    }
    *error = QStringLiteral("there is no port %1; 'norvikconf-cli ports' lists them").arg(number);
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    // The access list needs fonts, so an application object of its own.
    if (argc > 1 && qstrcmp(argv[1], "report") == 0)
        return cli::report_main(argc, argv);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("norvikconf-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(NORVIKCONF_VERSION));
    platform::installTranslations();

    if (cli::is_site_command(app.arguments()))
        return cli::run_site_command(app.arguments());

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port number, device path, or \"sim\"."), QStringLiteral("P"));
    const QCommandLineOption modelOption(QStringLiteral("model"), QStringLiteral("Unit model: gate or intercom."),
                                         QStringLiteral("M"));
    const QCommandLineOption passwordOption(
        QStringLiteral("password"),
        QStringLiteral("The unit's password (default: the file's password for upload and verify, %1 otherwise). "
                       "Every user can read it while the program runs: prefer --password-file or %2.")
            .arg(kStartPassword, QLatin1String(cli::kPasswordVariable)),
        QStringLiteral("PW"));
    const QCommandLineOption passwordFileOption(
        QStringLiteral("password-file"),
        QStringLiteral("Read the unit's password from the first line of FILE. Without it, --password or %1, a "
                       "terminal is asked for the password (Enter keeps the default).")
            .arg(QLatin1String(cli::kPasswordVariable)),
        QStringLiteral("FILE"));
    const QCommandLineOption verifyOption(QStringLiteral("verify"),
                                          QStringLiteral("After an upload, read the settings back and compare."));
    const QCommandLineOption systemOption(
        QStringLiteral("system-parameters"),
        QStringLiteral("Send the system options and the input names too (the window's \"System parameters\" box); "
                       "without it the unit keeps its own."));
    const QCommandLineOption noNumbersOption(
        QStringLiteral("no-numbers"),
        QStringLiteral("Upload without the master number and the number list; the unit keeps its own."));
    const QCommandLineOption jsonOption(QStringLiteral("json"),
                                        QStringLiteral("Print the result as one JSON object on stdout."));
    const QCommandLineOption quietOption(QStringLiteral("quiet"), QStringLiteral("Print only errors."));
    const QCommandLineOption forceOption(QStringLiteral("force"),
                                         QStringLiteral("Let download replace a FILE that exists; let upload and sync "
                                                        "clear the list of a unit that names another site."));
    const QCommandLineOption timeoutOption(
        QStringLiteral("timeout"),
        QStringLiteral("Seconds to wait for each answer of the unit and for the first character of its settings "
                       "(default: 10 for an answer, 5 for the settings). Once the settings have begun they are read "
                       "as long as characters keep coming; a pause of 1 s ends them."),
        QStringLiteral("S"));
    const QCommandLineOption sinceOption(
        QStringLiteral("since"),
        QStringLiteral("Upload: the unit holds the settings of BASE (your word for it), so only what changed is sent "
                       "when the unit's list merely gains numbers."),
        QStringLiteral("BASE"));
    const QCommandLineOption dryRunOption(QStringLiteral("dry-run"),
                                          QStringLiteral("Upload and sync: print the plan and send nothing."));
    const QCommandLineOption onlyOption(
        QStringLiteral("only"),
        QStringLiteral("Upload and sync: \"settings\" sends nothing of the number list; \"numbers\" sends the master "
                       "number and the list and no \"SYS\" command (the unit keeps its password and name)."),
        QStringLiteral("PART"));
    parser.addOptions({portOption, modelOption, passwordOption, passwordFileOption, verifyOption, systemOption,
                       noNumbersOption, jsonOption, quietOption, timeoutOption, forceOption, sinceOption, dryRunOption,
                       onlyOption});
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("ports, upload, sync, download, verify, diff or output"));
    parser.addPositionalArgument(QStringLiteral("arguments"), QStringLiteral("FILE, or N on|off"), QStringLiteral("[...]"));

    if (!parser.parse(app.arguments()))
        return usage(parser.errorText());
    if (parser.isSet(help))
        parser.showHelp(cli::kDone);
    if (parser.isSet(version))
        parser.showVersion();

    const QStringList args = parser.positionalArguments();
    if (args.isEmpty())
        return usage(QStringLiteral("no command given"));
    const QString command = args.first();
    const bool json = parser.isSet(jsonOption);

    if (command == QLatin1String("ports")) {
        if (args.size() != 1)
            return usage(QStringLiteral("ports takes no arguments"));
        return listPorts(json);
    }
    if (command == QLatin1String("diff"))
        return cli::run_diff(parser, args, choosePort);

    const bool isOutput = command == QLatin1String("output");
    const bool isSync = command == QLatin1String("sync");
    // A sync is an upload that first reads what the unit holds, and always verifies.
    const bool isUpload = command == QLatin1String("upload") || isSync;
    const bool isDownload = command == QLatin1String("download");
    const bool isVerify = command == QLatin1String("verify");
    if (!isOutput && !isUpload && !isDownload && !isVerify)
        return usage(QStringLiteral("unknown command \"%1\"").arg(command));
    if (args.size() != (isOutput ? 3 : 2))
        return usage(isOutput ? QStringLiteral("output needs N (1 to 4) and on or off")
                              : QStringLiteral("%1 needs one FILE").arg(command));
    if (!parser.isSet(portOption) && !(command == QLatin1String("upload") && parser.isSet(dryRunOption)))
        return usage(QStringLiteral("%1 needs --port").arg(command));
    if ((parser.isSet(verifyOption) || parser.isSet(noNumbersOption)) && !isUpload)
        return usage(QStringLiteral("--verify and --no-numbers go with upload only"));
    if (parser.isSet(sinceOption) && command != QLatin1String("upload"))
        return usage(QStringLiteral("--since goes with upload only; sync reads what the unit holds"));
    if (parser.isSet(dryRunOption) && !isUpload)
        return usage(QStringLiteral("--dry-run goes with upload and sync only"));
    if (parser.isSet(systemOption) && !isUpload && !isVerify)
        return usage(QStringLiteral("--system-parameters goes with upload and verify only"));
    if (parser.isSet(forceOption) && !isDownload && !isUpload)
        return usage(QStringLiteral("--force goes with download, upload and sync only"));
    const QString only = parser.value(onlyOption);
    if (parser.isSet(onlyOption) && (!isUpload || (only != QLatin1String("settings") && only != QLatin1String("numbers"))))
        return usage(QStringLiteral("--only goes with upload and sync, as --only settings or --only numbers"));
    if (only == QLatin1String("numbers") && (parser.isSet(systemOption) || parser.isSet(noNumbersOption)))
        return usage(QStringLiteral("--only numbers sends no system parameters and needs the numbers"));

    const QString model = parser.value(modelOption);
    if (!isOutput && model != settings::kGate && model != settings::kIntercom)
        return usage(parser.isSet(modelOption) ? QStringLiteral("unknown model \"%1\": use gate or intercom").arg(model)
                                               : QStringLiteral("%1 needs --model gate or --model intercom").arg(command));

    int output = 0;
    bool outputOn = false;
    if (isOutput) {
        bool ok = false;
        output = args.at(1).toInt(&ok);
        if (!ok || output < 1 || output > 4)
            return usage(QStringLiteral("the output is a number from 1 to 4, not \"%1\"").arg(args.at(1)));
        if (args.at(2) != QLatin1String("on") && args.at(2) != QLatin1String("off"))
            return usage(QStringLiteral("say on or off, not \"%1\"").arg(args.at(2)));
        outputOn = args.at(2) == QLatin1String("on");
    }

    cli::UnitJob::Patience patience;
    if (parser.isSet(timeoutOption)) {
        bool ok = false;
        const double s = parser.value(timeoutOption).toDouble(&ok);
        if (!ok || s <= 0 || s > 3600)
            return usage(QStringLiteral("--timeout takes seconds, more than 0 and at most 3600"));
        patience.replyMs = patience.firstByteMs = int(s * 1000);
    }

    QString device, error;
    if (!choosePort(parser.value(portOption), &device, &error))
        return usage(error);

    QJsonObject result{{QStringLiteral("command"), command}, {QStringLiteral("port"), parser.value(portOption)}};
    if (!isOutput) {
        result[QStringLiteral("file")] = args.at(1);
        result[QStringLiteral("model")] = model;
    }
    auto done = [&](int code, const QString &message, const QJsonObject &details = {}) {
        if (json) {
            QJsonObject all = result;
            for (auto it = details.begin(); it != details.end(); ++it)
                all[it.key()] = it.value();
            all[QStringLiteral("exitCode")] = code;
            if (!message.isEmpty())
                all[QStringLiteral("message")] = message;
            printJson(all);
        }
        return code;
    };

    cli::Reporter report(parser.isSet(quietOption), ::isatty(STDERR_FILENO) == 1);

    // Without a port: the plan of an upload from what the operator says the unit holds.
    const bool planOnly = command == QLatin1String("upload") && parser.isSet(dryRunOption);

    settings::SettingsSet set;
    if (isUpload || isVerify) {
        if (!transfer::read_settings_file(args.at(1), set, &error)) {
            report.error(error);
            return done(cli::kBadFile, error);
        }
        // The same choices as the window's boxes, so one file gives the same commands from both.
        set.uploadSystem = parser.isSet(systemOption);
        set.uploadTelephone = !parser.isSet(noNumbersOption) && only != QLatin1String("settings");
    }
    cli::PlanFrom from;
    from.readFirst = isSync;
    from.dryRun = parser.isSet(dryRunOption);
    from.force = parser.isSet(forceOption);
    from.numbersOnly = only == QLatin1String("numbers");
    if (parser.isSet(sinceOption)) {
        settings::SettingsSet base;
        if (!transfer::read_settings_file(parser.value(sinceOption), base, &error)) {
            error = QStringLiteral("--since: ") + error;
            report.error(error);
            return done(cli::kBadFile, error);
        }
        from.held = base;
    }
    // Before the unit is asked anything: a file already there may be another site's only copy.
    if (isDownload && !parser.isSet(forceOption) && QFileInfo::exists(args.at(1))) {
        error = QStringLiteral("download: \"%1\" already exists and was left as it is; give --force to replace it.")
                    .arg(args.at(1));
        report.error(error);
        return done(cli::kBadFile, error);
    }
    const bool fromFile = isUpload || isVerify;
    const cli::Secret secret = cli::read_password(
        parser.isSet(passwordOption) ? std::optional(parser.value(passwordOption)) : std::nullopt,
        parser.isSet(passwordFileOption) ? std::optional(parser.value(passwordFileOption)) : std::nullopt,
        // A file carries its own password: a script that loops over files is not stopped by a question.
        !planOnly && !fromFile, fromFile ? QStringLiteral("the file's") : kStartPassword);
    if (!secret.error.isEmpty())
        return usage(secret.error);
    if (!secret.warning.isEmpty())
        report.info(secret.warning);
    // With --since the unit holds BASE, password included.
    const QString password = secret.given ? secret.password
                             : from.held  ? from.held->password
                             : fromFile   ? set.password
                                          : kStartPassword;
    if (isUpload && transfer::system_options_kept(set, model))
        report.info(QStringLiteral("upload: the file holds no system options; the unit keeps its own"));

    if (planOnly) {
        // The same limit as the real upload, whatever the plan would send.
        if (const QString why = transfer::UploadJob::problem(set, model); !why.isEmpty()) {
            report.error(QStringLiteral("upload: ") + why);
            return done(cli::kBadFile, QStringLiteral("upload: ") + why);
        }
        transfer::PlanChoices how;
        how.unitModel = model;
        how.numbersOnly = from.numbersOnly;
        const transfer::UploadPlan plan = transfer::plan_upload(from.held, set, how);
        report.info(QStringLiteral("upload: ") + plan.summary);
        if (plan.kind == transfer::UploadPlan::Kind::Full && from.held)
            report.info(QStringLiteral("upload: ") + plan.reason);
        const QString message = QStringLiteral("upload: dry run, nothing was sent");
        report.info(message);
        return done(cli::kDone, message, {{QStringLiteral("plan"), cli::UnitJob::planJson(plan)}});
    }

    // "sim": a simulated unit inside this process, as the windows offer one.
    unitsim::PtyUnit simulated;
    if (device.isEmpty()) {
        if (!simulated.start(&error)) {
            report.error(QStringLiteral("The simulated unit cannot be started: %1").arg(error));
            return done(cli::kPortFailed, error);
        }
        simulated.protocol().setModel(model == settings::kIntercom ? unitsim::Model::Intercom : unitsim::Model::Gate);
        device = simulated.devicePath();
        result[QStringLiteral("device")] = device;
    }

    platform::QtSerialPort port;
    if (!port.open(device, platform::LineSettings{})) {
        const QString text = QStringLiteral("The port cannot be opened: %1:%2").arg(port.errorNumber()).arg(port.errorDescription());
        report.error(text);
        return done(cli::kPortFailed, text);
    }

    cli::UnitJob job(port, report, patience);
    platform::InterruptWatch interrupts;
    QObject::connect(&interrupts, &platform::InterruptWatch::interrupted, &job, &cli::UnitJob::interrupt);
    QObject::connect(&job, &cli::UnitJob::finished, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    if (isUpload)
        job.startUpload(set, model, password, isSync || parser.isSet(verifyOption), from);
    else if (isOutput)
        job.startOutput(output, outputOn, password);
    else if (isDownload)
        job.startDownload(args.at(1), model, password);
    else
        job.startVerify(set, model, password);
    if (!job.isFinished())
        app.exec();
    return done(job.exitCode(), QString(), job.result());
}
