#pragma once
#include "settings/settingsset.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

namespace compare {

// One difference between two settings values, read from the left side to the right one.
struct Row {
    enum class Kind {
        Setting,    // a value such as the system name or an input name
        Added,      // a number only on the right
        Removed,    // a number only on the left
        Rights,     // a number on both sides with other output rights (gate)
        UnitNumber, // a number on both sides with another unit number (intercom)
    };
    Kind kind = Kind::Setting;
    QString what; // "System name", or the number in its stored form
    QString left; // as a person reads it; empty where the side has none
    QString right;
    QString label; // the number's label where one is known
    // Which value it is, so that the settings can be made from chosen rows.
    QString field;                              // Setting rows: see kField* below
    std::optional<settings::NumberRow> leftRow; // number rows: the row on each side, if any
    std::optional<settings::NumberRow> rightRow;
};

// The field keys of Setting rows.
inline const QString kFieldPassword = QStringLiteral("password");
inline const QString kFieldName = QStringLiteral("name");
inline const QString kFieldMaster = QStringLiteral("master");
inline const QString kFieldErrorReporting = QStringLiteral("errorReporting");
inline const QString kFieldOutputConfirmation = QStringLiteral("outputConfirmation");
inline const QString kFieldMonitorInputs = QStringLiteral("monitorInputs");
inline const QString kFieldInputName = QStringLiteral("input%1"); // 1..4

struct Comparison {
    QList<Row> rows; // settings first, then the numbers in the right side's order, then the removed ones
    int added = 0;
    int removed = 0;
    int changed = 0; // numbers with other rights or another unit number
    bool same() const { return rows.isEmpty(); }
};

// Number (stored form, without "+") to its label; empty when there are none.
using Labels = QHash<QString, QString>;

// What differs between `left` and `right` for a unit of `model`. Numbers pair up by number, not
// by position. The password is compared but never shown. The system options are compared only
// when both sides know them.
Comparison compare_settings(const settings::SettingsSet &left, const settings::SettingsSet &right,
                            const QString &model, const Labels &labels = {});

// "3 added, 1 removed, 2 changed, name changed", or one line saying both sides are the same.
QString counts_text(const Comparison &comparison);

// A row's kind as scripts read it: "setting", "added", "removed", "rights", "unit".
QString kind_key(Row::Kind kind);

// The settings `base` would hold with the chosen rows of `comparison` taken from `other`
// (`towardRight`: base is the left side, `other` the right one). Unchosen rows keep base's
// value. The upload boxes are set so that what was chosen is sent and nothing else: the
// number list only when a number or the master number was chosen.
settings::SettingsSet apply_rows(const settings::SettingsSet &base, const settings::SettingsSet &other,
                                 const Comparison &comparison, const QList<bool> &chosen, bool towardRight);

} // namespace compare
