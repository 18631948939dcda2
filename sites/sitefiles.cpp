#include "sites/sitefiles.h"

#include "settings/unitmodel.h"
#include "settings/valuecheck.h"

#include <QList>

namespace sites {

namespace {

// One value per line: a line end or a backslash in a value is written as "\n" or "\\".
QString escaped(QString value)
{
    return value.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('\n'), QStringLiteral("\\n"));
}

QString unescaped(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value.at(i) == QLatin1Char('\\') && i + 1 < value.size()) {
            ++i;
            out += value.at(i) == QLatin1Char('n') ? QLatin1Char('\n') : value.at(i);
        } else
            out += value.at(i);
    }
    return out;
}

QString timeText(const QDateTime &t) { return t.isValid() ? t.toUTC().toString(Qt::ISODate) : QString(); }

// "Key: value" lines into a map; false with the line when one has no ": ".
bool readFields(const QByteArray &text, QMap<QString, QString> *fields, QString *problem)
{
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = QString::fromUtf8(lines.at(i)).remove(QLatin1Char('\r'));
        if (line.isEmpty())
            continue;
        const qsizetype colon = line.indexOf(QStringLiteral(": "));
        if (colon <= 0 && !line.endsWith(QLatin1Char(':'))) {
            *problem = QStringLiteral("line %1 (%2) is not \"Name: value\"").arg(i + 1).arg(line.left(30));
            return false;
        }
        const qsizetype split = colon > 0 ? colon : line.size() - 1;
        fields->insert(line.left(split), unescaped(line.mid(split + 2)));
    }
    return true;
}

} // namespace

QString folder_for(const QString &name)
{
    QString out;
    for (const QChar c : name.normalized(QString::NormalizationForm_KD)) {
        if (c.isLetterOrNumber() && c.unicode() < 128)
            out += c.toLower();
        else if (c.isMark())
            continue; // the accent of a letter split off above
        else if (!out.isEmpty() && !out.endsWith(QLatin1Char('-')))
            out += QLatin1Char('-');
    }
    while (out.endsWith(QLatin1Char('-')))
        out.chop(1);
    return out;
}

QByteArray details_text(const SiteDetails &d)
{
    QString text;
    const QList<std::pair<QString, QString>> fields{{QStringLiteral("Name"), d.name},
                                                    {QStringLiteral("Model"), d.model},
                                                    {QStringLiteral("Address"), d.address},
                                                    {QStringLiteral("Contact"), d.contact},
                                                    {QStringLiteral("Notes"), d.notes}};
    for (const auto &[key, value] : fields)
        text += key + QStringLiteral(": ") + escaped(value) + QLatin1Char('\n');
    return text.toUtf8();
}

bool read_details(const QByteArray &text, SiteDetails *d, QString *problem)
{
    QMap<QString, QString> fields;
    if (!readFields(text, &fields, problem))
        return false;
    d->name = fields.value(QStringLiteral("Name")).trimmed();
    d->model = fields.value(QStringLiteral("Model")).trimmed();
    d->address = fields.value(QStringLiteral("Address"));
    d->contact = fields.value(QStringLiteral("Contact"));
    d->notes = fields.value(QStringLiteral("Notes"));
    if (d->name.isEmpty())
        *problem = QStringLiteral("it names no site");
    else if (d->model != settings::kGate && d->model != settings::kIntercom)
        *problem = QStringLiteral("its model \"%1\" is neither gate nor intercom").arg(d->model);
    return problem->isEmpty();
}

QByteArray labels_text(const Labels &labels)
{
    QByteArray text;
    for (auto it = labels.cbegin(); it != labels.cend(); ++it)
        if (!it.value().isEmpty())
            text += (it.key() + QLatin1Char('\t') + it.value() + QLatin1Char('\n')).toUtf8();
    return text;
}

bool read_labels(const QByteArray &text, Labels *labels, QString *problem)
{
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = QString::fromUtf8(lines.at(i)).remove(QLatin1Char('\r'));
        if (line.isEmpty())
            continue;
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        const settings::NumberCheck number = settings::check_number(line.left(tab));
        const QString label = line.mid(tab + 1);
        const QString why = tab < 0        ? QStringLiteral("has no tab between the number and its label")
                            : !number.ok() ? QStringLiteral("number: ") + number.problem
                                           : settings::label_problem(label);
        if (!why.isEmpty()) {
            *problem = QStringLiteral("line %1 %2").arg(i + 1).arg(why);
            return false;
        }
        labels->insert(number.stored, label);
    }
    return true;
}

QByteArray unit_text(const UnitState &u)
{
    QString text;
    text += QStringLiteral("Last read: ") + timeText(u.lastRead) + QLatin1Char('\n');
    text += QStringLiteral("Differences at last read: ")
            + (u.differencesAtLastRead < 0 ? QString() : QString::number(u.differencesAtLastRead)) + QLatin1Char('\n');
    text += QStringLiteral("Last upload: ") + timeText(u.lastUpload) + QLatin1Char('\n');
    text += QStringLiteral("Last upload ended: ") + escaped(u.lastUploadEnded) + QLatin1Char('\n');
    text += QStringLiteral("Last verified: ") + timeText(u.lastVerified) + QLatin1Char('\n');
    return text.toUtf8();
}

bool read_unit(const QByteArray &text, UnitState *u, QString *problem)
{
    QMap<QString, QString> fields;
    if (!readFields(text, &fields, problem))
        return false;
    const auto time = [&](const QString &key) {
        return QDateTime::fromString(fields.value(key), Qt::ISODate);
    };
    u->lastRead = time(QStringLiteral("Last read"));
    bool ok = false;
    const int differences = fields.value(QStringLiteral("Differences at last read")).toInt(&ok);
    u->differencesAtLastRead = ok ? differences : -1;
    u->lastUpload = time(QStringLiteral("Last upload"));
    u->lastUploadEnded = fields.value(QStringLiteral("Last upload ended"));
    u->lastVerified = time(QStringLiteral("Last verified"));
    return true;
}

} // namespace sites
