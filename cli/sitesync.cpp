#include "cli/sitesync.h"

#include "cli/report.h"
#include "cli/secret.h"
#include "cli/unitjob.h"
#include "platform/interruptwatch.h"
#include "platform/portcatalogue.h"
#include "platform/qtserialport.h"
#include "settings/unitmodel.h"
#include "sites/siteregister.h"
#include "transfer/verify.h"
#include "unitsim/ptyunit.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonDocument>
#include <QTextStream>

namespace cli {

namespace {

QString tr(const char *text) { return QCoreApplication::translate("cli", text); }

// --port as the other commands take it: a number of the list, "sim" (empty), or a path.
bool device(const QString &text, QString *path)
{
    if (text == QLatin1String("sim")) {
        path->clear();
        return true;
    }
    bool isNumber = false;
    const int number = text.toInt(&isNumber);
    if (!isNumber) {
        *path = text;
        return true;
    }
    const platform::PortCatalogue catalogue(platform::PortCatalogue::systemLister(), platform::PortCatalogue::envPorts(),
                                            [] { return QStringLiteral("sim"); });
    const std::optional<platform::PortEntry> e = catalogue.find(number);
    if (e)
        *path = e->simulated ? QString() : e->path;
    return e.has_value();
}

// The register's side of a sync: each step recorded as it happens.
struct Recorder {
    sites::Register &reg;
    const sites::Site &site;
    Reporter &report;
    settings::SettingsSet sent;
    std::optional<transfer::UploadOutcome> outcome;
    transfer::UploadPlan plan;
    QString problem; // the first record that failed

    void check(const sites::Status &status)
    {
        if (!status.ok() && problem.isEmpty())
            problem = status.message;
    }
    void read(const QString &records)
    {
        // What the dump leaves out is taken as the site's, so that it is not counted as a difference.
        const transfer::UnitDump dump = transfer::read_unit_dump(records, site.verified.value_or(site.settings));
        int differences = 0;
        check(reg.recordRead(site.folder, dump.settings, &differences));
        report.info(tr("sync: the unit differs in %1 settings from the site's %2")
                        .arg(differences)
                        .arg(site.verified ? tr("last verified upload") : tr("settings")));
    }
    void finished(const QString &message)
    {
        if (!outcome)
            return;
        const bool completed = outcome->total > 0 && outcome->acknowledged == outcome->total;
        check(reg.recordUpload(site.folder, {sent, plan.summary, int(plan.commands.size()), outcome->acknowledged,
                                             completed, message.section(QLatin1Char('\n'), 0, 0)}));
        if (outcome->verification)
            check(reg.recordVerification(site.folder, sent, int(outcome->verification->differences.size())));
    }
};

// Runs the sync on the port at `path` (empty: a simulated unit) and returns the job's result;
// `error` tells why it could not start.
QJsonObject talk(Recorder &recorder, QString path, const UnitJob::Patience &patience, const QString &password,
                 int *code, QString *error)
{
    const QString model = recorder.site.details.model;
    unitsim::PtyUnit simulated;
    if (path.isEmpty()) {
        *code = kPortFailed;
        if (!simulated.start(error)) {
            *error = tr("The simulated unit cannot be started: %1").arg(*error);
            return {};
        }
        simulated.protocol().setModel(model == settings::kIntercom ? unitsim::Model::Intercom : unitsim::Model::Gate);
        path = simulated.devicePath();
    }
    platform::QtSerialPort port;
    if (!port.open(path, platform::LineSettings{})) {
        *code = kPortFailed;
        *error = tr("The port cannot be opened: %1").arg(port.errorDescription());
        return {};
    }
    UnitJob job(port, recorder.report, patience);
    platform::InterruptWatch interrupts;
    QObject::connect(&interrupts, &platform::InterruptWatch::interrupted, &job, &UnitJob::interrupt);
    QObject::connect(&job, &UnitJob::unitRead, &job, [&](const QString &records) { recorder.read(records); });
    QObject::connect(&job, &UnitJob::uploadEnded, &job,
                     [&](const transfer::UploadOutcome &o, const transfer::UploadPlan &plan) {
                         recorder.outcome = o;
                         recorder.plan = plan;
                     });
    QObject::connect(&job, &UnitJob::finished, qApp, &QCoreApplication::exit, Qt::QueuedConnection);
    PlanFrom from;
    from.readFirst = true;
    job.startUpload(recorder.sent, model, password, true, from);
    if (!job.isFinished())
        QCoreApplication::exec();
    *code = job.exitCode();
    return job.result();
}

} // namespace

int sync_site(const QCommandLineParser &parser, const QStringList &args, bool json, Reporter &report)
{
    QJsonObject result{{QStringLiteral("command"), QStringLiteral("sync")},
                       {QStringLiteral("site"), parser.value(QStringLiteral("site"))}};
    // `told`: the job has reported the message already.
    const auto done = [&](int code, const QString &message, const QJsonObject &details = {}, bool told = false) {
        if (!told && code == kDone)
            report.info(message);
        else if (!told)
            report.error(message);
        if (json) {
            for (auto it = details.begin(); it != details.end(); ++it)
                result[it.key()] = it.value();
            result[QStringLiteral("exitCode")] = code;
            result[QStringLiteral("message")] = message;
            QTextStream(stdout) << QJsonDocument(result).toJson(QJsonDocument::Compact) << '\n';
        }
        return code;
    };
    if (!args.isEmpty())
        return done(kUsage, tr("sync --site takes no FILE: the site's settings are sent"));
    QString path;
    if (!parser.isSet(QStringLiteral("port")) || !device(parser.value(QStringLiteral("port")), &path))
        return done(kUsage, tr("sync needs --port with a port of the list, a device path or \"sim\""));
    cli::UnitJob::Patience patience;
    if (parser.isSet(QStringLiteral("timeout"))) {
        const double s = parser.value(QStringLiteral("timeout")).toDouble();
        if (s <= 0 || s > 3600)
            return done(kUsage, tr("--timeout takes seconds, more than 0 and at most 3600"));
        patience.replyMs = patience.firstByteMs = int(s * 1000);
    }
    sites::Status status;
    const std::unique_ptr<sites::Register> reg = sites::Register::open(
        parser.isSet(QStringLiteral("register")) ? parser.value(QStringLiteral("register")) : sites::Register::defaultPath(),
        false, &status);
    const std::optional<sites::Site> site = reg ? reg->site(parser.value(QStringLiteral("site")), &status) : std::nullopt;
    if (!site)
        return done(kRegister, status.message);
    const Secret secret = read_password(std::nullopt,
                                        parser.isSet(QStringLiteral("password-file"))
                                            ? std::optional(parser.value(QStringLiteral("password-file")))
                                            : std::nullopt,
                                        false, tr("the site's"));
    if (!secret.error.isEmpty())
        return done(kUsage, secret.error);
    Recorder recorder{*reg, *site, report, site->settings, std::nullopt, {}, {}};
    recorder.sent.uploadSystem = parser.isSet(QStringLiteral("system-parameters"));
    recorder.sent.uploadTelephone = true;

    int code = kDone;
    QString error;
    const QJsonObject jobResult =
        talk(recorder, path, patience, secret.given ? secret.password : recorder.sent.password, &code, &error);
    if (!error.isEmpty())
        return done(code, error);
    recorder.finished(jobResult.value(QStringLiteral("message")).toString());
    if (!recorder.problem.isEmpty())
        return done(kRegister, tr("sync: the unit was talked to, but the register did not record it: %1").arg(recorder.problem),
                    jobResult);
    return done(code, jobResult.value(QStringLiteral("message")).toString(), jobResult, true);
}

} // namespace cli
