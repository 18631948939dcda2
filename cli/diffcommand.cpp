#include "cli/commands.h"
#include "cli/unitcommand.h"

#include "cli/report.h"
#include "cli/request.h"
#include "cli/secret.h"
#include "compare/compare.h"
#include "settings/settingsset.h"
#include "settings/unitmodel.h"
#include "transfer/settingsfile.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <optional>
#include <unistd.h>

namespace cli {

namespace {

// The context of the diff's texts.
class Diff {
    Q_DECLARE_TR_FUNCTIONS(cli::Diff)
};

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
        return Failure{kUsage, Diff::tr("diff: \"%1\": this program keeps no register of sites").arg(side.spec)};
    QString error;
    if (!transfer::read_settings_file(side.spec, side.set, &error))
        return Failure{kBadFile, Diff::tr("diff: ") + error};
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

int runDiff(const Request &request, Reporter &)
{
    const bool json = request.json;
    // With --json only the object goes out; the read's progress would be noise.
    Reporter report(request.quiet || json, ::isatty(STDERR_FILENO) == 1);
    const QString model = request.model;
    Side left{request.arguments.at(0), {}}, right{request.arguments.at(1), {}};
    if (left.spec == kUnitSide && right.spec == kUnitSide)
        return fail({kUsage, Diff::tr("diff: only one side can be the unit")}, json, report);
    for (Side *side : {&left, &right})
        if (side->spec != kUnitSide)
            if (const auto failure = loadFile(*side))
                return fail(*failure, json, report);
    for (Side *side : {&left, &right}) {
        if (side->spec != kUnitSide)
            continue;
        if (!request.port)
            return fail({kUsage, Diff::tr("diff: the side \"unit\" needs --port")}, json, report);
        // The unit opens with the other side's password unless one is given.
        const Side &other = side == &left ? right : left;
        const Password password = password_for(request, report, other.set.password);
        if (!password.error.isEmpty())
            return fail({kUsage, password.error}, json, report);
        QString message;
        const int code = read_unit_settings(request, report, password, Diff::tr("diff: "), &side->set, &message);
        if (code != kDone) {
            // The read has told it already; a script still gets its JSON.
            if (json)
                fail({code, message}, json, report);
            return code;
        }
    }
    const compare::Comparison c = compare::compare_settings(left.set, right.set, model);
    print(c, left.spec, right.spec, model, json);
    return c.same() ? kDone : kDifferences;
}

} // namespace cli
