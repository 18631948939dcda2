#include "settings/numberform.h"

#include <QCoreApplication>
#include <QSet>

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

void number_in_order(QList<NumberRow> &rows)
{
    for (qsizetype i = 0; i < rows.size(); ++i)
        rows[i].unit = QString::number(i + 1);
}

QStringList drop_repeated_numbers(QList<NumberRow> &rows)
{
    QStringList repeated;
    QSet<QString> seen;
    seen.reserve(rows.size());
    rows.removeIf([&](const NumberRow &row) {
        const QString number = strip_plus(row.number);
        if (!seen.contains(number)) {
            seen.insert(number);
            return false;
        }
        repeated << row.number;
        return true;
    });
    return repeated;
}

QString repeated_numbers_text(const QStringList &repeated)
{
    if (repeated.isEmpty())
        return QString();
    constexpr int kNamed = 5;
    QString which = repeated.mid(0, kNamed).join(QStringLiteral(", "));
    if (repeated.size() > kNamed)
        which += QCoreApplication::translate("settings", " and %1 more").arg(repeated.size() - kNamed);
    return repeated.size() == 1
               ? QCoreApplication::translate("settings", "The number %1 came twice; the list holds it once.").arg(which)
               : QCoreApplication::translate("settings", "%1 numbers came more than once (%2); the list holds each once.")
                     .arg(repeated.size())
                     .arg(which);
}

} // namespace settings
