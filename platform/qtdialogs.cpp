#include "platform/qtdialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace platform {

static QMessageBox::Icon toQt(Dialogs::Icon icon)
{
    switch (icon) {
    case Dialogs::Icon::Information: return QMessageBox::Information;
    case Dialogs::Icon::Stop: return QMessageBox::Critical;
    default: return QMessageBox::NoIcon;
    }
}

static QString titleOr(const QString &title)
{
    return title.isEmpty() ? QString::fromLatin1(kProgramTitle) : title;
}

void QtDialogs::message(const QString &text, Icon icon, const QString &title)
{
    QMessageBox box(toQt(icon), titleOr(title), text, QMessageBox::Ok, parent_);
    box.exec();
}

bool QtDialogs::askYesNo(const QString &text, Icon icon, const QString &title)
{
    QMessageBox box(toQt(icon), titleOr(title), text, QMessageBox::Yes | QMessageBox::No, parent_);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString QtDialogs::toQtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        // Descriptions usually carry their pattern already: "Files (*.gsm)".
        if (!description.contains(QLatin1Char('(')))
            description += QStringLiteral(" (") + patterns + QLatin1Char(')');
        out << description;
    }
    return out.join(QStringLiteral(";;"));
}

QString QtDialogs::openFileName(const QString &title, const QString &filter)
{
    return QFileDialog::getOpenFileName(parent_, title, QString(), toQtFilter(filter));
}

QString QtDialogs::saveFileName(const QString &title, const QString &filter)
{
    // No extension is added: the name is used exactly as chosen. Replacing an existing
    // file is confirmed by the dialog, so a slip does not overwrite another unit's settings.
    return QFileDialog::getSaveFileName(parent_, title, QString(), toQtFilter(filter));
}

} // namespace platform
