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
namespace transfer {
class DumpReader;
class UploadJob;
} // namespace transfer

namespace mainwindow {

// The compare view's sides and its apply, from the window's editors, its upload job (what the
// unit holds) and its dump reader. `beforeUpload` runs just before an apply starts the upload.
CompareSources compare_sources(const settings::SettingsEditors &editors, transfer::UploadJob &job,
                               transfer::DumpReader &reader, platform::Dialogs &dialogs, const QString &unitModel,
                               std::function<void()> beforeUpload);

// Shows the compare view until it is closed: the unit as last read against the window's
// settings when `unitAgainstWindow` and the unit is known, the window's settings on both sides
// otherwise (the operator then chooses).
void run_compare(const QString &unitModel, CompareSources sources, platform::Dialogs &dialogs,
                 bool unitAgainstWindow, QWidget *parent);

} // namespace mainwindow
