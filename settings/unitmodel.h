#pragma once
#include <QString>

namespace settings {

// The two unit models, as the operator chooses them at start-up and as files and the
// command line name them.
inline const QString kGate = QStringLiteral("gate");
inline const QString kIntercom = QStringLiteral("intercom");

} // namespace settings
