#pragma once
#include <QString>

// The tags of the settings records, as the unit's dump and the settings file both carry them
// ("|SN,Gate North|"), and the markers around the records. Kept in one table for the record
// reader, the writer and the verification.
namespace transfer::tags {

inline const QString kPassword = QStringLiteral("MP,");
inline const QString kName = QStringLiteral("SN,");
inline const QString kOptions = QStringLiteral("OP,");
inline const QString kMonitor = QStringLiteral("MO,");
inline const QString kMasterNumber = QStringLiteral("MN,");
inline const QString kNumber = QStringLiteral("TN,");
// The name of input `index` (0..3): "I1," to "I4,".
inline QString input_name(int index) { return QStringLiteral("I%1,").arg(index + 1); }

// The digits of an "MO," record: one per monitored input, input k (0..3) as kMonitorDigits[k].
inline constexpr char kMonitorDigits[] = "1248";

inline const QString kStart = QStringLiteral("<START>");
inline const QString kEnd = QStringLiteral("<END>");

} // namespace transfer::tags
