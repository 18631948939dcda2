#include "mainwindow/download.h"

#include "mainwindow/document.h"
#include "messages/messages.h"
#include "platform/dialogs.h"
#include "session/unitsession.h"
#include "settings/settingseditors.h"
#include "transfer/dumpreader.h"
#include "transfer/verify.h"

#include <QMetaObject>
#include <utility>

namespace mainwindow {

Download::Download(session::UnitSession &session, settings::SettingsEditors &editors, platform::Dialogs &dialogs,
                   std::function<void()> clearLog, std::function<void(const QString &)> appendLog, QObject *parent)
    : QObject(parent), session_(session), editors_(editors), dialogs_(dialogs), clearLog_(std::move(clearLog)),
      appendLog_(std::move(appendLog))
{
    connect(&session_, &session::UnitSession::readDone, this, &Download::done);
    connect(&session_, &session::UnitSession::lateAnswerIgnored, this,
            [this] { tell(messages::Texts::lateAnswerIgnored().text, platform::Dialogs::Icon::Information); });
}

void Download::tell(const QString &text, platform::Dialogs::Icon icon)
{
    // The read ends inside the port's and the timers' handlers: a message box opened there
    // would stop the link reading while it is up.
    QMetaObject::invokeMethod(
        this, [this, text, icon] { dialogs_.message(text, icon); }, Qt::QueuedConnection);
}

void Download::start()
{
    // With the port closed the session has already told the operator, and the log stays.
    // The list on screen is the best guess of the answer's length; with none, the longest list.
    const settings::SettingsSet shown = editors_.store();
    if (!session_.read(editors_.password(), shown.numbers.isEmpty() ? 0 : transfer::expected_dump_bytes(shown)))
        return;
    waiting_ = true;
    // The number list stays on screen until a complete answer replaces it.
    clearLog_();
}

void Download::done(const session::ReadOutcome &outcome)
{
    if (!std::exchange(waiting_, false))
        return;
    if (!outcome.dump.raw.isEmpty())
        appendLog_(outcome.dump.raw);
    if (!outcome.unit) {
        const messages::Message m = messages::Texts::read(outcome);
        if (!m.isEmpty())
            tell(m.text, m.kind == messages::Message::Kind::Problem ? platform::Dialogs::Icon::Stop
                                                                    : platform::Dialogs::Icon::Information);
        return;
    }
    // The unit's list replaces the one shown; values it does not report stay as they are.
    transfer::UnitDump dump = transfer::read_unit_dump(outcome.dump.records, editors_.store());
    const QString note = load_with_notes(editors_, std::move(dump.settings), tr("Read settings from unit"));
    emit loaded();
    if (!note.isEmpty())
        tell(note, platform::Dialogs::Icon::Information);
}

} // namespace mainwindow
