#include "settings/valuecheck.h"

#include <QCoreApplication>

namespace settings {

namespace {
QString shown(QChar c)
{
    if (is_control(c))
        return QCoreApplication::translate("settings", "character %1").arg(c.unicode());
    return QStringLiteral("\"%1\"").arg(c);
}
} // namespace

QString text_problem(const QString &value, const QString &refused, int maxLength)
{
    for (const QChar c : value) {
        if (is_control(c))
            return QCoreApplication::translate("settings", "holds a control character (%1)").arg(shown(c));
        if (c.unicode() > 255)
            return QCoreApplication::translate("settings", "holds %1, which the unit cannot take").arg(shown(c));
        if (refused.contains(c))
            return QCoreApplication::translate("settings", "holds %1, which the unit cannot take").arg(shown(c));
    }
    if (maxLength > 0 && value.size() > maxLength)
        return QCoreApplication::translate("settings", "is %1 characters long; the unit takes at most %2").arg(value.size()).arg(maxLength);
    return QString();
}

QString label_problem(const QString &label)
{
    for (const QChar c : label)
        if (is_control(c))
            return QStringLiteral("holds a control character (%1)").arg(shown(c));
    if (label.size() > kLabelLength)
        return QStringLiteral("is %1 characters long; a label takes at most %2").arg(label.size()).arg(kLabelLength);
    return QString();
}

NumberCheck check_number(const QString &typed)
{
    QString digits;
    digits.reserve(qMin<qsizetype>(typed.size(), kMaxNumberDigits + 2));
    bool plusSeen = false;
    for (const QChar c : typed) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('-') || c == QLatin1Char('.') || c == QLatin1Char('(')
            || c == QLatin1Char(')'))
            continue; // what people write between the digits
        if (c == QLatin1Char('+') && !plusSeen && digits.isEmpty()) {
            plusSeen = true;
            continue;
        }
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return {QString(), QCoreApplication::translate("settings", "A telephone number holds only digits, with an "
                                                                       "optional \"+\" in front; %1 is not allowed")
                                   .arg(shown(c))};
        digits += c;
        if (digits.size() > kMaxNumberDigits + 1)
            break; // too long whatever follows; no need to read millions of digits
    }
    if (digits.isEmpty())
        return {QString(), QCoreApplication::translate("settings", "A telephone number needs at least one digit")};
    if (digits.startsWith(QLatin1Char('0')))
        digits.replace(0, 1, QStringLiteral("27"));
    if (digits.size() > kMaxNumberDigits)
        return {QString(), QCoreApplication::translate("settings", "A telephone number has at most %1 digits").arg(kMaxNumberDigits)};
    return {QLatin1Char('+') + digits, QString()};
}

QString digits_problem(const QString &value, int maxDigits)
{
    if (value.isEmpty())
        return QCoreApplication::translate("settings", "is empty; it needs at least one digit");
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return QCoreApplication::translate("settings", "holds %1, which is not a digit").arg(shown(c));
        if (i == maxDigits)
            return QCoreApplication::translate("settings", "has more than %1 digits").arg(maxDigits);
    }
    return QString();
}

} // namespace settings
