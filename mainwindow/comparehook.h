#pragma once
#include "mainwindow/comparedialog.h"

#include <QString>
#include <functional>

class QWidget;

namespace platform {
class Dialogs;
}
namespace settings {
class SettingsEditors;
}
namespace session {
class UnitSession;
}

namespace mainwindow {

// The compare view's sides and its apply, from the window's editors and the unit session (what
// the unit holds, its reads and uploads). `beforeUpload` runs just before an apply starts the upload.
CompareSources compare_sources(const settings::SettingsEditors &editors, session::UnitSession &session,
                               platform::Dialogs &dialogs, std::function<void()> beforeUpload);

// Shows the compare view until it is closed: the unit as last read against the window's
// settings when `unitAgainstWindow` and the unit is known, the window's settings on both sides
// otherwise (the operator then chooses).
void run_compare(const QString &unitModel, CompareSources sources, platform::Dialogs &dialogs,
                 bool unitAgainstWindow, QWidget *parent);

} // namespace mainwindow
