#include "platform/savename.h"

#include "platform/dialogs.h"

#include <QFileInfo>

namespace platform {

QString withExtension(const QString &name, const QString &extension)
{
    if (name.isEmpty())
        return name;
    const QString last = QFileInfo(name).fileName();
    // A dot after the first character starts an extension; a leading one marks a hidden file.
    if (last.lastIndexOf(QLatin1Char('.')) > 0)
        return name;
    return name + QLatin1Char('.') + extension;
}

QString completeSaveName(Dialogs &dialogs, const QString &typed, const QString &extension)
{
    const QString name = withExtension(typed, extension);
    if (name != typed && QFileInfo::exists(name)
        && !dialogs.askYesNo(QStringLiteral("\"%1\" already exists. Replace it?").arg(QFileInfo(name).fileName())))
        return QString();
    return name;
}

} // namespace platform
