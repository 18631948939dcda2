#include "transfer/verify.h"

#include "link/wire.h"
#include "settings/numberform.h"
#include "settings/unitmodel.h"
#include "transfer/recordtags.h"
#include "transfer/settingsparser.h"
#include "transfer/upload.h"

#include <algorithm>

#include <QMultiHash>

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
    return on.isEmpty() ? QStringLiteral("none") : on.join(QLatin1Char(','));
}

class Comparison {
public:
    explicit Comparison(const UnitDump &found) : found_(found) {}

    void field(const QString &label, const QString &tag, const QString &sent, const QString &found)
    {
        if (!found_.tags.contains(tag))
            result.notVerifiable << label;
        else
            same(label, sent, found);
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
    if (parts.identity) {
        c.field(QStringLiteral("System password"), tags::kPassword, sent.password, held.password);
        // A password is a secret wherever the result goes: only that it differs is told.
        for (Difference &d : c.result.differences)
            if (d.field == QLatin1String("System password"))
                d = {d.field, unitlink::wire::kHiddenPassword, unitlink::wire::kHiddenPassword, Difference::Kind::Secret};
        c.field(QStringLiteral("System name"), tags::kName, sent.systemName, held.systemName);
    }
    if (parts.system) {
        // The dump has no record for the options.
        c.result.notVerifiable << QStringLiteral("Error reporting") << QStringLiteral("Output confirmation")
                               << QStringLiteral("Monitor inputs");
        for (int k = 0; k < 4; ++k)
            c.field(QStringLiteral("Input name %1").arg(k + 1), tags::input_name(k),
                    sent.inputNames[k], held.inputNames[k]);
    }
    if (!parts.telephone)
        return c.result;
    c.field(QStringLiteral("Master number"), tags::kMasterNumber, sent.masterNumber, held.masterNumber);

    // The unit's list is matched by number, not by position: one number missing must not
    // make every later row look different.
    const bool intercom = unitModel == settings::kIntercom;
    QMultiHash<QString, qsizetype> unmatched;
    for (qsizetype i = held.numbers.size() - 1; i >= 0; --i)
        unmatched.insert(settings::strip_plus(held.numbers.at(i).number), i);
    bool marksUnknown = false;
    for (qsizetype i = 0; i < sent.numbers.size(); ++i) {
        const settings::NumberRow &row = sent.numbers.at(i);
        const QString label = QStringLiteral("Number %1").arg(i + 1);
        const QString number = settings::strip_plus(row.number);
        const auto hit = unmatched.find(number);
        if (hit == unmatched.end()) {
            c.result.differences.append({label, row.number, QString(), Difference::Kind::Missing});
            continue;
        }
        const settings::NumberRow &there = held.numbers.at(hit.value());
        unmatched.erase(hit);
        ++c.result.matches;
        if (intercom)
            c.same(label + QStringLiteral(" unit number"), plain_number(row.unit), there.unit);
        else if (found.marks)
            c.same(label + QStringLiteral(" outputs"), marksText(row.outputs), marksText(there.outputs));
        else
            marksUnknown = true;
    }
    QList<qsizetype> extra = unmatched.values();
    std::sort(extra.begin(), extra.end());
    for (qsizetype i : extra)
        c.result.differences.append(
            {QStringLiteral("Number in the unit"), QString(), held.numbers.at(i).number, Difference::Kind::Extra});
    if (marksUnknown)
        c.result.notVerifiable << QStringLiteral("Output rights of the numbers");
    return c.result;
}

QString verification_text(const Verification &result)
{
    QString text;
    if (result.ok()) {
        text = QStringLiteral("Verified: all %1 settings match.").arg(result.matches);
    } else {
        const qsizetype n = result.differences.size();
        text = QStringLiteral("Verification failed: the unit holds %1 setting%2 other than what was sent (%3 "
                              "match):")
                   .arg(n)
                   .arg(n == 1 ? QString() : QStringLiteral("s"))
                   .arg(result.matches);
        for (qsizetype i = 0; i < std::min<qsizetype>(n, kDifferencesShown); ++i) {
            const Difference &d = result.differences.at(i);
            switch (d.kind) {
            case Difference::Kind::Value:
                text += QStringLiteral("\n%1: sent \"%2\", the unit holds \"%3\"").arg(d.field, d.sent, d.found);
                break;
            case Difference::Kind::Secret:
                text += QStringLiteral("\n%1: differs from the one sent").arg(d.field);
                break;
            case Difference::Kind::Missing:
                text += QStringLiteral("\n%1: \"%2\" was sent but is not in the unit's list").arg(d.field, d.sent);
                break;
            case Difference::Kind::Extra:
                text += QStringLiteral("\n%1: \"%2\" is in the unit's list but was not sent").arg(d.field, d.found);
                break;
            }
        }
        if (n > kDifferencesShown)
            text += QStringLiteral("\n... and %1 more.").arg(n - kDifferencesShown);
        text += QStringLiteral("\nUpload the settings again, or read them from the unit to see what it holds.");
    }
    if (!result.notVerifiable.isEmpty())
        text += QStringLiteral("\nNot verifiable, because the unit's dump does not carry them: %1.")
                    .arg(result.notVerifiable.join(QStringLiteral(", ")));
    return text;
}

} // namespace transfer
