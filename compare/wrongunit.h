#pragma once
#include "settings/settingsset.h"

#include <QString>

#include <optional>

namespace compare {

// Who the unit says it is against whom the settings are for, when the two differ.
struct WrongUnit {
    QString unitName;
    QString unitMaster;
    QString settingsName;
    QString settingsMaster;
};

// Whether settings about to go look made for another unit than the one known to be attached:
// its system name or its master number differs. Names match whatever their case and blanks
// around them; master numbers with or without "+". A unit with the start name and no master
// number belongs to no site yet, and a side without a master number is not judged by it.
std::optional<WrongUnit> wrong_unit(const std::optional<settings::SettingsSet> &held,
                                    const settings::SettingsSet &wanted);

// "The unit says it is 'BIRCH GATE' with master number +2782...; these settings are for
// 'OAK RIDGE' with master number +2783..."
QString wrong_unit_text(const WrongUnit &w);

} // namespace compare
