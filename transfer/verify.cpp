#include "transfer/verify.h"

#include "link/wire.h"
#include "settings/numberform.h"
#include "settings/unitmodel.h"
#include "transfer/recordtags.h"
#include "transfer/settingsparser.h"
#include "transfer/upload.h"

#include <QCoreApplication>
#include <QMultiHash>

#include <algorithm>

namespace transfer {

UnitDump read_unit_dump(const QString &records, settings::SettingsSet base)
{
    UnitDump dump;
    dump.settings = std::move(base);
    dump.settings.numbers.clear();
    const ParseResult parsed = parse_settings(records, dump.settings, TextKind::Dump);
    dump.tags = parsed.tags;
    dump.marks = parsed.marks;
    return dump;
}

UploadedParts uploaded_parts(const QList<UploadCommand> &commands)
{
    UploadedParts parts;
    for (const UploadCommand &c : commands) {
        if (c.word == unitlink::wire::input_name_word(0))
            parts.system = true;
        else if (c.word == unitlink::wire::kClearNumbers)
            parts.telephone = true;
    }
    return parts;
}

namespace {

QString marksText(const std::array<bool, 4> &outputs)
{
    QStringList on;
    for (int k = 0; k < 4; ++k)
        if (outputs[k])
            on << QString::number(k + 1);
    return on.isEmpty() ? QCoreApplication::translate("transfer", "none") : on.join(QLatin1Char(','));
}

class Comparison {
public:
    explicit Comparison(const UnitDump &found) : found_(found) {}

    // False when the dump does not carry `tag`.
    bool field(const QString &label, const QString &tag, const QString &sent, const QString &found)
    {
        if (!found_.tags.contains(tag)) {
            result.notVerifiable << label;
            return false;
        }
        same(label, sent, found);
        return true;
    }
    void same(const QString &label, const QString &sent, const QString &found)
    {
        if (sent == found)
            ++result.matches;
        else
            result.differences.append({label, sent, found});
    }

    Verification result;

private:
    const UnitDump &found_;
};

} // namespace

Verification verify_upload(const settings::SettingsSet &sent, const QString &unitModel, const UploadedParts &parts,
                           const UnitDump &found)
{
    const settings::SettingsSet &held = found.settings;
    Comparison c(found);
    Compared &compared = c.result.compared;
    if (parts.identity) {
        compared.password = c.field(QCoreApplication::translate("transfer", "System password"), tags::kPassword,
                                    sent.password, held.password);
        // A password is a secret wherever the result goes: only that it differs is told.
        for (Difference &d : c.result.differences)
            if (d.field == QCoreApplication::translate("transfer", "System password"))
                d = {d.field, unitlink::wire::kHiddenPassword, unitlink::wire::kHiddenPassword, Difference::Kind::Secret};
        compared.name = c.field(QCoreApplication::translate("transfer", "System name"), tags::kName, sent.systemName,
                                held.systemName);
    }
    if (parts.system) {
        // The dump has no record for the options.
        c.result.notVerifiable << QCoreApplication::translate("transfer", "Error reporting") << QCoreApplication::translate("transfer", "Output confirmation")
                               << QCoreApplication::translate("transfer", "Monitor inputs");
        for (int k = 0; k < 4; ++k)
            compared.inputs += c.field(QCoreApplication::translate("transfer", "Input name %1").arg(k + 1), tags::input_name(k),
                                       sent.inputNames[k], held.inputNames[k])
                                   ? 1
                                   : 0;
    }
    if (!parts.telephone)
        return c.result;
    compared.master = c.field(QCoreApplication::translate("transfer", "Master number"), tags::kMasterNumber, sent.masterNumber, held.masterNumber);

    // The unit's list is matched by number, not by position: one number missing must not
    // make every later row look different.
    const bool intercom = unitModel == settings::kIntercom;
    QMultiHash<QString, qsizetype> unmatched;
    for (qsizetype i = held.numbers.size() - 1; i >= 0; --i)
        unmatched.insert(settings::strip_plus(held.numbers.at(i).number), i);
    bool marksUnknown = false;
    for (qsizetype i = 0; i < sent.numbers.size(); ++i) {
        const settings::NumberRow &row = sent.numbers.at(i);
        const QString label = QCoreApplication::translate("transfer", "Number %1").arg(i + 1);
        const QString number = settings::strip_plus(row.number);
        const auto hit = unmatched.find(number);
        if (hit == unmatched.end()) {
            c.result.differences.append({label, row.number, QString(), Difference::Kind::Missing});
            continue;
        }
        const settings::NumberRow &there = held.numbers.at(hit.value());
        unmatched.erase(hit);
        ++c.result.matches;
        ++compared.numbers;
        if (intercom)
            c.same(label + QCoreApplication::translate("transfer", " unit number"), plain_number(row.unit), there.unit);
        else if (found.marks)
            c.same(label + QCoreApplication::translate("transfer", " outputs"), marksText(row.outputs), marksText(there.outputs));
        else
            marksUnknown = true;
    }
    QList<qsizetype> extra = unmatched.values();
    std::sort(extra.begin(), extra.end());
    for (qsizetype i : extra)
        c.result.differences.append(
            {QCoreApplication::translate("transfer", "Number in the unit"), QString(), held.numbers.at(i).number, Difference::Kind::Extra});
    if (marksUnknown)
        c.result.notVerifiable << QCoreApplication::translate("transfer", "Output rights of the numbers");
    return c.result;
}

} // namespace transfer
