#include "transfer/upload.h"

#include "link/unitlink.h"
#include "link/wire.h"
#include "settings/numberform.h"
#include "settings/unitmodel.h"

#include <algorithm>

namespace transfer {

QList<UploadCommand> upload_commands(const settings::SettingsSet &set, const QString &unitModel)
{
    QList<UploadCommand> out;
    auto queue = [&out](const char *label, const QString &value, const QString &word) {
        out.append({QString::fromLatin1(label), value, word});
    };
    namespace wire = unitlink::wire;
    queue("System password", set.password, wire::kPassword);
    queue("System name", set.systemName, wire::kName);
    if (set.uploadSystem && unitModel != settings::kIntercom) {
        if (set.systemOptionsKnown) {
            queue("Error reporting", wire::on_off(set.errorReporting), wire::kErrorReporting);
            queue("Output confirmation", wire::on_off(set.outputConfirmation), wire::kOutputConfirmation);
            queue("Monitor inputs", settings::output_digits(set.monitorInputs), wire::kMonitorInputs);
        }
        for (int k = 0; k < 4; ++k)
            out.append({QStringLiteral("Input%1").arg(k + 1), set.inputNames[k], wire::input_name_word(k)});
    }
    if (!set.uploadTelephone)
        return out; // the unit keeps its master number and list
    queue("Master Number", set.masterNumber, wire::kMasterNumber);
    queue("Clear Tel list", QString(), wire::kClearNumbers);
    for (const settings::NumberRow &row : set.numbers) {
        QString entry = settings::strip_plus(row.number) + QLatin1Char(',');
        entry += unitModel == settings::kIntercom ? row.unit : settings::output_digits(row.outputs);
        queue("Send Telno", entry, wire::kAddNumber);
    }
    return out;
}

bool system_options_kept(const settings::SettingsSet &set, const QString &unitModel)
{
    return set.uploadSystem && unitModel != settings::kIntercom && !set.systemOptionsKnown;
}

QString upload_summary(const settings::SettingsSet &set, const QString &unitModel)
{
    const bool gate = unitModel != settings::kIntercom;
    QString what = QStringLiteral("System password and name");
    if (system_options_kept(set, unitModel))
        what += QStringLiteral(", input names (the unit keeps its system options)");
    else if (set.uploadSystem && gate)
        what += QStringLiteral(", system options and input names");
    if (!set.uploadTelephone)
        return what + QStringLiteral("; the unit's master number and telephone list are left as they are.");
    const qsizetype n = set.numbers.size();
    what += n == 0   ? QStringLiteral(", master number, and no numbers: the unit's list is emptied.")
            : n == 1 ? QStringLiteral(", master number, and 1 number: the unit's list is cleared first.")
                     : QStringLiteral(", master number, and %1 numbers: the unit's list is cleared first.").arg(n);
    const bool anyOutput = std::any_of(set.numbers.cbegin(), set.numbers.cend(), [](const settings::NumberRow &r) {
        return std::find(r.outputs.cbegin(), r.outputs.cend(), true) != r.outputs.cend();
    });
    if (gate && n > 0 && !anyOutput)
        what += QStringLiteral("\nWarning: no number in the list may switch an output, so no call will open "
                               "anything.");
    return what;
}

QString unsendable_value(const settings::SettingsSet &set, const QString &unitModel)
{
    using settings::kRefusedInPassword, settings::kRefusedInText;
    const auto check = [](const QString &field, const QString &value, const QString &refused) -> QString {
        for (const QChar c : refused)
            if (value.contains(c))
                return QStringLiteral("The %1 holds \"%2\", which the unit cannot take. Change it, then upload "
                                      "again. Nothing was sent.")
                    .arg(field, QString(c));
        return QString();
    };
    QString found = check(QStringLiteral("system password"), set.password, kRefusedInPassword);
    if (found.isEmpty())
        found = check(QStringLiteral("system name"), set.systemName, kRefusedInText);
    if (set.uploadSystem && unitModel != settings::kIntercom)
        for (int k = 0; k < 4 && found.isEmpty(); ++k)
            found = check(QStringLiteral("name of input %1").arg(k + 1), set.inputNames[k], kRefusedInText);
    if (!set.uploadTelephone)
        return found;
    if (found.isEmpty())
        found = check(QStringLiteral("master number"), set.masterNumber, kRefusedInText);
    for (qsizetype i = 0; i < set.numbers.size() && found.isEmpty(); ++i) {
        found = check(QStringLiteral("number in row %1 of the list").arg(i + 1), set.numbers.at(i).number, kRefusedInText);
        if (found.isEmpty() && unitModel == settings::kIntercom)
            found = check(QStringLiteral("unit number in row %1 of the list").arg(i + 1), set.numbers.at(i).unit, kRefusedInText);
    }
    return found;
}

} // namespace transfer
