#include "transfer/settingsfile.h"

#include "platform/dialogs.h"
#include "platform/latin1.h"
#include "platform/textfile.h"
#include "settings/numbergrid.h"
#include "settings/settingseditors.h"
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

void cmdSave_Click(const settings::SettingsEditors &editors, const QString &unitModel, platform::Dialogs &dialogs)
{
    const settings::SettingsSet set = editors.store();
    const QString name = dialogs.saveFileName(QStringLiteral("Save File"), kSettingsFileFilter);
    if (name.isEmpty())
        return;
    QString error;
    if (!write_settings_file(name, set, unitModel, &error))
        dialogs.message(QStringLiteral("The settings were not saved; any earlier file of that name is unchanged. %1")
                            .arg(error),
                        platform::Dialogs::Icon::Stop);
}

void cmdLoad_Click(settings::SettingsEditors &editors, platform::Dialogs &dialogs)
{
    const QString name = dialogs.openFileName(QStringLiteral("File Open"), kSettingsFileFilter);
    if (name.isEmpty() || name == QLatin1String("*.csv"))
        return;
    const settings::SettingsSet shown = editors.store();
    settings::SettingsSet set = shown;
    set.numbers.clear();
    QString error;
    QStringList cut;
    if (!read_settings_file(name, set, &error, &cut)) {
        dialogs.message(QStringLiteral("The settings file was not loaded; nothing was changed. %1").arg(error),
                        platform::Dialogs::Icon::Stop);
        return;
    }
    if (!shown.numbers.isEmpty()) {
        // Adding behind a list that came from another file or unit doubles it, or mixes two
        // sites' numbers: the operator says which is meant.
        const int answer = dialogs.choose(
            QStringLiteral("The telephone list already holds %1 numbers; the file holds %2.")
                .arg(shown.numbers.size())
                .arg(set.numbers.size()),
            QStringLiteral("Replace the list with the file's numbers, add the file's numbers after those shown, "
                           "or cancel: nothing is changed."),
            {QStringLiteral("Replace the list"), QStringLiteral("Add to the list"), QStringLiteral("Cancel")});
        if (answer == 1)
            set.numbers = shown.numbers + set.numbers;
        else if (answer != 0)
            return;
    }
    const QString tooLong = long_values_message(editors.load(set));
    const QString cutText = cut_values_message(cut);
    const QString note = (cutText + QLatin1Char('\n') + tooLong).trimmed();
    if (!note.isEmpty())
        dialogs.message(note, platform::Dialogs::Icon::Information);
}

} // namespace transfer
