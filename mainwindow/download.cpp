#include "mainwindow/download.h"

#include "mainwindow/document.h"
#include "platform/dialogs.h"
#include "settings/settingseditors.h"
#include "transfer/dumpreader.h"

#include <QMetaObject>
#include <utility>

namespace transfer {

Download::Download(DumpReader &reader, settings::SettingsEditors &editors, platform::Dialogs &dialogs,
                   std::function<void()> clearLog, std::function<void(const QString &)> appendLog, QObject *parent)
    : QObject(parent), reader_(reader), editors_(editors), dialogs_(dialogs), clearLog_(std::move(clearLog)),
      appendLog_(std::move(appendLog))
{
    connect(&reader_, &DumpReader::lateAnswerIgnored, this, [this] {
        tell(tr("The unit's answer came after reading the settings had failed; it was ignored (see the "
                "log) and nothing was changed."),
             platform::Dialogs::Icon::Information);
    });
}

void Download::tell(const QString &text, platform::Dialogs::Icon icon)
{
    // The reader ends inside the port's and the timers' handlers: a message box opened there
    // would stop the link reading while it is up.
    QMetaObject::invokeMethod(
        this, [this, text, icon] { dialogs_.message(text, icon); }, Qt::QueuedConnection);
}

void Download::cmdDownload_Click()
{
    // With the port closed the link has already told the operator, and the log stays.
    // The list on screen is the best guess of the answer's length; with none, the longest list.
    const settings::SettingsSet shown = editors_.store();
    if (!reader_.request(
            editors_.password(), [this](const DumpOutcome &outcome) { done(outcome); },
            shown.numbers.isEmpty() ? 0 : expected_dump_bytes(shown)))
        return;
    // The number list stays on screen until a complete answer replaces it.
    clearLog_();
}

void Download::done(const DumpOutcome &outcome)
{
    if (!outcome.raw.isEmpty())
        appendLog_(outcome.raw);
    if (outcome.status != DumpOutcome::Status::Received) {
        if (!outcome.reason().isEmpty())
            tell(outcome.reason(), platform::Dialogs::Icon::Stop);
        return;
    }
    // The unit's list replaces the one shown; values it does not report stay as they are.
    UnitDump dump = read_unit_dump(outcome.records, editors_.store());
    const QString note =
        mainwindow::load_with_notes(editors_, std::move(dump.settings), tr("Read settings from unit"));
    emit loaded();
    emit unitRead(read_unit_dump(outcome.records).settings);
    if (!note.isEmpty())
        tell(note, platform::Dialogs::Icon::Information);
}

} // namespace transfer
