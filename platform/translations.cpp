#include "platform/translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace platform {

QStringList catalogueFolders()
{
    const QDir here(QCoreApplication::applicationDirPath());
    return {here.filePath(QStringLiteral("../translations")),
            here.filePath(QStringLiteral("../share/norvikconf/translations"))};
}

QString installTranslations(const QLocale &locale, const QStringList &folders)
{
    auto *app = QCoreApplication::instance();
    // Qt's own texts (Cancel, Yes, the file dialog) in the same language where Qt has them.
    auto *qt = new QTranslator(app);
    if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    else
        delete qt;

    auto *own = new QTranslator(app);
    const QString chosen = qEnvironmentVariable(kCatalogueVariable);
    bool loaded = !chosen.isEmpty() && own->load(chosen);
    for (qsizetype i = 0; !loaded && chosen.isEmpty() && i < folders.size(); ++i)
        loaded = own->load(locale, kCatalogueName, QStringLiteral("_"), folders.at(i));
    if (!loaded) {
        delete own;
        return QString();
    }
    QCoreApplication::installTranslator(own);
    return own->filePath();
}

} // namespace platform
