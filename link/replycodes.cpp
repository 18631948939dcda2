#include "link/replycodes.h"

#include <limits>

namespace unitlink {

namespace {
bool isSkipped(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}
bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
} // namespace

qint16 leading_number(const QString &text)
{
    QString s;
    s.reserve(text.size());
    for (QChar c : text)
        if (!isSkipped(c))
            s.append(c);

    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-'))) {
        negative = s[i] == QLatin1Char('-');
        ++i;
    }

    // Whole part, kept exactly as long as it can still fit 16 bits once rounded.
    bool anyDigit = false;
    bool tooLarge = false;
    qint64 whole = 0;
    for (; i < s.size() && isDigit(s[i]); ++i) {
        anyDigit = true;
        if (!tooLarge) {
            whole = whole * 10 + (s[i].unicode() - '0');
            if (whole > 100000)
                tooLarge = true;
        }
    }

    // Decimal part: only how it compares with one half matters.
    int firstDecimal = -1;
    bool restNonZero = false;
    if (i < s.size() && s[i] == QLatin1Char('.')) {
        for (++i; i < s.size() && isDigit(s[i]); ++i) {
            anyDigit = true;
            const int d = s[i].unicode() - '0';
            if (firstDecimal < 0)
                firstDecimal = d;
            else if (d != 0)
                restNonZero = true;
        }
    }
    if (!anyDigit)
        return 0;
    if (tooLarge)
        return kCodeWithoutEffect;

    if (firstDecimal > 5 || (firstDecimal == 5 && restNonZero) || (firstDecimal == 5 && whole % 2 == 1))
        ++whole;
    const qint64 value = negative ? -whole : whole;
    if (value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        return kCodeWithoutEffect;
    return static_cast<qint16>(value);
}

QList<qint16> read_reply_codes(const QString &text, qsizetype limit)
{
    QList<qint16> codes;
    qsizetype from = 0;
    while (codes.size() < limit) {
        const qsizetype open = text.indexOf(QLatin1Char('('), from);
        if (open < 0)
            break;
        const qsizetype close = text.indexOf(QLatin1Char(')'), open);
        if (close < 0)
            break;
        codes.append(leading_number(text.mid(open + 1, close - open - 1)));
        from = close;
    }
    return codes;
}

} // namespace unitlink
