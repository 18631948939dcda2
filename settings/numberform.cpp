#include "settings/numberform.h"

namespace settings {

QString strip_plus(const QString &text)
{
    QString out = text;
    out.remove(QLatin1Char('+'));
    return out;
}

QString stored_number(const QString &typed)
{
    QString digits = strip_plus(typed);
    if (digits.startsWith(QLatin1Char('0')))
        digits.replace(0, 1, QStringLiteral("27"));
    return QLatin1Char('+') + digits;
}

} // namespace settings
