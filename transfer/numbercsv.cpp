#include "transfer/numbercsv.h"

#include "settings/numberform.h"
#include "settings/unitmodel.h"
#include "settings/valuecheck.h"

#include <QCoreApplication>
#include <QHash>
#include <QRegularExpression>
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

QString tr(const char *text) { return QCoreApplication::translate("transfer::NumberCsv", text); }

// The column a header names, as a spreadsheet's owner might title it.
enum class Role { Unknown,
                  Number,
                  Second,
                  Label };
Role roleOf(const QString &header, bool gate)
{
    const QString h = header.trimmed().toLower();
    const auto any = [&h](std::initializer_list<const char *> words) {
        return std::any_of(words.begin(), words.end(), [&h](const char *w) { return h.contains(QLatin1String(w)); });
    };
    if (gate ? any({"output", "right", "relay"}) : any({"unit", "flat", "apartment"}))
        return Role::Second;
    if (any({"number", "phone", "tel", "mobile", "cell", "msisdn"}))
        return Role::Number;
    if (any({"label", "name", "owner", "who"}))
        return Role::Label;
    return Role::Unknown;
}

CsvColumns columnsOf(const QStringList &headers, bool gate)
{
    CsvColumns c{-1, -1, -1, headers};
    for (int i = 0; i < int(headers.size()); ++i) {
        int *slot = nullptr;
        switch (roleOf(headers[i], gate)) {
        case Role::Number: slot = &c.number; break;
        case Role::Second: slot = &c.second; break;
        case Role::Label: slot = &c.label; break;
        case Role::Unknown: break;
        }
        if (slot && *slot < 0)
            *slot = i;
    }
    // A header that names no number column: the first column the others left, as without a header.
    for (int i = 0; c.number < 0; ++i)
        if (i != c.second && i != c.label)
            c.number = i;
    return c;
}

// A number as text that spreadsheets keep: ="+2782..." (the form the export writes), or
// '+2782... (a cell typed as text).
QString unwrapped(const QString &field)
{
    const QString t = field.trimmed();
    if (t.startsWith(QLatin1String("=\"")) && t.endsWith(QLatin1Char('"')) && t.size() >= 3)
        return t.mid(2, t.size() - 3);
    if (t.startsWith(QLatin1Char('\'')))
        return t.mid(1);
    return t;
}

bool isScientific(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("^[+-]?\\d+([.,]\\d+)?[eE][+-]?\\d+$"));
    return re.match(text).hasMatch();
}

// The digits of a number written without "+" and without anything but blanks, dashes, dots and
// brackets between them; empty for anything else.
QString bareDigits(const QString &text)
{
    QString digits;
    for (const QChar c : text) {
        if (c.isDigit())
            digits += c;
        else if (c != QLatin1Char(' ') && c != QLatin1Char('-') && c != QLatin1Char('.') && c != QLatin1Char('(')
                 && c != QLatin1Char(')'))
            return QString();
    }
    return digits;
}

// The outputs (gate) or the unit number (intercom) into `row`; why not, when they cannot be.
QString takeSecond(const QString &second, bool gate, settings::NumberRow &row)
{
    if (!gate) {
        if (!second.isEmpty())
            if (const QString problem = settings::digits_problem(second); !problem.isEmpty())
                return QStringLiteral("the unit number %1").arg(problem);
        row.unit = second;
        return QString();
    }
    for (const QChar c : second) { // "13", "1 3" or a quoted "1;3" all mean outputs 1 and 3
        if (c >= QLatin1Char('1') && c <= QLatin1Char('4'))
            row.outputs[c.unicode() - '1'] = true;
        else if (c != QLatin1Char(' ') && c != QLatin1Char(',') && c != QLatin1Char(';'))
            return QStringLiteral("the outputs \"%1\" are not digits 1 to 4")
                .arg(second.size() > 20 ? second.left(20) + QStringLiteral("...") : second);
    }
    return QString();
}

// One record's number: accepted, flagged with its likely original, or refused.
struct NumberRead {
    QString stored;
    Damage damage = Damage::None;
    QString why;
};
NumberRead readNumber(const QString &inFile, bool plusElsewhere)
{
    if (isScientific(inFile))
        return {QString(), Damage::Scientific,
                tr("\"%1\" is in scientific notation: a spreadsheet rounded the number, so its digits cannot be "
                   "trusted; type it again")
                    .arg(inFile)};
    const QString digits = bareDigits(inFile);
    if (digits.size() == 9 && QStringLiteral("678").contains(digits.front()))
        return {QStringLiteral("+27") + digits, Damage::LeadingZeroDropped, tr("leading 0 dropped?")};
    const settings::NumberCheck number = settings::check_number(inFile);
    if (!number.ok())
        return {QString(), Damage::None, number.problem};
    if (plusElsewhere && !digits.isEmpty() && !digits.startsWith(QLatin1Char('0')))
        return {number.stored, Damage::PlusLost, tr("\"+\" lost?")};
    return {number.stored, Damage::None, QString()};
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
    QList<Collector::Record> records;
    for (Collector::Record &record : collector.records)
        if (!allBlank(record.fields))
            records.append(std::move(record));
    if (!records.isEmpty() && std::none_of(records.first().fields.cbegin(), records.first().fields.cend(), hasDigit)) {
        out.header = true;
        out.columns = columnsOf(records.takeFirst().fields, gate);
    } else {
        out.columns.label = 2;
    }
    // A file whose numbers keep their "+" had it on every number: one without lost it.
    const auto numberOf = [&](const Collector::Record &r) { return unwrapped(r.fields.value(out.columns.number)); };
    const bool plusElsewhere = std::any_of(records.cbegin(), records.cend(), [&](const Collector::Record &r) {
        return numberOf(r).startsWith(QLatin1Char('+'));
    });

    QHash<QString, int> firstLine; // stored number -> line it was first read on
    for (const Collector::Record &record : std::as_const(records)) {
        ++out.rowsRead;
        const QString inFile = numberOf(record);
        const NumberRead number = readNumber(inFile, plusElsewhere);
        const auto refuse = [&](const QString &why) { out.refused.append({record.line, why, inFile, number.damage}); };
        if (number.stored.isEmpty()) {
            refuse(number.why);
            continue;
        }
        settings::NumberRow row{QString(), number.stored, {}};
        if (const QString why = takeSecond(record.fields.value(out.columns.second).trimmed(), gate, row); !why.isEmpty()) {
            refuse(why);
            continue;
        }
        if (const auto seen = firstLine.constFind(row.number); seen != firstLine.cend()) {
            refuse(QStringLiteral("%1 is already on line %2").arg(row.number).arg(*seen));
            continue;
        }
        firstLine.insert(row.number, record.line);
        out.numbers.append({record.line, row, record.fields.value(out.columns.label).trimmed(), inFile, number.damage});
    }
    return out;
}

QByteArray numbers_csv(const QList<settings::NumberRow> &rows, const QString &unitModel)
{
    const bool gate = unitModel != settings::kIntercom;
    // Quotes only where a field needs them, so the common file stays plain.
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
        // As a formula giving text: a spreadsheet neither drops the "+" nor turns the digits into a number.
        const QString number = QStringLiteral("=\"+%1\"").arg(settings::strip_plus(row.number));
        out += field(number) + ',' + field(second) + "\r\n";
    }
    return out;
}

} // namespace transfer
