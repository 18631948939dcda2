#include "transfer/numbercsv.h"

#include "settings/numberform.h"
#include "settings/unitmodel.h"
#include "settings/valuecheck.h"

#include <QHash>
#include <QStringList>

#include <csv.h>

#include <algorithm>

namespace transfer {

namespace {

// What the parser's callbacks collect: whole records with the line each starts on.
struct Collector {
    struct Record {
        int line;
        QStringList fields;
    };
    QList<Record> records;
    QStringList fields;
    int line = 1;
    int recordLine = 1;
    bool lastEndedByCr = false;

    void field(const char *data, size_t size)
    {
        if (fields.isEmpty())
            recordLine = line;
        const QByteArray bytes(data, qsizetype(size));
        // Line breaks inside quoted fields still move the line count on.
        for (qsizetype i = 0; i < bytes.size(); ++i)
            if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')))
                ++line;
        fields << QString::fromUtf8(bytes);
        lastEndedByCr = false;
    }
    void end(int terminator)
    {
        const bool empty = fields.isEmpty();
        // CR LF is one line end: the LF arrives as an empty record right after the CR.
        if (terminator == '\n' && !(empty && lastEndedByCr))
            ++line;
        else if (terminator == '\r')
            ++line;
        lastEndedByCr = terminator == '\r';
        if (!empty)
            records.append({recordLine, fields});
        fields.clear();
    }
};

void onField(void *data, size_t size, void *collector) { static_cast<Collector *>(collector)->field(static_cast<const char *>(data), size); }
void onRecord(int terminator, void *collector) { static_cast<Collector *>(collector)->end(terminator); }

unsigned char delimiterOf(const QByteArray &bytes)
{
    qsizetype start = 0;
    while (start < bytes.size() && (bytes[start] == '\r' || bytes[start] == '\n'))
        ++start;
    qsizetype end = start;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
        ++end;
    const QByteArray first = bytes.mid(start, end - start);
    return first.count(';') > first.count(',') ? ';' : ',';
}

bool allBlank(const QStringList &fields)
{
    for (const QString &f : fields)
        if (!f.trimmed().isEmpty())
            return false;
    return true;
}

bool hasDigit(const QString &text)
{
    for (const QChar c : text)
        if (c.isDigit())
            return true;
    return false;
}

} // namespace

NumbersCsv read_numbers_csv(const QByteArray &input, const QString &unitModel)
{
    NumbersCsv out;
    QByteArray bytes = input;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);

    csv_parser parser;
    if (csv_init(&parser, CSV_REPALL_NL) != 0) {
        out.error = QStringLiteral("the CSV reader could not start (out of memory)");
        return out;
    }
    csv_set_delim(&parser, delimiterOf(bytes));
    // The field buffer grows by this much at a time: one step the size of the text keeps a
    // huge field (a pasted column of digits) from being copied again at every step.
    csv_set_blk_size(&parser, std::max<size_t>(128, size_t(bytes.size())));
    Collector collector;
    const size_t parsed = csv_parse(&parser, bytes.constData(), size_t(bytes.size()), onField, onRecord, &collector);
    if (parsed != size_t(bytes.size()) || csv_fini(&parser, onField, onRecord, &collector) != 0)
        out.error = QStringLiteral("the file could not be read as CSV: %1").arg(QString::fromUtf8(csv_strerror(csv_error(&parser))));
    csv_free(&parser);
    if (!out.error.isEmpty())
        return out;

    const bool gate = unitModel != settings::kIntercom;
    QHash<QString, int> firstLine; // stored number -> line it was first read on
    for (const Collector::Record &record : std::as_const(collector.records)) {
        if (allBlank(record.fields))
            continue;
        if (out.rowsRead == 0 && !out.header && !record.fields.first().trimmed().isEmpty()
            && !hasDigit(record.fields.first())) {
            out.header = true;
            continue;
        }
        ++out.rowsRead;
        const auto refuse = [&](const QString &why) { out.refused.append({record.line, why}); };
        // The rule the number list's Add keeps, which stops reading at the first digit too many.
        const settings::NumberCheck number = settings::check_number(record.fields.first());
        if (!number.ok()) {
            refuse(number.problem);
            continue;
        }
        settings::NumberRow row{QString(), number.stored, {}};
        const QString second = record.fields.value(1).trimmed();
        if (gate) {
            QString bad; // "13", "1 3" or a quoted "1;3" all mean outputs 1 and 3
            for (const QChar c : second) {
                if (c >= QLatin1Char('1') && c <= QLatin1Char('4'))
                    row.outputs[c.unicode() - '1'] = true;
                else if (c != QLatin1Char(' ') && c != QLatin1Char(',') && c != QLatin1Char(';')) {
                    bad = second.size() > 20 ? second.left(20) + QStringLiteral("...") : second;
                    break;
                }
            }
            if (!bad.isEmpty()) {
                refuse(QStringLiteral("the outputs \"%1\" are not digits 1 to 4").arg(bad));
                continue;
            }
        } else {
            if (!second.isEmpty()) {
                if (const QString problem = settings::digits_problem(second); !problem.isEmpty()) {
                    refuse(QStringLiteral("the unit number %1").arg(problem));
                    continue;
                }
            }
            row.unit = second;
        }
        if (const auto seen = firstLine.constFind(row.number); seen != firstLine.cend()) {
            refuse(QStringLiteral("%1 is already on line %2").arg(row.number).arg(*seen));
            continue;
        }
        firstLine.insert(row.number, record.line);
        out.numbers.append({record.line, row});
    }
    return out;
}

QByteArray numbers_csv(const QList<settings::NumberRow> &rows, const QString &unitModel)
{
    const bool gate = unitModel != settings::kIntercom;
    // Quotes only where a field needs them, so the common file stays plain digits.
    const auto field = [](const QString &text) {
        const QByteArray raw = text.toUtf8();
        if (!raw.contains(',') && !raw.contains(';') && !raw.contains('"') && !raw.contains('\n') && !raw.contains('\r'))
            return raw;
        QByteArray quoted(raw.size() * 2 + 2, '\0');
        quoted.truncate(qsizetype(csv_write(quoted.data(), size_t(quoted.size()), raw.constData(), size_t(raw.size()))));
        return quoted;
    };
    QByteArray out = gate ? "number,outputs\r\n" : "number,unit\r\n";
    for (const settings::NumberRow &row : rows) {
        const QString second = gate ? settings::output_digits(row.outputs) : row.unit;
        out += field(settings::strip_plus(row.number)) + ',' + field(second) + "\r\n";
    }
    return out;
}

} // namespace transfer
