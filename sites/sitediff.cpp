#include "sites/sitediff.h"

#include "settings/numberform.h"

#include <QCoreApplication>
#include <QHash>
#include <QStringList>

namespace sites {

namespace {

QString yesNo(bool on) { return on ? QStringLiteral("on") : QStringLiteral("off"); }

QString rowText(const settings::NumberRow &row)
{
    const QString outputs = settings::output_digits(row.outputs);
    return outputs.isEmpty() ? row.unit : row.unit + QLatin1Char('/') + outputs;
}

void compareNumbers(const QList<settings::NumberRow> &before, const QList<settings::NumberRow> &after,
                    QList<Change> *out)
{
    QHash<QString, const settings::NumberRow *> old;
    for (const settings::NumberRow &row : before)
        old.insert(row.number, &row);
    QHash<QString, bool> seen;
    for (const settings::NumberRow &row : after) {
        seen.insert(row.number, true);
        const settings::NumberRow *was = old.value(row.number);
        if (!was)
            out->append({Change::Kind::NumberAdded, row.number, QString(), rowText(row)});
        else if (was->outputs != row.outputs || was->unit != row.unit)
            out->append({Change::Kind::NumberChanged, row.number, rowText(*was), rowText(row)});
    }
    for (const settings::NumberRow &row : before)
        if (!seen.contains(row.number))
            out->append({Change::Kind::NumberRemoved, row.number, rowText(row), QString()});
}

} // namespace

QString counted(int n, const char *one, const char *many)
{
    return n == 1 ? QCoreApplication::translate("sites", one) : QCoreApplication::translate("sites", many).arg(n);
}

int Comparison::count(Change::Kind kind) const
{
    return int(std::count_if(changes.cbegin(), changes.cend(), [kind](const Change &c) { return c.kind == kind; }));
}

QString Comparison::summary() const
{
    if (changes.isEmpty())
        return QCoreApplication::translate("sites", "no change");
    QStringList parts;
    const int added = count(Change::Kind::NumberAdded), removed = count(Change::Kind::NumberRemoved),
              changed = count(Change::Kind::NumberChanged), labels = count(Change::Kind::Label);
    if (added)
        parts << counted(added, "1 number added", "%1 numbers added");
    if (removed)
        parts << (added ? counted(removed, "1 removed", "%1 removed")
                        : counted(removed, "1 number removed", "%1 numbers removed"));
    if (changed)
        parts << counted(changed, "1 number with other rights", "%1 numbers with other rights");
    for (const Change &c : changes)
        if (c.kind == Change::Kind::Setting)
            parts << QCoreApplication::translate("sites", "%1 changed").arg(c.field.toLower());
    if (labels)
        parts << counted(labels, "1 label changed", "%1 labels changed");
    return parts.join(QStringLiteral(", "));
}

Comparison compare_settings(const settings::SettingsSet &a, const settings::SettingsSet &b, const Labels &labelsA,
                            const Labels &labelsB)
{
    Comparison out;
    const auto setting = [&](const QString &field, const QString &before, const QString &after) {
        if (before != after)
            out.changes.append({Change::Kind::Setting, field, before, after});
    };
    if (a.password != b.password)
        out.changes.append({Change::Kind::Setting, QStringLiteral("Password"), QStringLiteral("****"),
                            QStringLiteral("****")});
    setting(QStringLiteral("Name"), a.systemName, b.systemName);
    setting(QStringLiteral("Master number"), a.masterNumber, b.masterNumber);
    for (int k = 0; k < 4; ++k)
        setting(QStringLiteral("Input %1 name").arg(k + 1), a.inputNames[k], b.inputNames[k]);
    if (a.systemOptionsKnown && b.systemOptionsKnown) {
        setting(QStringLiteral("Error reporting"), yesNo(a.errorReporting), yesNo(b.errorReporting));
        setting(QStringLiteral("Output confirmation"), yesNo(a.outputConfirmation), yesNo(b.outputConfirmation));
        for (int k = 0; k < 4; ++k)
            setting(QStringLiteral("Monitor input %1").arg(k + 1), yesNo(a.monitorInputs[k]), yesNo(b.monitorInputs[k]));
    }
    compareNumbers(a.numbers, b.numbers, &out.changes);
    Labels all = labelsA;
    all.insert(labelsB);
    for (auto it = all.cbegin(); it != all.cend(); ++it)
        if (labelsA.value(it.key()) != labelsB.value(it.key()))
            out.changes.append({Change::Kind::Label, it.key(), labelsA.value(it.key()), labelsB.value(it.key())});
    return out;
}

} // namespace sites
