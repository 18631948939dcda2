#include "cli/diffcommand.h"

#include "cli/report.h"
#include "cli/secret.h"
#include "cli/unitjob.h"
#include "compare/compare.h"
#include "platform/interruptwatch.h"
#include "platform/qtserialport.h"
#include "settings/settingsset.h"
#include "settings/unitmodel.h"
#include "transfer/settingsfile.h"
#include "unitsim/ptyunit.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <optional>
#include <unistd.h>

namespace cli {

namespace {

const QString kUnitSide = QStringLiteral("unit");
const QString kSitePrefix = QStringLiteral("site:");

struct Failure {
    int code = kDone;
    QString message;
};

// One side's settings. A file is read here; the unit is read once, by readUnit.
struct Side {
    QString spec;
    settings::SettingsSet set;
};

std::optional<Failure> loadFile(Side &side)
{
    // Sites ("site:NAME" or "site:NAME@VERSION") come from the register of sites once there is one.
    if (side.spec.startsWith(kSitePrefix))
        return Failure{kUsage, QStringLiteral("diff: \"%1\": this program keeps no register of sites").arg(side.spec)};
    QString error;
    if (!transfer::read_settings_file(side.spec, side.set, &error))
        return Failure{kBadFile, QStringLiteral("diff: ") + error};
    return std::nullopt;
}

std::optional<Failure> readUnit(const QCommandLineParser &parser, const PortChooser &choosePort, const QString &model,
                                const QString &password, Reporter &report, settings::SettingsSet *out)
{
    if (!parser.isSet(QStringLiteral("port")))
        return Failure{kUsage, QStringLiteral("diff: the side \"unit\" needs --port")};
    QString device, error;
    if (!choosePort(parser.value(QStringLiteral("port")), &device, &error))
        return Failure{kUsage, error};
    UnitJob::Patience patience;
    if (parser.isSet(QStringLiteral("timeout"))) {
        bool ok = false;
        const double s = parser.value(QStringLiteral("timeout")).toDouble(&ok);
        if (!ok || s <= 0 || s > 3600)
            return Failure{kUsage, QStringLiteral("--timeout takes seconds, more than 0 and at most 3600")};
        patience.replyMs = patience.firstByteMs = int(s * 1000);
    }
    unitsim::PtyUnit simulated;
    if (device.isEmpty()) {
        if (!simulated.start(&error))
            return Failure{kPortFailed, QStringLiteral("The simulated unit cannot be started: %1").arg(error)};
        simulated.protocol().setModel(model == settings::kIntercom ? unitsim::Model::Intercom : unitsim::Model::Gate);
        device = simulated.devicePath();
    }
    platform::QtSerialPort port;
    if (!port.open(device, platform::LineSettings{}))
        return Failure{kPortFailed, QStringLiteral("The port cannot be opened: %1:%2")
                                        .arg(port.errorNumber())
                                        .arg(port.errorDescription())};
    UnitJob job(port, report, patience);
    platform::InterruptWatch interrupts;
    QObject::connect(&interrupts, &platform::InterruptWatch::interrupted, &job, &UnitJob::interrupt);
    QEventLoop loop;
    QObject::connect(&job, &UnitJob::finished, &loop, &QEventLoop::exit, Qt::QueuedConnection);
    job.startRead(model, password);
    if (!job.isFinished())
        loop.exec();
    if (job.exitCode() != kDone || !job.settingsRead())
        return Failure{job.exitCode(), job.result().value(QStringLiteral("message")).toString()};
    *out = *job.settingsRead();
    return std::nullopt;
}

QJsonObject rowJson(const compare::Row &row)
{
    return QJsonObject{{QStringLiteral("kind"), compare::kind_key(row.kind)},
                       {QStringLiteral("what"), row.what},
                       {QStringLiteral("left"), row.left},
                       {QStringLiteral("right"), row.right},
                       {QStringLiteral("label"), row.label}};
}

void print(const compare::Comparison &c, const QString &left, const QString &right, const QString &model, bool json)
{
    QTextStream out(stdout);
    const int code = c.same() ? kDone : kDifferences;
    if (!json) {
        // One row per difference, tab-separated: kind, what, left, right and the label where known.
        for (const compare::Row &row : c.rows) {
            out << compare::kind_key(row.kind) << '\t' << row.what << '\t' << row.left << '\t' << row.right;
            if (!row.label.isEmpty())
                out << '\t' << row.label;
            out << '\n';
        }
        out << compare::counts_text(c) << '\n';
        return;
    }
    QJsonArray rows;
    for (const compare::Row &row : c.rows)
        rows.append(rowJson(row));
    const int settingsChanged = int(c.rows.size()) - c.added - c.removed - c.changed;
    const QJsonObject object{
        {QStringLiteral("command"), QStringLiteral("diff")},
        {QStringLiteral("left"), left},
        {QStringLiteral("right"), right},
        {QStringLiteral("model"), model},
        {QStringLiteral("rows"), rows},
        {QStringLiteral("counts"), QJsonObject{{QStringLiteral("added"), c.added},
                                               {QStringLiteral("removed"), c.removed},
                                               {QStringLiteral("changed"), c.changed},
                                               {QStringLiteral("settings"), settingsChanged}}},
        {QStringLiteral("summary"), compare::counts_text(c)},
        {QStringLiteral("exitCode"), code},
    };
    out << QJsonDocument(object).toJson(QJsonDocument::Compact) << '\n';
}

int fail(const Failure &f, bool json, Reporter &report)
{
    report.error(f.message);
    if (json)
        QTextStream(stdout) << QJsonDocument(QJsonObject{{QStringLiteral("command"), QStringLiteral("diff")},
                                                         {QStringLiteral("exitCode"), f.code},
                                                         {QStringLiteral("message"), f.message}})
                                   .toJson(QJsonDocument::Compact)
                            << '\n';
    return f.code;
}

} // namespace

int run_diff(const QCommandLineParser &parser, const QStringList &args, const PortChooser &choosePort)
{
    const bool json = parser.isSet(QStringLiteral("json"));
    Reporter report(parser.isSet(QStringLiteral("quiet")) || json, ::isatty(STDERR_FILENO) == 1);
    if (args.size() != 3)
        return fail({kUsage, QStringLiteral("diff needs LEFT and RIGHT: a settings file or \"unit\"")}, json, report);
    const QString model = parser.value(QStringLiteral("model"));
    if (model != settings::kGate && model != settings::kIntercom)
        return fail({kUsage, QStringLiteral("diff needs --model gate or --model intercom")}, json, report);
    Side left{args.at(1), {}}, right{args.at(2), {}};
    if (left.spec == kUnitSide && right.spec == kUnitSide)
        return fail({kUsage, QStringLiteral("diff: only one side can be the unit")}, json, report);
    for (Side *side : {&left, &right})
        if (side->spec != kUnitSide)
            if (const auto failure = loadFile(*side))
                return fail(*failure, json, report);
    for (Side *side : {&left, &right}) {
        if (side->spec != kUnitSide)
            continue;
        // The unit opens with the other side's password unless one is given.
        const Side &other = side == &left ? right : left;
        const Secret secret = read_password(
            parser.isSet(QStringLiteral("password")) ? std::optional(parser.value(QStringLiteral("password"))) : std::nullopt,
            parser.isSet(QStringLiteral("password-file")) ? std::optional(parser.value(QStringLiteral("password-file")))
                                                          : std::nullopt,
            false, QStringLiteral("the file's"));
        if (!secret.error.isEmpty())
            return fail({kUsage, secret.error}, json, report);
        if (!secret.warning.isEmpty())
            report.info(secret.warning);
        const QString password = secret.given ? secret.password : other.set.password;
        if (const auto failure = readUnit(parser, choosePort, model, password, report, &side->set))
            return fail(*failure, json, report);
    }
    const compare::Comparison c = compare::compare_settings(left.set, right.set, model);
    print(c, left.spec, right.spec, model, json);
    return c.same() ? kDone : kDifferences;
}

} // namespace cli
