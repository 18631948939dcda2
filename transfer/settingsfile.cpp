#include "transfer/settingsfile.h"

#include "platform/latin1.h"
#include "platform/textfile.h"
#include "settings/numberform.h"
#include "settings/unitmodel.h"
#include "transfer/settingsparser.h"

namespace transfer {

namespace {
const QString kLineEnd = QStringLiteral("\r\n");

// Cuts `value` to the file limit when it is over it and did not hold it before the read.
void cutIfNew(QString &value, const QString &before, const QString &field, QStringList *cut)
{
    if (value.size() <= kMaxFileValueLength || value == before)
        return;
    value.truncate(kMaxFileValueLength);
    if (cut)
        cut->append(field);
}
} // namespace

QString settings_file_text(const settings::SettingsSet &set, const QString &unitModel)
{
    auto line = [](const QString &record) { return record + QLatin1Char('|') + kLineEnd; };

    QString options, monitor;
    if (set.errorReporting)
        options += QLatin1Char('1');
    if (set.outputConfirmation)
        options += QLatin1Char('4');
    static const char kMonitorDigits[] = "1248";
    for (int k = 0; k < 4; ++k)
        if (set.monitorInputs[k])
            monitor += QLatin1Char(kMonitorDigits[k]);

    QString text = QStringLiteral("<START>") + line(QStringLiteral("|MP,") + set.password);
    text += line(QStringLiteral("SN,") + set.systemName);
    text += line(QStringLiteral("OP,") + options);
    text += line(QStringLiteral("MO,") + monitor);
    for (int k = 0; k < 4; ++k)
        text += line(QStringLiteral("I%1,").arg(k + 1) + set.inputNames[k]);
    text += line(QStringLiteral("MN,") + set.masterNumber);
    const bool gate = unitModel != settings::kIntercom;
    for (const settings::NumberRow &row : set.numbers) {
        QString record = QStringLiteral("TN,") + settings::strip_plus(row.number) + QLatin1Char(',') + row.unit;
        if (gate)
            record += QLatin1Char(',') + settings::output_digits(row.outputs);
        text += line(record);
    }
    text += QStringLiteral("<END>");
    return text;
}

bool write_settings_file(const QString &path, const settings::SettingsSet &set, const QString &unitModel,
                         QString *error)
{
    return platform::writeFileAtomically(path, platform::toWire(settings_file_text(set, unitModel) + kLineEnd), error);
}

bool read_settings_file(const QString &path, settings::SettingsSet &set, QString *error, QStringList *cut,
                        int *records)
{
    QByteArray bytes;
    if (!platform::readFile(path, &bytes, error, kMaxSettingsFileBytes))
        return false;
    // Line ends carry no meaning: records end in "|", and may be split over lines.
    QString text = platform::fromWire(bytes);
    bytes.clear();
    text.remove(QLatin1Char('\n'));
    text.remove(QLatin1Char('\r'));
    const settings::SettingsSet before = set;
    const int read = parse_settings(text, set).records;
    if (records)
        *records = read;

    cutIfNew(set.password, before.password, QStringLiteral("System password"), cut);
    cutIfNew(set.systemName, before.systemName, QStringLiteral("System name"), cut);
    cutIfNew(set.masterNumber, before.masterNumber, QStringLiteral("Master number"), cut);
    for (int k = 0; k < 4; ++k)
        cutIfNew(set.inputNames[k], before.inputNames[k], QStringLiteral("Input name %1").arg(k + 1), cut);
    for (qsizetype i = before.numbers.size(); i < set.numbers.size(); ++i) {
        settings::NumberRow &row = set.numbers[i];
        const qsizetype nth = i - before.numbers.size() + 1;
        cutIfNew(row.number, QString(), QStringLiteral("number %1 of the file").arg(nth), cut);
        cutIfNew(row.unit, QString(), QStringLiteral("unit of number %1 of the file").arg(nth), cut);
    }
    return true;
}

QString cut_values_message(const QStringList &cut)
{
    if (cut.isEmpty())
        return QString();
    return QStringLiteral("Some values in the file are longer than %1 characters and were cut to that length: %2")
        .arg(kMaxFileValueLength)
        .arg(cut.join(QStringLiteral(", ")));
}

} // namespace transfer
