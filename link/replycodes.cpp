#include "link/replycodes.h"

#include <optional>

namespace unitlink {

namespace {
bool isSkipped(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n'); }
bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
constexpr qint16 code(ReplyCode c) { return static_cast<qint16>(c); }
bool isAcceptance(qint16 c)
{
    return c == code(ReplyCode::SettingAccepted) || c == code(ReplyCode::MasterAccepted)
           || c == code(ReplyCode::ListCleared) || c == code(ReplyCode::NumberAdded)
           || c == code(ReplyCode::PasswordChanged);
}
// The output state a code reports; nothing for a code that reports none.
std::optional<OutputState> outputState(qint16 c)
{
    if (c < code(ReplyCode::Output1Off) || c > code(ReplyCode::Output4On))
        return std::nullopt;
    const int k = c - code(ReplyCode::Output1Off);
    return OutputState{k / 2 + 1, k % 2 == 1};
}
// One parenthesised item as a code: blanks, tabs and line feeds are skipped wherever they
// stand, then an optional sign and digits, and nothing else. False for anything else.
bool readCode(QStringView item, qint16 *out)
{
    qsizetype i = 0;
    const auto skip = [&] {
        while (i < item.size() && isSkipped(item[i]))
            ++i;
    };
    skip();
    bool negative = false;
    if (i < item.size() && (item[i] == QLatin1Char('+') || item[i] == QLatin1Char('-'))) {
        negative = item[i] == QLatin1Char('-');
        ++i;
    }
    qint64 value = 0;
    bool anyDigit = false;
    for (skip(); i < item.size() && isDigit(item[i]); skip()) {
        anyDigit = true;
        if (value <= 100000)
            value = value * 10 + (item[i].unicode() - '0');
        ++i;
    }
    if (!anyDigit || i != item.size())
        return false;
    value = negative ? -value : value;
    *out = value < -32768 || value > 32767 ? kCodeWithoutEffect : static_cast<qint16>(value);
    return true;
}
} // namespace

QString code_meaning(qint16 c)
{
    if (isAcceptance(c))
        return QStringLiteral("accepted");
    if (c == code(ReplyCode::WrongPassword))
        return QStringLiteral("wrong password");
    if (const std::optional<OutputState> s = outputState(c))
        return QStringLiteral("output %1 %2").arg(s->output).arg(s->on ? QStringLiteral("on") : QStringLiteral("off"));
    return QString();
}

QList<qint16> read_reply_codes(const QString &text, qsizetype limit, int *unreadable)
{
    QList<qint16> codes;
    int bad = 0;
    qsizetype from = 0;
    for (qsizetype items = 0; items < limit; ++items) {
        const qsizetype open = text.indexOf(QLatin1Char('('), from);
        if (open < 0)
            break;
        const qsizetype close = text.indexOf(QLatin1Char(')'), open);
        if (close < 0)
            break;
        qint16 c = 0;
        if (readCode(QStringView(text).sliced(open + 1, close - open - 1), &c))
            codes.append(c);
        else
            ++bad;
        from = close;
    }
    if (unreadable)
        *unreadable = bad;
    return codes;
}

Reply read_reply(const QString &text)
{
    Reply r;
    r.codes = read_reply_codes(text, kMaxReplyCodes, &r.unreadable);
    bool other = false;
    for (const qint16 c : std::as_const(r.codes)) {
        if (c < 1)
            break;
        if (const std::optional<OutputState> s = outputState(c)) {
            r.outputs.append(*s);
            continue;
        }
        other = true;
        if (c == code(ReplyCode::WrongPassword))
            r.wrongPassword = true;
        else if (isAcceptance(c))
            r.accepted = true;
    }
    r.outputStateOnly = !r.outputs.isEmpty() && !other;
    return r;
}

} // namespace unitlink
