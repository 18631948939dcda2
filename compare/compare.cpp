#include "compare/compare.h"

#include "settings/numberform.h"
#include "settings/unitmodel.h"
#include "transfer/settingsparser.h"

#include <QCoreApplication>
#include <QMultiHash>
#include <QStringList>

namespace compare {

namespace {

QString tr(const char *text) { return QCoreApplication::translate("compare", text); }

QString yesNo(bool on) { return on ? tr("on") : tr("off"); }

QString rightsText(const settings::NumberRow &row)
{
    const QString digits = settings::output_digits(row.outputs);
    return digits.isEmpty() ? tr("none") : digits;
}

struct Builder {
    Comparison out;
    void setting(const QString &field, const QString &what, const QString &left, const QString &right)
    {
        if (left == right)
            return;
        Row row;
        row.what = what;
        row.left = left;
        row.right = right;
        row.field = field;
        out.rows.append(row);
    }
};

void compareSettings(Builder &b, const settings::SettingsSet &l, const settings::SettingsSet &r, bool gate)
{
    if (l.password != r.password) {
        // Both sides stay hidden: a script's output is no place for a password.
        Row row;
        row.what = tr("System password");
        row.left = row.right = QStringLiteral("****");
        row.field = kFieldPassword;
        b.out.rows.append(row);
    }
    b.setting(kFieldName, tr("System name"), l.systemName, r.systemName);
    // "+2782..." in a file and "2782..." in the unit's dump are the same master number.
    if (settings::strip_plus(l.masterNumber) != settings::strip_plus(r.masterNumber))
        b.setting(kFieldMaster, tr("Master number"), l.masterNumber, r.masterNumber);
    if (!gate)
        return;
    if (l.systemOptionsKnown && r.systemOptionsKnown) {
        b.setting(kFieldErrorReporting, tr("Error reporting"), yesNo(l.errorReporting), yesNo(r.errorReporting));
        b.setting(kFieldOutputConfirmation, tr("Output confirmation"), yesNo(l.outputConfirmation),
                  yesNo(r.outputConfirmation));
        b.setting(kFieldMonitorInputs, tr("Monitor inputs"), settings::output_digits(l.monitorInputs),
                  settings::output_digits(r.monitorInputs));
    }
    for (int k = 0; k < 4; ++k)
        b.setting(kFieldInputName.arg(k + 1), tr("Input name %1").arg(k + 1), l.inputNames[k], r.inputNames[k]);
}

void compareNumbers(Builder &b, const settings::SettingsSet &l, const settings::SettingsSet &r, bool gate,
                    const Labels &labels)
{
    QMultiHash<QString, qsizetype> unmatched;
    for (qsizetype i = 0; i < l.numbers.size(); ++i)
        unmatched.insert(settings::strip_plus(l.numbers.at(i).number), i);
    QList<bool> paired(l.numbers.size(), false);
    const auto numberRow = [&](Row::Kind kind, const settings::NumberRow &shown) {
        Row row;
        row.kind = kind;
        row.what = shown.number;
        row.label = labels.value(settings::strip_plus(shown.number));
        return row;
    };
    const auto value = [gate](const settings::NumberRow &row) { return gate ? rightsText(row) : row.unit; };
    for (const settings::NumberRow &there : r.numbers) {
        const auto hit = unmatched.find(settings::strip_plus(there.number));
        if (hit == unmatched.end()) {
            Row row = numberRow(Row::Kind::Added, there);
            row.right = value(there);
            row.rightRow = there;
            b.out.rows.append(row);
            ++b.out.added;
            continue;
        }
        const qsizetype i = hit.value();
        unmatched.erase(hit);
        paired[i] = true;
        const settings::NumberRow &here = l.numbers.at(i);
        const bool same = gate ? here.outputs == there.outputs
                               : transfer::plain_number(here.unit) == transfer::plain_number(there.unit);
        if (same)
            continue;
        Row row = numberRow(gate ? Row::Kind::Rights : Row::Kind::UnitNumber, there);
        row.left = value(here);
        row.right = value(there);
        row.leftRow = here;
        row.rightRow = there;
        b.out.rows.append(row);
        ++b.out.changed;
    }
    for (qsizetype i = 0; i < l.numbers.size(); ++i) {
        if (paired.at(i))
            continue;
        const settings::NumberRow &here = l.numbers.at(i);
        Row row = numberRow(Row::Kind::Removed, here);
        row.left = value(here);
        row.leftRow = here;
        b.out.rows.append(row);
        ++b.out.removed;
    }
}

} // namespace

Comparison compare_settings(const settings::SettingsSet &left, const settings::SettingsSet &right,
                            const QString &model, const Labels &labels)
{
    const bool gate = model != settings::kIntercom;
    Builder b;
    compareSettings(b, left, right, gate);
    compareNumbers(b, left, right, gate, labels);
    return b.out;
}

QString counts_text(const Comparison &c)
{
    if (c.same())
        return tr("The two sides hold the same settings and numbers");
    QStringList parts;
    if (c.added > 0)
        parts << tr("%1 added").arg(c.added);
    if (c.removed > 0)
        parts << tr("%1 removed").arg(c.removed);
    if (c.changed > 0)
        parts << tr("%1 changed").arg(c.changed);
    int others = 0;
    for (const Row &row : c.rows) {
        if (row.kind != Row::Kind::Setting)
            continue;
        if (row.field == kFieldName)
            parts << tr("name changed");
        else if (row.field == kFieldMaster)
            parts << tr("master number changed");
        else if (row.field == kFieldPassword)
            parts << tr("password changed");
        else
            ++others;
    }
    if (others > 0)
        parts << (others == 1 ? tr("1 other setting changed") : tr("%1 other settings changed").arg(others));
    return parts.join(QStringLiteral(", "));
}

QString kind_key(Row::Kind kind)
{
    switch (kind) {
    case Row::Kind::Setting: return QStringLiteral("setting");
    case Row::Kind::Added: return QStringLiteral("added");
    case Row::Kind::Removed: return QStringLiteral("removed");
    case Row::Kind::Rights: return QStringLiteral("rights");
    case Row::Kind::UnitNumber: return QStringLiteral("unit");
    }
    return QString();
}

namespace {

void takeSetting(settings::SettingsSet &out, const settings::SettingsSet &from, const QString &field)
{
    if (field == kFieldPassword) {
        out.password = from.password;
    } else if (field == kFieldName) {
        out.systemName = from.systemName;
    } else if (field == kFieldMaster) {
        out.masterNumber = from.masterNumber;
        out.uploadTelephone = true;
    } else if (field == kFieldErrorReporting || field == kFieldOutputConfirmation || field == kFieldMonitorInputs) {
        // The three options go as one: they are compared only where both sides know them.
        out.errorReporting = from.errorReporting;
        out.outputConfirmation = from.outputConfirmation;
        out.monitorInputs = from.monitorInputs;
        out.systemOptionsKnown = from.systemOptionsKnown;
        out.uploadSystem = true;
    } else {
        for (int k = 0; k < 4; ++k)
            if (field == kFieldInputName.arg(k + 1))
                out.inputNames[k] = from.inputNames[k];
        out.uploadSystem = true;
    }
}

qsizetype indexOf(const QList<settings::NumberRow> &rows, const QString &number)
{
    const QString key = settings::strip_plus(number);
    for (qsizetype i = 0; i < rows.size(); ++i)
        if (settings::strip_plus(rows.at(i).number) == key)
            return i;
    return -1;
}

} // namespace

settings::SettingsSet apply_rows(const settings::SettingsSet &base, const settings::SettingsSet &other,
                                 const Comparison &comparison, const QList<bool> &chosen, bool towardRight)
{
    settings::SettingsSet out = base;
    out.uploadSystem = false;
    out.uploadTelephone = false;
    QList<settings::NumberRow> appended;
    for (qsizetype i = 0; i < comparison.rows.size() && i < chosen.size(); ++i) {
        if (!chosen.at(i))
            continue;
        const Row &row = comparison.rows.at(i);
        if (row.kind == Row::Kind::Setting) {
            takeSetting(out, other, row.field);
            continue;
        }
        out.uploadTelephone = true;
        const std::optional<settings::NumberRow> &wanted = towardRight ? row.rightRow : row.leftRow;
        const std::optional<settings::NumberRow> &had = towardRight ? row.leftRow : row.rightRow;
        const qsizetype at = had ? indexOf(out.numbers, had->number) : -1;
        if (!wanted) {
            if (at >= 0)
                out.numbers.removeAt(at);
        } else if (at >= 0) {
            out.numbers[at] = *wanted;
        } else {
            appended.append(*wanted);
        }
    }
    out.numbers += appended;
    return out;
}

} // namespace compare
