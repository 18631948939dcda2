#pragma once
// Controls that carry their object name (for tests) and an accessible name (for screen
// readers and UI automation) from the moment they are made.
#include <QString>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QWidget;

namespace platform {

QPushButton *namedButton(const QString &name, const QString &caption, QWidget *parent);
QCheckBox *namedCheck(const QString &name, const QString &caption, bool on, QWidget *parent);
QGroupBox *namedFrame(const QString &name, const QString &caption, QWidget *parent);
// A label that names `buddy` (may be null) for keyboard and assistive technology.
QLabel *namedLabel(const QString &name, const QString &text, QWidget *buddy, QWidget *parent);

} // namespace platform
