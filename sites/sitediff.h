#pragma once
#include "settings/settingsset.h"
#include "sites/sitefiles.h"

#include <QList>
#include <QString>

namespace sites {

// One thing that differs between two versions of a site's settings and labels.
struct Change {
    enum class Kind { Setting,
                      NumberAdded,
                      NumberRemoved,
                      NumberChanged,
                      Label };
    Kind kind = Kind::Setting;
    QString field;  // "System name", "Input 2 name", or the number for number and label changes
    QString before; // empty for an added number or a new label
    QString after;  // empty for a removed number or a dropped label
    bool operator==(const Change &) const = default;
};

struct Comparison {
    QList<Change> changes;
    int count(Change::Kind kind) const;
    bool same() const { return changes.isEmpty(); }
    // "3 numbers added, 1 removed, name changed"; "no change" when they are the same.
    QString summary() const;
};

// "1 number" or "3 numbers": `one` and `many` (with %1) in the "sites" translation context.
QString counted(int n, const char *one, const char *many);

// What changed from `before` to `after`, settings and numbers in the order of the file, then
// labels. The system options count only when both sides know them (the unit's dump never
// carries them); a password shows as "****".
Comparison compare_settings(const settings::SettingsSet &before, const settings::SettingsSet &after,
                            const Labels &labelsBefore = {}, const Labels &labelsAfter = {});

} // namespace sites
