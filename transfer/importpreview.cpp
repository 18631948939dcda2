#include "transfer/importpreview.h"

#include "settings/numberform.h"
#include "settings/unitmodel.h"
#include "settings/valuecheck.h"

#include <QCoreApplication>
#include <QHash>
#include <QStringList>

#include <algorithm>

namespace transfer {

namespace {
QString tr(const char *text) { return QCoreApplication::translate("transfer::ImportPreview", text); }
} // namespace

int ImportPreview::count(ImportRow::Outcome outcome) const
{
    return int(std::count_if(rows.cbegin(), rows.cend(), [outcome](const ImportRow &r) { return r.outcome == outcome; }));
}

ImportPreview preview_import(const QByteArray &bytes, const QList<settings::NumberRow> &listed, const QString &unitModel)
{
    ImportPreview out;
    const NumbersCsv csv = read_numbers_csv(bytes, unitModel);
    out.error = csv.error;
    out.rowsRead = csv.rowsRead;
    out.columns = csv.columns;
    out.header = csv.header;
    QHash<QString, int> where;
    for (int i = 0; i < int(listed.size()); ++i)
        where.insert(listed[i].number, i);
    for (const CsvRefusal &r : csv.refused) {
        ImportRow row;
        row.outcome = ImportRow::Outcome::Refused;
        row.line = r.line;
        row.inFile = r.inFile;
        row.damage = r.damage;
        row.why = r.why;
        out.rows.append(row);
    }
    for (const CsvNumber &n : csv.numbers) {
        ImportRow row;
        row.line = n.line;
        row.inFile = n.inFile;
        row.row = n.row;
        row.label = n.label;
        row.damage = n.damage;
        row.listedRow = where.value(n.row.number, -1);
        // Every value passes the one check the list holds, whatever the reader made of it.
        if (const QString why = settings::text_problem(n.row.unit, settings::kRefusedInText); !why.isEmpty()) {
            row.outcome = ImportRow::Outcome::Refused;
            row.why = why;
        } else if (n.damage != Damage::None) {
            row.outcome = ImportRow::Outcome::Damaged;
            row.why = n.damage == Damage::LeadingZeroDropped ? tr("leading 0 dropped?") : tr("\"+\" lost?");
        } else {
            row.outcome = row.listedRow >= 0 ? ImportRow::Outcome::Merged : ImportRow::Outcome::Accepted;
        }
        out.rows.append(row);
    }
    std::stable_sort(out.rows.begin(), out.rows.end(), [](const ImportRow &a, const ImportRow &b) { return a.line < b.line; });
    return out;
}

QString columns_text(const ImportPreview &preview, const QString &unitModel)
{
    const auto column = [&preview](int i) {
        if (i < 0)
            return tr("none");
        const QString header = preview.columns.headers.value(i).trimmed();
        return header.isEmpty() ? tr("column %1").arg(i + 1) : tr("column %1 (\"%2\")").arg(i + 1).arg(header);
    };
    return tr("Number: %1; %2: %3; label: %4.")
        .arg(column(preview.columns.number),
             unitModel == settings::kIntercom ? tr("unit number") : tr("outputs"),
             column(preview.columns.second), column(preview.columns.label));
}

QList<settings::NumberRow> imported_list(const ImportPreview &preview, const QList<settings::NumberRow> &listed,
                                         bool withDamaged, const QString &unitModel)
{
    QList<settings::NumberRow> out = listed;
    const bool gate = unitModel != settings::kIntercom;
    for (const ImportRow &r : preview.rows) {
        const bool take = r.outcome == ImportRow::Outcome::Accepted || r.outcome == ImportRow::Outcome::Merged
                          || (withDamaged && r.outcome == ImportRow::Outcome::Damaged);
        if (!take)
            continue;
        if (r.listedRow >= 0 && r.listedRow < out.size()) {
            // The listed row keeps its place; the file says what it may open, or its unit.
            if (gate && preview.columns.second >= 0)
                out[r.listedRow].outputs = r.row.outputs;
            else if (!r.row.unit.isEmpty())
                out[r.listedRow].unit = r.row.unit;
        } else {
            out.append(r.row);
        }
    }
    if (gate) // running numbers, as Add writes them
        settings::number_in_order(out);
    return out;
}

} // namespace transfer
