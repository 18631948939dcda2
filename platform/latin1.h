#pragma once
#include <QByteArray>
#include <QString>

namespace platform {

// The unit and the settings files know one byte per character.
inline QByteArray toWire(const QString &text) { return text.toLatin1(); }
inline QString fromWire(const QByteArray &bytes) { return QString::fromLatin1(bytes); }
// True when every character of `text` fits one Latin-1 byte.
bool isLatin1(const QString &text);

} // namespace platform
