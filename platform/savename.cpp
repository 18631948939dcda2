#include "platform/savename.h"

#include "platform/dialogs.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <algorithm>

namespace platform {

QString withExtension(const QString &name, const QString &extension)
{
    if (name.isEmpty())
        return name;
    const QString last = QFileInfo(name).fileName();
    // A dot after the first character starts an extension when one to four letters or digits
    // follow it ("site.v2", "oak.json"); a leading one marks a hidden file, and in
    // "St. Marys Estate" it belongs to the name.
    const qsizetype dot = last.lastIndexOf(QLatin1Char('.'));
    const QStringView after = QStringView(last).mid(dot + 1);
    const bool hasExtension = dot > 0 && !after.isEmpty() && after.size() <= 4
                              && std::all_of(after.begin(), after.end(), [](QChar c) { return c.isLetterOrNumber(); });
    if (hasExtension)
        return name;
    return name + (last.endsWith(QLatin1Char('.')) ? QString() : QStringLiteral(".")) + extension;
}

QString completeSaveName(Dialogs &dialogs, const QString &typed, const QString &extension)
{
    const QString name = withExtension(typed, extension);
    if (name != typed && QFileInfo::exists(name)
        && !dialogs.askYesNo(QCoreApplication::translate("platform", "\"%1\" already exists. Replace it?").arg(QFileInfo(name).fileName())))
        return QString();
    return name;
}

} // namespace platform
