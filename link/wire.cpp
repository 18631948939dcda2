#include "link/wire.h"

#include "platform/latin1.h"

namespace unitlink::wire {

QString input_name_word(int index) { return QStringLiteral("SYS INP%1 ").arg(index + 1); }

QString on_off(bool on) { return on ? QStringLiteral("ON") : QStringLiteral("OFF"); }

QString command_text(const QString &password, const QString &word, const QString &value)
{
    return QLatin1Char('*') + password + QLatin1Char(' ') + word + value + QLatin1Char('*');
}

QString output_command(int output, bool on) { return QStringLiteral("SET OUT%1 NOW %2").arg(output).arg(on_off(on)); }

QString output_text(const QString &password, int output, bool on)
{
    return QLatin1Char('*') + password + QLatin1Char(' ') + output_command(output, on) + QLatin1Char('*');
}

QString dump_request_text(const QString &password)
{
    return QLatin1Char('*') + password + QStringLiteral(" SYS SPEW*\r");
}

QString shown_command(const QString &word, const QString &value)
{
    return word + (word == kPassword ? kHiddenPassword : value);
}

QByteArray bytes(const QString &text) { return platform::toWire(text); }

} // namespace unitlink::wire
