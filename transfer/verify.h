#pragma once
#include "settings/settingsset.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

namespace transfer {

struct UploadCommand;

// What the unit holds as its settings dump tells it: the values read, and which of them the
// dump carried at all, so that a value it left out is never taken for a match.
struct UnitDump {
    settings::SettingsSet settings;
    QSet<QString> tags; // record tags present, e.g. "SN,"
    bool marks = false; // its number records carry the output marks
};

// Reads a dump's records (CR and LF already removed). The number list is the dump's own;
// values the dump does not carry keep those of `base`. A dump the parser refuses (DumpReader
// does not hand one on) leaves `base` without numbers.
UnitDump read_unit_dump(const QString &records, settings::SettingsSet base = {});

// Which parts of the settings an upload carried.
struct UploadedParts {
    bool identity = true;   // the password and the system name
    bool system = false;    // the options and the input names
    bool telephone = false; // the master number and the number list
};
UploadedParts uploaded_parts(const QList<UploadCommand> &commands);

struct Difference {
    // Missing: a number only sent; Extra: a number only in the unit; Secret: a password that
    // differs, whose values are never shown (sent and found hold wire::kHiddenPassword).
    enum class Kind {
        Value,
        Missing,
        Extra,
        Secret,
    };
    QString field; // as the operator knows it, e.g. "System name", "Number 12 outputs"
    QString sent;
    QString found;
    Kind kind = Kind::Value;
};

struct Verification {
    int matches = 0;
    QList<Difference> differences;
    QStringList notVerifiable; // sent, but the dump does not carry them
    bool ok() const { return differences.isEmpty(); }
};

// Compares what an upload sent with what the unit's dump says it holds, field by field.
Verification verify_upload(const settings::SettingsSet &sent, const QString &unitModel, const UploadedParts &parts,
                           const UnitDump &found);

// The result as the operator reads it: "Verified: all N settings match." or the differences,
// the first kDifferencesShown of them and how many more.
inline constexpr int kDifferencesShown = 20;
QString verification_text(const Verification &result);

} // namespace transfer
