#pragma once
#include <QByteArray>
#include <QString>

// What goes on the serial line to the unit: every command word and how a command is framed.
// Nothing else in the program spells them.
namespace unitlink::wire {

// Command words. A word that takes a value carries the blank before it.
inline const QString kPassword = QStringLiteral("SYS PASS ");
inline const QString kName = QStringLiteral("SYS NAME ");
inline const QString kErrorReporting = QStringLiteral("SYS EREP ");
inline const QString kOutputConfirmation = QStringLiteral("SYS OCNF ");
inline const QString kMonitorInputs = QStringLiteral("SYS MONI ");
inline const QString kMasterNumber = QStringLiteral("TEL MAST ");
inline const QString kClearNumbers = QStringLiteral("TEL CLRN");
inline const QString kAddNumber = QStringLiteral("TEL ADDN ");
// The name of input `index` (0..3).
QString input_name_word(int index);
// The value of a yes/no option.
QString on_off(bool on);

// A queued command as written: "*" + password + " " + word + value + "*".
QString command_text(const QString &password, const QString &word, const QString &value);
// The hand test of output 1..4: "*" + password + " SET OUT3 NOW ON*".
QString output_text(const QString &password, int output, bool on);
// The output command without password and stars, as a person reads it: "SET OUT3 NOW ON".
QString output_command(int output, bool on);
// The request for the unit's settings dump, ended by a carriage return.
QString dump_request_text(const QString &password);

// What a password looks like wherever it may be seen by others than the technician.
inline const QString kHiddenPassword = QStringLiteral("****");
// A command's word and value as they may be shown: the value of the password command hidden.
QString shown_command(const QString &word, const QString &value);

// The text as the unit's bytes: one byte per character.
QByteArray bytes(const QString &text);

} // namespace unitlink::wire
