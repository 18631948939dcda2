#include "transfer/settingsparser.h"

#include "transfer/recordtags.h"

#include "settings/valuecheck.h"

#include <QStringList>

namespace transfer {

namespace {

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n'); }

} // namespace

QString plain_number(const QString &text)
{
    QString sign, whole, fraction;
    bool seenDigit = false, inFraction = false;
    for (const QChar c : text) {
        if (isBlank(c))
            continue;
        if ((c == QLatin1Char('+') || c == QLatin1Char('-')) && !seenDigit && !inFraction && sign.isEmpty()
            && whole.isEmpty()) {
            sign = c;
            continue;
        }
        if (c == QLatin1Char('.') && !inFraction) {
            inFraction = true;
            continue;
        }
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        seenDigit = true;
        (inFraction ? fraction : whole) += c;
    }
    while (whole.size() > 1 && whole.startsWith(QLatin1Char('0')))
        whole.remove(0, 1);
    while (fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    if (whole.isEmpty())
        whole = QStringLiteral("0");
    QString out = whole;
    if (!fraction.isEmpty())
        out += QLatin1Char('.') + fraction;
    if (sign == QLatin1String("-") && out != QLatin1String("0"))
        out.prepend(sign);
    return out;
}

namespace {

// "TN,27821,1": two capitals or digits and a comma.
bool looksLikeRecord(QStringView piece)
{
    const auto tagChar = [](QChar c) { return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || c.isDigit(); };
    return piece.size() >= 3 && tagChar(piece[0]) && tagChar(piece[1]) && piece[2] == QLatin1Char(',');
}

// The record as a message names it: short, and with control characters made visible.
QString named(int index, QStringView piece)
{
    QString shown = piece.left(24).toString();
    for (QChar &c : shown)
        if (settings::is_control(c))
            c = QLatin1Char('?');
    if (piece.size() > 24)
        shown += QStringLiteral("...");
    return shown.isEmpty() ? QStringLiteral("record %1 (empty)").arg(index)
                           : QStringLiteral("record %1 (%2)").arg(index).arg(shown);
}

// Why a run of option digits is not one the unit knows, or empty.
QString digitsOutside(QStringView content, const char *allowed, const QString &what)
{
    for (const QChar c : content)
        if (!QLatin1String(allowed).contains(c))
            return QStringLiteral("the %1 hold %2; only the digits %3 mean something")
                .arg(what,
                     settings::is_control(c) ? QStringLiteral("character %1").arg(c.unicode())
                                             : QStringLiteral("\"%1\"").arg(c),
                     QLatin1String(allowed));
    return QString();
}

// Reads one record with a known tag into `set`; returns why it cannot be read, or empty.
// Unknown tags give `known` false and change nothing.
QString readRecord(QStringView piece, settings::SettingsSet &set, ParseResult &result, bool &known)
{
    using settings::digits_problem, settings::text_problem;
    known = true;
    const QStringView tag = piece.first(3);
    const QStringView content = piece.sliced(3);
    static const QString kInputTags[] = {tags::input_name(0), tags::input_name(1), tags::input_name(2),
                                         tags::input_name(3)};
    for (int k = 0; k < 4; ++k)
        if (tag == kInputTags[k]) {
            if (const QString p = text_problem(content.toString(), settings::kRefusedInText, settings::kNameLength);
                !p.isEmpty())
                return QStringLiteral("the name of input %1 %2").arg(k + 1).arg(p);
            set.inputNames[k] = content.toString();
            return QString();
        }
    if (tag == tags::kPassword) {
        // A "." ends the password; with nothing before it the box keeps its value.
        const qsizetype dot = piece.indexOf(QLatin1Char('.'), 2);
        const QString pass = (dot < 0 ? content : piece.sliced(3, dot - 3)).toString();
        if (const QString p = text_problem(pass, settings::kRefusedInPassword, settings::kPasswordLength); !p.isEmpty())
            return QStringLiteral("the password %1").arg(p);
        if (!pass.isEmpty())
            set.password = pass;
    } else if (tag == tags::kName) {
        if (const QString p = text_problem(content.toString(), settings::kRefusedInText, settings::kNameLength);
            !p.isEmpty())
            return QStringLiteral("the system name %1").arg(p);
        set.systemName = content.toString();
    } else if (tag == tags::kMasterNumber) {
        const QStringView digits = content.startsWith(QLatin1Char('+')) ? content.sliced(1) : content;
        if (const QString p = content.isEmpty() ? QString() : digits_problem(digits.toString()); !p.isEmpty())
            return QStringLiteral("the master number %1").arg(p);
        set.masterNumber = content.toString();
    } else if (tag == tags::kOptions) {
        if (const QString p = digitsOutside(content, "14", QStringLiteral("system options")); !p.isEmpty())
            return p;
        set.errorReporting = content.contains(QLatin1Char('1'));
        set.outputConfirmation = content.contains(QLatin1Char('4'));
    } else if (tag == tags::kMonitor) {
        if (const QString p = digitsOutside(content, tags::kMonitorDigits, QStringLiteral("monitor inputs")); !p.isEmpty())
            return p;
        for (int k = 0; k < 4; ++k)
            set.monitorInputs[k] = content.contains(QLatin1Char(tags::kMonitorDigits[k]));
    } else if (tag == tags::kNumber) {
        const QList<QStringView> fields = piece.split(QLatin1Char(','));
        if (fields.size() > 4)
            return QStringLiteral("a number record has at most three values after its tag");
        if (const QString p = digits_problem(fields.at(1).toString()); !p.isEmpty())
            return QStringLiteral("the number %1").arg(p);
        // Without a second value the number is still worth keeping; the row's own position
        // stands in for it.
        QString unit = QString::number(set.numbers.size() + 1);
        if (fields.size() >= 3 && !fields.at(2).isEmpty()) {
            if (const QString p = digits_problem(fields.at(2).toString()); !p.isEmpty())
                return QStringLiteral("the unit number %1").arg(p);
            unit = plain_number(fields.at(2).toString());
        }
        settings::NumberRow row{unit, QLatin1Char('+') + fields.at(1).toString(), {}};
        if (fields.size() == 4) {
            if (const QString p = digitsOutside(fields.at(3), "1234", QStringLiteral("outputs")); !p.isEmpty())
                return p;
            result.marks = true;
            for (const QChar c : fields.at(3))
                row.outputs[c.unicode() - '1'] = true;
        }
        set.numbers.append(row);
        ++result.rowsAdded;
    } else {
        known = false;
    }
    return QString();
}

} // namespace

ParseResult parse_settings(const QString &text, settings::SettingsSet &set, TextKind kind)
{
    ParseResult result;
    settings::SettingsSet out = set;
    bool options = false, monitor = false, ended = false;
    const bool file = kind == TextKind::File;
    // The records are read in place, as views of the text: a dump can hold thousands.
    qsizetype at = text.indexOf(QLatin1Char('|'));
    if (file && QStringView(text).first(at < 0 ? text.size() : at) != tags::kStart) {
        result.problem = QStringLiteral("it is not a settings file: it does not begin with \"<START>|\"");
        return result;
    }
    for (int index = 1; at >= 0; ++index) {
        const qsizetype next = text.indexOf(QLatin1Char('|'), at + 1);
        const QStringView piece = QStringView(text).sliced(at + 1, (next < 0 ? text.size() : next) - at - 1);
        at = next;
        if (piece == tags::kEnd && (!file || next < 0)) {
            ended = true;
            break; // what a unit sends after its end is not part of the dump
        }
        if (next < 0)
            break; // the last piece is not the end: cut off, whatever it holds
        if (!looksLikeRecord(piece)) {
            if (piece.isEmpty() && !file)
                continue;
            if (piece == tags::kEnd) {
                result.problem = named(index, piece) + QStringLiteral(": records follow the end of the file");
                return result;
            }
            result.problem = named(index, piece)
                             + QStringLiteral(": not a settings record (a value holding \"|\" is cut in two by it)");
            return result;
        }
        const QStringView tag = piece.first(3);
        const bool isOptions = tag == tags::kOptions, isMonitor = tag == tags::kMonitor;
        options |= isOptions;
        monitor |= isMonitor;
        // An empty record holds an empty value (no box ticked, for the options and monitor
        // records), except that an empty password or number says nothing.
        if (piece.size() == 3 && (tag == tags::kPassword || tag == tags::kNumber))
            continue;
        bool known = false;
        if (const QString p = readRecord(piece, out, result, known); !p.isEmpty()) {
            result.problem = named(index, piece) + QStringLiteral(": ") + p;
            return result;
        }
        if (!known && file) {
            result.problem = named(index, piece) + QStringLiteral(": not a record of a settings file");
            return result;
        }
        if (known) {
            ++result.records;
            result.tags.insert(tag.toString());
        }
    }
    if (!ended) {
        result.problem = file ? QStringLiteral("it is incomplete: its last record is not \"<END>\"")
                              : QStringLiteral("the answer does not end with \"<END>\"");
        return result;
    }
    if (options != monitor) {
        result.problem = options ? QStringLiteral("it holds the system options (\"OP,\") but not the monitor "
                                                  "inputs (\"MO,\")")
                                 : QStringLiteral("it holds the monitor inputs (\"MO,\") but not the system "
                                                  "options (\"OP,\")");
        return result;
    }
    out.systemOptionsKnown = options;
    set = std::move(out);
    return result;
}

QString long_values_message(const QList<settings::LongValueKept> &longValues)
{
    if (longValues.isEmpty())
        return QString();
    QStringList parts;
    for (const settings::LongValueKept &v : longValues)
        parts << QStringLiteral("%1 (%2 characters)").arg(v.field).arg(v.length);
    return QStringLiteral("Some values are longer than the editors allow and were kept whole: ")
           + parts.join(QStringLiteral(", "));
}

} // namespace transfer
