#pragma once
#include <QString>

namespace settings {

// The number with every "+" removed, everything else kept in order.
QString strip_plus(const QString &text);
// The form Add stores: "+" in front of strip_plus(typed), a leading "0" turned into "27".
QString stored_number(const QString &typed);

} // namespace settings
