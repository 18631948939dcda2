#include "transfer/settingsparser.h"

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

ParseResult parse_settings(const QString &text, settings::SettingsSet &set)
{
    ParseResult result;
    // The records are read in place, as views of the text: a dump can hold thousands.
    // What comes before the first "|" is an echo or "<START>".
    qsizetype at = text.indexOf(QLatin1Char('|'));
    while (at >= 0) {
        const qsizetype next = text.indexOf(QLatin1Char('|'), at + 1);
        const QStringView piece = QStringView(text).sliced(at + 1, (next < 0 ? text.size() : next) - at - 1);
        at = next;
        // The options and monitor records are written with no digits when no box is ticked.
        if (piece == QLatin1String("OP,") || piece == QLatin1String("MO,")) {
            ++result.records;
            if (piece.startsWith(QLatin1Char('O')))
                set.errorReporting = set.outputConfirmation = false;
            else
                set.monitorInputs.fill(false);
            continue;
        }
        if (piece.size() <= 3)
            continue;
        const QStringView tag = piece.first(3);
        const QStringView content = piece.sliced(3);
        result.tags.insert(tag.toString());
        int input = -1;
        if (tag == QLatin1String("I1,"))
            input = 0;
        else if (tag == QLatin1String("I2,"))
            input = 1;
        else if (tag == QLatin1String("I3,"))
            input = 2;
        else if (tag == QLatin1String("I4,"))
            input = 3;

        if (tag == QLatin1String("MP,")) {
            ++result.records;
            // A "." ends the password; with nothing before it the box keeps its value.
            const qsizetype dot = piece.indexOf(QLatin1Char('.'), 2);
            const QStringView pass = dot < 0 ? content : piece.sliced(3, dot - 3);
            if (!pass.isEmpty())
                set.password = pass.toString();
        } else if (tag == QLatin1String("MN,")) {
            ++result.records;
            set.masterNumber = content.toString();
        } else if (tag == QLatin1String("SN,")) {
            ++result.records;
            set.systemName = content.toString();
        } else if (input >= 0) {
            ++result.records;
            set.inputNames[input] = content.toString();
        } else if (tag == QLatin1String("OP,")) {
            ++result.records;
            set.errorReporting = content.contains(QLatin1Char('1'));
            set.outputConfirmation = content.contains(QLatin1Char('4'));
        } else if (tag == QLatin1String("MO,")) {
            ++result.records;
            for (int k = 0; k < 4; ++k)
                set.monitorInputs[k] = content.contains(QLatin1Char("1248"[k]));
        } else if (tag == QLatin1String("TN,")) {
            ++result.records;
            const QList<QStringView> fields = piece.split(QLatin1Char(','));
            // Without a second value the number is still worth keeping; the row's own
            // position stands in for it.
            const QString unit = fields.size() >= 3 ? plain_number(fields.at(2).toString())
                                                    : QString::number(set.numbers.size() + 1);
            settings::NumberRow row{unit, QLatin1Char('+') + fields.value(1).toString(), {}};
            if (fields.size() >= 4) {
                result.marks = true;
                for (const QChar c : fields.at(3))
                    if (c >= QLatin1Char('1') && c <= QLatin1Char('4'))
                        row.outputs[c.unicode() - '1'] = true;
            }
            set.numbers.append(row);
            ++result.rowsAdded;
        }
    }
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
