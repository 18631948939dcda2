#include "transfer/settingsfile.h"

#include "platform/latin1.h"
#include "platform/textfile.h"
#include "settings/numberform.h"
#include "settings/unitmodel.h"
#include "transfer/recordtags.h"
#include "transfer/settingsparser.h"

#include <QDir>
#include <QRegularExpression>

namespace transfer {

namespace {
const QString kLineEnd = QStringLiteral("\r\n");

// The first line that ends without "|" although the next one starts a record: the "|" of a
// record is missing, so two records would be read as one. (A record broken over two lines is
// still read: line breaks carry no meaning.) Empty when there is none.
QString missingBar(const QString &text)
{
    const QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        const QString &line = lines.at(i), &next = lines.at(i + 1);
        if (line.isEmpty() || line.endsWith(QLatin1Char('|')) || next.size() < 3 || next.at(2) != QLatin1Char(',')
            || !next.at(0).isUpper() || !(next.at(1).isUpper() || next.at(1).isDigit()))
            continue;
        return QStringLiteral("line %1 (%2) ends without its \"|\" before the record on the next line")
            .arg(i + 1)
            .arg(line.left(24));
    }
    return QString();
}
} // namespace

QString settings_file_text(const settings::SettingsSet &set, const QString &unitModel,
                           const std::optional<CarriedRecords> &carried)
{
    const auto sent = [&](const QString &tag) { return !carried || carried->tags.contains(tag); };
    auto line = [](const QString &record) { return record + QLatin1Char('|') + kLineEnd; };

    QString options, monitor;
    if (set.errorReporting)
        options += QLatin1Char('1');
    if (set.outputConfirmation)
        options += QLatin1Char('4');
    for (int k = 0; k < 4; ++k)
        if (set.monitorInputs[k])
            monitor += QLatin1Char(tags::kMonitorDigits[k]);

    QString text = tags::kStart + line(QLatin1Char('|') + tags::kPassword + set.password);
    if (sent(tags::kName))
        text += line(tags::kName + set.systemName);
    if (set.systemOptionsKnown) {
        text += line(tags::kOptions + options);
        text += line(tags::kMonitor + monitor);
    }
    for (int k = 0; k < 4; ++k)
        if (sent(tags::input_name(k)))
            text += line(tags::input_name(k) + set.inputNames[k]);
    if (sent(tags::kMasterNumber))
        text += line(tags::kMasterNumber + set.masterNumber);
    const bool gate = unitModel != settings::kIntercom && (!carried || carried->marks);
    for (const settings::NumberRow &row : set.numbers) {
        QString record = tags::kNumber + settings::strip_plus(row.number) + QLatin1Char(',') + row.unit;
        if (gate)
            record += QLatin1Char(',') + settings::output_digits(row.outputs);
        text += line(record);
    }
    text += tags::kEnd;
    return text;
}

bool write_settings_file(const QString &path, const settings::SettingsSet &set, const QString &unitModel,
                         QString *error, const std::optional<CarriedRecords> &carried)
{
    return platform::writeFileAtomically(path, platform::toWire(settings_file_text(set, unitModel, carried) + kLineEnd), error,
                                         platform::NewFileAccess::OwnerOnly);
}

bool read_settings_file(const QString &path, settings::SettingsSet &set, QString *error)
{
    QByteArray bytes;
    if (!platform::readFile(path, &bytes, error, kMaxSettingsFileBytes))
        return false;
    return read_settings_bytes(bytes, path, set, error);
}

bool read_settings_bytes(const QByteArray &bytes, const QString &path, settings::SettingsSet &set, QString *error)
{
    if (bytes.size() > kMaxSettingsFileBytes) {
        if (error)
            *error = QStringLiteral("\"%1\" cannot be used: it is too large.").arg(QDir::toNativeSeparators(path));
        return false;
    }
    const QString raw = platform::fromWire(bytes);
    const auto refuse = [&](const QString &why) {
        if (error)
            *error = QStringLiteral("\"%1\" cannot be used: %2.").arg(QDir::toNativeSeparators(path), why);
        return false;
    };
    if (!raw.startsWith(tags::kStart))
        return refuse(raw.isEmpty() ? QStringLiteral("it is empty") : QStringLiteral("it is not a settings file"));
    if (const QString problem = missingBar(raw); !problem.isEmpty())
        return refuse(problem);
    // Line ends carry no meaning: records end in "|", and may be split over lines.
    QString text = raw;
    text.remove(QLatin1Char('\n'));
    text.remove(QLatin1Char('\r'));
    settings::SettingsSet read = set;
    const ParseResult parsed = parse_settings(text, read, TextKind::File);
    if (!parsed.ok())
        return refuse(parsed.problem);
    // A file cut just after "<END>" has lost no record, but it has lost its last line end:
    // only a whole file is taken.
    qsizetype end = raw.size();
    while (end > 0 && raw.at(end - 1).isSpace() && raw.at(end - 1) != QLatin1Char('\n'))
        --end;
    if (end == 0 || raw.at(end - 1) != QLatin1Char('\n'))
        return refuse(QStringLiteral("it is incomplete: its last line \"<END>\" has no line end"));
    if (parsed.records == 0)
        return refuse(QStringLiteral("it holds no settings"));
    set = std::move(read);
    return true;
}

} // namespace transfer
