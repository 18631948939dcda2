#include "cli/sitecommand.h"

#include "cli/report.h"
#include "cli/sitesync.h"
#include "cli/unitjob.h"
#include "settings/numberform.h"
#include "settings/unitmodel.h"
#include "settings/valuecheck.h"
#include "sites/siteregister.h"
#include "sites/sitesharing.h"
#include "transfer/settingsfile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>

#include <unistd.h>

namespace cli {

namespace {

QString tr(const char *text) { return QCoreApplication::translate("cli", text); }

QString timeText(const QDateTime &t) { return t.isValid() ? t.toUTC().toString(Qt::ISODate) : QString(); }

int exitFor(const sites::Status &status)
{
    switch (status.problem) {
    case sites::Problem::None: return kDone;
    case sites::Problem::BadValue:
    case sites::Problem::SiteExists: return kUsage;
    case sites::Problem::RemoteUnreachable:
    case sites::Problem::PushRefused:
    case sites::Problem::SameSiteChanged: return kRemote;
    default: return kRegister;
    }
}

QJsonObject versionJson(const sites::Version &v)
{
    return {{QStringLiteral("version"), v.id}, {QStringLiteral("time"), timeText(v.time)}, {QStringLiteral("technician"), v.technician}, {QStringLiteral("program"), v.program}, {QStringLiteral("event"), v.event}, {QStringLiteral("summary"), v.summary}};
}

QJsonObject unitJson(const sites::UnitState &u)
{
    QJsonObject out{{QStringLiteral("lastRead"), timeText(u.lastRead)},
                    {QStringLiteral("lastUpload"), timeText(u.lastUpload)},
                    {QStringLiteral("lastUploadEnded"), u.lastUploadEnded},
                    {QStringLiteral("lastVerified"), timeText(u.lastVerified)}};
    if (u.differencesAtLastRead >= 0)
        out[QStringLiteral("differencesAtLastRead")] = u.differencesAtLastRead;
    return out;
}

// One run of a site command: the parsed options, the register and the way results go out.
struct Run {
    QCommandLineParser &parser;
    QStringList args; // after "site"
    bool json = false;
    Reporter &report;
    QJsonObject result;

    QString option(const QString &name) const { return parser.value(name); }
    int done(int code, const QString &message)
    {
        if (code == kDone && !message.isEmpty())
            report.info(message);
        else if (code != kDone)
            report.error(message);
        if (json) {
            result[QStringLiteral("exitCode")] = code;
            if (!message.isEmpty())
                result[QStringLiteral("message")] = message;
            QTextStream(stdout) << QJsonDocument(result).toJson(QJsonDocument::Compact) << '\n';
        }
        return code;
    }
    int failed(const sites::Status &status) { return done(exitFor(status), status.message); }
};

int add(Run &run, sites::Register &reg)
{
    const QString model = run.option(QStringLiteral("model"));
    if (model != settings::kGate && model != settings::kIntercom)
        return run.done(kUsage, tr("site add needs --model gate or --model intercom"));
    settings::SettingsSet set;
    QString error;
    if (run.parser.isSet(QStringLiteral("from")) && !transfer::read_settings_file(run.option(QStringLiteral("from")), set, &error))
        return run.done(kBadFile, error);
    const sites::SiteDetails details{run.args.at(1), model, run.option(QStringLiteral("address")),
                                     run.option(QStringLiteral("contact")), run.option(QStringLiteral("notes"))};
    if (const sites::Status status = reg.addSite(details, set); !status.ok())
        return run.failed(status);
    run.result[QStringLiteral("folder")] = sites::folder_for(details.name);
    return run.done(kDone, tr("site add: \"%1\" added with %2 numbers in \"%3\"")
                               .arg(details.name)
                               .arg(set.numbers.size())
                               .arg(reg.path() + QLatin1Char('/') + sites::folder_for(details.name)));
}

int list(Run &run, sites::Register &reg)
{
    sites::Status status;
    const QList<sites::SiteEntry> entries = reg.sites(&status);
    QJsonArray array;
    QTextStream out(stdout);
    for (const sites::SiteEntry &e : entries) {
        array.append(QJsonObject{{QStringLiteral("name"), e.details.name},
                                 {QStringLiteral("folder"), e.folder},
                                 {QStringLiteral("model"), e.details.model},
                                 {QStringLiteral("unit"), unitJson(e.unit)}});
        if (!run.json)
            out << e.details.name << '\t' << e.details.model << '\t'
                << (e.unit.lastVerified.isValid() ? tr("verified %1").arg(timeText(e.unit.lastVerified)) : tr("never verified"))
                << '\t'
                << (e.unit.differencesAtLastRead > 0 ? tr("unit differed at last read") : QString()) << '\n';
    }
    run.result[QStringLiteral("sites")] = array;
    return run.done(kDone, QString());
}

int show(Run &run, const sites::Site &site)
{
    QJsonArray numbers;
    QTextStream out(stdout);
    if (!run.json) {
        out << tr("Name: %1\nModel: %2\nAddress: %3\nContact: %4\nNotes: %5\n")
                   .arg(site.details.name, site.details.model, site.details.address, site.details.contact,
                        site.details.notes);
        out << tr("System name: %1\nNumbers: %2\n").arg(site.settings.systemName).arg(site.settings.numbers.size());
    }
    for (const settings::NumberRow &row : site.settings.numbers) {
        const QString label = site.labels.value(row.number);
        numbers.append(QJsonObject{{QStringLiteral("number"), row.number},
                                   {QStringLiteral("unit"), row.unit},
                                   {QStringLiteral("outputs"), settings::output_digits(row.outputs)},
                                   {QStringLiteral("label"), label}});
        if (!run.json)
            out << row.unit << '\t' << row.number << '\t' << settings::output_digits(row.outputs) << '\t' << label << '\n';
    }
    run.result[QStringLiteral("site")] =
        QJsonObject{{QStringLiteral("name"), site.details.name}, {QStringLiteral("folder"), site.folder}, {QStringLiteral("model"), site.details.model}, {QStringLiteral("address"), site.details.address}, {QStringLiteral("contact"), site.details.contact}, {QStringLiteral("notes"), site.details.notes}, {QStringLiteral("systemName"), site.settings.systemName}, {QStringLiteral("numbers"), numbers}, {QStringLiteral("unit"), unitJson(site.unit)}};
    return run.done(kDone, QString());
}

int history(Run &run, sites::Register &reg)
{
    sites::Status status;
    const QList<sites::Version> versions = reg.history(run.args.at(1), &status);
    if (!status.ok())
        return run.failed(status);
    QJsonArray array;
    QTextStream out(stdout);
    for (const sites::Version &v : versions) {
        array.append(versionJson(v));
        if (!run.json)
            out << v.id.left(10) << "  " << timeText(v.time) << "  " << v.event << "  " << v.technician << "  "
                << v.summary << '\n';
    }
    run.result[QStringLiteral("versions")] = array;
    return run.done(kDone, QString());
}

int exportSite(Run &run, const sites::Site &site)
{
    const QString path = run.args.at(2);
    if (QFileInfo::exists(path) && !run.parser.isSet(QStringLiteral("force")))
        return run.done(kBadFile, tr("site export: \"%1\" already exists and was left as it is; give --force to "
                                     "replace it.")
                                      .arg(path));
    QString error;
    if (!transfer::write_settings_file(path, site.settings, site.details.model, &error))
        return run.done(kBadFile, error);
    return run.done(kDone, tr("site export: \"%1\" saved in \"%2\"").arg(site.details.name, path));
}

// "site label NAME NUMBER [LABEL]": an empty or missing LABEL takes the label away.
int label(Run &run, sites::Register &reg, sites::Site site)
{
    const settings::NumberCheck number = settings::check_number(run.args.at(2));
    if (!number.ok())
        return run.done(kUsage, tr("site label: %1").arg(number.problem));
    const bool listed = std::any_of(site.settings.numbers.cbegin(), site.settings.numbers.cend(),
                                    [&](const settings::NumberRow &r) { return r.number == number.stored; });
    if (!listed)
        return run.done(kUsage, tr("site label: %1 is not in the list of \"%2\"").arg(number.stored, site.details.name));
    const QString text = run.args.value(3);
    if (text.isEmpty())
        site.labels.remove(number.stored);
    else
        site.labels.insert(number.stored, text);
    if (const sites::Status status = reg.save(site); !status.ok())
        return run.failed(status);
    return run.done(kDone, tr("site label: %1 is \"%2\"").arg(number.stored, text));
}

int share(Run &run, sites::Register &reg, bool pushing)
{
    if (run.parser.isSet(QStringLiteral("remote")))
        if (const sites::Status status = sites::set_remote(reg, run.option(QStringLiteral("remote"))); !status.ok())
            return run.failed(status);
    const QString keepText = run.option(QStringLiteral("keep"));
    if (!keepText.isEmpty() && keepText != QLatin1String("mine") && keepText != QLatin1String("theirs"))
        return run.done(kUsage, tr("--keep takes mine or theirs"));
    const sites::Keep keep = keepText.isEmpty()                  ? sites::Keep::Neither
                             : keepText == QLatin1String("mine") ? sites::Keep::Mine
                                                                 : sites::Keep::Theirs;
    QStringList merged;
    const sites::Status status = pushing ? sites::push(reg, keep) : sites::pull(reg, keep, &merged);
    if (!status.ok()) {
        run.result[QStringLiteral("conflicts")] = QJsonArray::fromStringList(status.sites);
        return run.failed(status);
    }
    run.result[QStringLiteral("merged")] = QJsonArray::fromStringList(merged);
    return run.done(kDone, pushing ? tr("site push: the shared register holds this register's history")
                                   : tr("site pull: %1 site folders came in").arg(merged.size()));
}

int dispatch(Run &run)
{
    const QString command = run.args.value(0);
    // How many arguments each command takes after its name (at least, at most).
    const QMap<QString, std::pair<int, int>> arity{{QStringLiteral("add"), {1, 1}}, {QStringLiteral("list"), {0, 0}}, {QStringLiteral("show"), {1, 1}}, {QStringLiteral("history"), {1, 1}}, {QStringLiteral("export"), {2, 2}}, {QStringLiteral("label"), {2, 3}}, {QStringLiteral("pull"), {0, 0}}, {QStringLiteral("push"), {0, 0}}};
    if (!arity.contains(command))
        return run.done(kUsage, tr("unknown site command \"%1\": use add, list, show, history, export, label, pull "
                                   "or push")
                                    .arg(command));
    const auto [least, most] = arity.value(command);
    if (run.args.size() - 1 < least || run.args.size() - 1 > most)
        return run.done(kUsage, tr("wrong number of arguments for site %1; see --help").arg(command));
    run.result[QStringLiteral("command")] = QStringLiteral("site ") + command;
    if (run.args.size() > 1)
        run.result[QStringLiteral("site")] = run.args.at(1);

    sites::Status status;
    const QString path = run.parser.isSet(QStringLiteral("register")) ? run.option(QStringLiteral("register"))
                                                                      : sites::Register::defaultPath();
    run.result[QStringLiteral("register")] = path;
    const std::unique_ptr<sites::Register> reg = sites::Register::open(path, command == QLatin1String("add"), &status);
    if (!reg)
        return run.failed(status);
    if (run.parser.isSet(QStringLiteral("technician")))
        reg->setTechnician(run.option(QStringLiteral("technician")));
    if (command == QLatin1String("add"))
        return add(run, *reg);
    if (command == QLatin1String("list"))
        return list(run, *reg);
    if (command == QLatin1String("history"))
        return history(run, *reg);
    if (command == QLatin1String("pull") || command == QLatin1String("push"))
        return share(run, *reg, command == QLatin1String("push"));
    const std::optional<sites::Site> site = reg->site(run.args.at(1), &status, run.option(QStringLiteral("at")));
    if (!site)
        return run.failed(status);
    if (command == QLatin1String("show"))
        return show(run, *site);
    if (command == QLatin1String("export"))
        return exportSite(run, *site);
    return label(run, *reg, *site);
}

} // namespace

bool is_site_command(const QStringList &arguments)
{
    if (arguments.size() < 2)
        return false;
    if (arguments.at(1) == QLatin1String("site"))
        return true;
    return arguments.at(1) == QLatin1String("sync")
           && std::any_of(arguments.cbegin(), arguments.cend(), [](const QString &a) {
                  return a == QLatin1String("--site") || a.startsWith(QLatin1String("--site="));
              });
}

int run_site_command(const QStringList &arguments)
{
    QCommandLineParser parser;
    const auto value = [&](const char *name, const char *help, const char *valueName) {
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), tr(help), QString::fromLatin1(valueName)));
    };
    const auto flag = [&](const char *name, const char *help) {
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), tr(help)));
    };
    value("register", "The register's folder (default: NORVIKCONF_REGISTER, or the user's data folder).", "DIR");
    value("model", "site add: gate or intercom.", "M");
    value("from", "site add: the settings file the site starts from.", "FILE");
    value("address", "site add: the site's address.", "TEXT");
    value("contact", "site add: the site's contact.", "TEXT");
    value("notes", "site add: notes.", "TEXT");
    value("at", "site show and export: a version from site history.", "VERSION");
    value("remote", "site pull and push: set the shared register (origin) first.", "URL");
    value("keep", "site pull and push: whose version of a site changed on both sides stands.", "mine|theirs");
    value("technician", "The technician's name in the history, from now on (kept on this computer).", "NAME");
    value("site", "sync: the site whose settings are sent, and where the sync is recorded.", "NAME");
    value("port", "sync: port number, device path, or \"sim\".", "P");
    value("password-file", "sync: read the unit's password from the first line of FILE.", "FILE");
    value("timeout", "sync: seconds to wait for each answer of the unit.", "S");
    flag("system-parameters", "sync: send the system options and the input names too.");
    flag("force", "site export: replace FILE when it exists.");
    flag("json", "Print the result as one JSON object on stdout.");
    flag("quiet", "Print only errors.");
    parser.addPositionalArgument(QStringLiteral("command"), tr("site add|list|show|history|export|label|pull|push"));
    const QCommandLineOption help = parser.addHelpOption();
    if (!parser.parse(arguments)) {
        QTextStream(stderr) << "norvikconf-cli: " << parser.errorText() << "\nTry 'norvikconf-cli --help'.\n";
        return kUsage;
    }
    if (parser.isSet(help))
        parser.showHelp(kDone);
    Reporter quietable(parser.isSet(QStringLiteral("quiet")), ::isatty(STDERR_FILENO) == 1);
    Run run{parser, parser.positionalArguments().mid(1), parser.isSet(QStringLiteral("json")), quietable, {}};
    if (arguments.at(1) == QLatin1String("sync"))
        return sync_site(run.parser, run.args, run.json, quietable);
    return dispatch(run);
}

} // namespace cli
