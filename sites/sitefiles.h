#pragma once
#include "settings/settingsset.h"

#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QString>

#include <optional>

// A site as the files of its folder hold it, and those files' texts. Every file is plain
// text a person can read: the details, the wanted settings as a normal settings file, the
// labels of the numbers, and what was last learnt about the unit.
namespace sites {

inline const QString kDetailsFile = QStringLiteral("site.txt");
inline const QString kSettingsFile = QStringLiteral("settings.gsm");
inline const QString kLabelsFile = QStringLiteral("labels.txt");
inline const QString kUnitFile = QStringLiteral("unit.txt");
inline const QString kVerifiedFile = QStringLiteral("unit.gsm"); // what the unit held at the last verified upload

struct SiteDetails {
    QString name;
    QString model; // "gate" or "intercom"
    QString address;
    QString contact;
    QString notes;
    bool operator==(const SiteDetails &) const = default;
};

// Stored number ("+27821234567") to its label ("Flat 12 J. Dube"). Never sent to the unit.
using Labels = QMap<QString, QString>;

// What was last learnt about the unit of a site.
struct UnitState {
    QDateTime lastRead;
    int differencesAtLastRead = -1; // against the last verified upload; -1 unknown
    QDateTime lastUpload;
    QString lastUploadEnded; // how the last upload ended, in words
    QDateTime lastVerified;
    bool operator==(const UnitState &) const = default;
};

struct Site {
    QString folder; // the folder in the register, named from the site's name
    SiteDetails details;
    settings::SettingsSet settings;
    Labels labels;
    UnitState unit;
    std::optional<settings::SettingsSet> verified; // what the unit held at the last verified upload
};

// The folder a site's name gives: lower case letters and digits, other runs as one "-".
// Empty when the name has neither.
QString folder_for(const QString &name);

QByteArray details_text(const SiteDetails &details);
QByteArray labels_text(const Labels &labels);
QByteArray unit_text(const UnitState &unit);
// Each reads its file whole or says why not (the line, for a person to mend it).
bool read_details(const QByteArray &text, SiteDetails *details, QString *problem);
bool read_labels(const QByteArray &text, Labels *labels, QString *problem);
bool read_unit(const QByteArray &text, UnitState *unit, QString *problem);

} // namespace sites
