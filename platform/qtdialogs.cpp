#include "platform/qtdialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
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

bool QtDialogs::confirm(const QString &text, const QString &informative, Icon icon)
{
    QMessageBox box(toQt(icon), titleOr(QString()), text, QMessageBox::Yes | QMessageBox::No, parent_);
    box.setInformativeText(informative);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

int QtDialogs::choose(const QString &text, const QString &informative, const QStringList &buttons)
{
    QMessageBox box(QMessageBox::Question, titleOr(QString()), text, QMessageBox::NoButton, parent_);
    box.setInformativeText(informative);
    QList<QAbstractButton *> added;
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        const bool last = i + 1 == buttons.size();
        added << box.addButton(buttons.at(i), last ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
    }
    if (!added.isEmpty()) {
        box.setEscapeButton(added.last());
        box.setDefaultButton(qobject_cast<QPushButton *>(added.last()));
    }
    box.exec();
    const qsizetype index = added.indexOf(box.clickedButton());
    return index < 0 ? int(buttons.size()) - 1 : int(index);
}

QString QtDialogs::toQtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        // The dialog matches the pattern in the parentheses of the description, so they must
        // show the real one: "All Files (*.*)" with "*" becomes "All Files (*)".
        const QString name = parts[i].section(QLatin1Char('('), 0, 0).trimmed();
        out << name + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

QString QtDialogs::openFileName(const QString &title, const QString &filter)
{
    return openFileNameIn(title, filter, QString());
}

QString QtDialogs::openFileNameIn(const QString &title, const QString &filter, const QString &folder)
{
    return QFileDialog::getOpenFileName(parent_, title, folder, toQtFilter(filter));
}

QString QtDialogs::saveFileName(const QString &title, const QString &filter)
{
    return saveFileNameFrom(title, filter, QString());
}

QString QtDialogs::saveFileNameFrom(const QString &title, const QString &filter, const QString &start)
{
    // Replacing an existing file is confirmed by the dialog, so a slip does not overwrite
    // another unit's settings. A missing extension is added by the caller (completeSaveName).
    return QFileDialog::getSaveFileName(parent_, title, start, toQtFilter(filter));
}

Dialogs::SaveChoice QtDialogs::askSaveChanges(const QString &text, const QString &informative)
{
    // The desktop's own buttons, in its own order and with its own keys.
    QMessageBox box(QMessageBox::Warning, titleOr(QString()), text,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent_);
    box.setInformativeText(informative);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save: return SaveChoice::Save;
    case QMessageBox::Discard: return SaveChoice::Discard;
    default: return SaveChoice::Cancel;
    }
}

QString QtDialogs::askPassword(const QString &text, const QString &title)
{
    bool ok = false;
    const QString answer = QInputDialog::getText(parent_, titleOr(title), text, QLineEdit::Password, QString(), &ok);
    return ok ? answer : QString();
}

} // namespace platform
