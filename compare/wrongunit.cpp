#include "compare/wrongunit.h"

#include "settings/numberform.h"

#include <QCoreApplication>

namespace compare {

std::optional<WrongUnit> wrong_unit(const std::optional<settings::SettingsSet> &held,
                                    const settings::SettingsSet &wanted)
{
    if (!held)
        return std::nullopt;
    const QString unitName = held->systemName.trimmed();
    const QString unitMaster = settings::strip_plus(held->masterNumber.trimmed());
    const QString wantedMaster = settings::strip_plus(wanted.masterNumber.trimmed());
    if (unitMaster.isEmpty() && unitName == settings::SettingsSet{}.systemName)
        return std::nullopt; // a fresh unit: nothing to mistake it for
    const bool nameDiffers = unitName.compare(wanted.systemName.trimmed(), Qt::CaseInsensitive) != 0;
    const bool masterDiffers = !unitMaster.isEmpty() && !wantedMaster.isEmpty() && unitMaster != wantedMaster;
    if (!nameDiffers && !masterDiffers)
        return std::nullopt;
    return WrongUnit{held->systemName, held->masterNumber, wanted.systemName, wanted.masterNumber};
}

QString wrong_unit_text(const WrongUnit &w)
{
    const auto who = [](const QString &name, const QString &master) {
        return master.trimmed().isEmpty()
                   ? QCoreApplication::translate("compare", "'%1' with no master number").arg(name)
                   : QCoreApplication::translate("compare", "'%1' with master number %2").arg(name, master);
    };
    return QCoreApplication::translate("compare", "The unit says it is %1; these settings are for %2")
        .arg(who(w.unitName, w.unitMaster), who(w.settingsName, w.settingsMaster));
}

} // namespace compare
