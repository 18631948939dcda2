#pragma once
#include <QLocale>
#include <QString>
#include <QStringList>

namespace platform {

// The catalogues' file names: "norvikconf_de.qm", "norvikconf_pt_BR.qm".
inline const QString kCatalogueName = QStringLiteral("norvikconf");
// When set, names one catalogue file that is loaded whatever the locale: for a translator
// trying a catalogue before it is installed, and for the pseudo-translation check.
inline const char kCatalogueVariable[] = "NORVIKCONF_CATALOGUE";

// Where catalogues are looked for: beside the program in the build, then where it is installed.
QStringList catalogueFolders();

// Installs into the running application the program's catalogue for `locale` from the first
// of `folders` that has one (or the file NORVIKCONF_CATALOGUE names), and Qt's own catalogue
// for its dialogs' buttons. Returns the program's catalogue loaded; empty when there is none
// for the locale, and every text stays as written.
QString installTranslations(const QLocale &locale = QLocale(), const QStringList &folders = catalogueFolders());

} // namespace platform
