#include "transfer/download.h"

#include "link/replycodes.h"
#include "link/unitlink.h"
#include "platform/dialogs.h"
#include "platform/latin1.h"
#include "platform/timer.h"
#include "settings/settingseditors.h"
#include "transfer/settingsparser.h"

#include <utility>

namespace transfer {

namespace {
constexpr int kWrongPasswordCode = 39;
const QString kEndMarker = QStringLiteral("<END>");
} // namespace

Download::Download(unitlink::UnitLink &link, platform::Timer &tmrCheckGSM, platform::Timer &noAnswer,
                   settings::SettingsEditors &editors, platform::Dialogs &dialogs, std::function<void()> clearLog,
                   std::function<void(const QString &)> appendLog, QObject *parent)
    : QObject(parent), link_(link), tmrCheckGSM_(tmrCheckGSM), noAnswer_(noAnswer), editors_(editors),
      dialogs_(dialogs), clearLog_(std::move(clearLog)), appendLog_(std::move(appendLog))
{
    connect(&tmrCheckGSM_, &platform::Timer::timeout, this, &Download::tmrCheckGSM_Timer);
    connect(&noAnswer_, &platform::Timer::timeout, this, &Download::noAnswer_Timer);
}

void Download::cmdDownload_Click()
{
    // Written before anything else changes: with the port closed the link has already
    // told the operator, and the log and the mode stay as they were.
    const QString request = QLatin1Char('*') + editors_.password() + QStringLiteral(" SYS SPEW*\r");
    if (!link_.write_command(platform::toWire(request)))
        return;
    link_.set_link_mode(unitlink::kModeDownload);
    clearLog_();
    // The number list stays on screen until a complete answer replaces it.
    awaiting_ = true;
    leftover_ = link_.rx_buffer().size();
    noAnswer_.start(kNoAnswerMs);
}

void Download::tmrCheckGSM_Timer()
{
    noAnswer_.stop();
    tmrCheckGSM_.stop();
    const bool answering = std::exchange(awaiting_, false);
    QString text = link_.take_rx_buffer();

    if (text.contains(kEndMarker)) {
        appendLog_(text);
        text.remove(QLatin1Char('\n'));
        text.remove(QLatin1Char('\r'));
        // The unit's list replaces the one shown; values it does not report stay as they are.
        settings::SettingsSet set = editors_.store();
        set.numbers.clear();
        parse_settings(text, set);
        const QString tooLong = long_values_message(editors_.load(set));
        if (!tooLong.isEmpty())
            dialogs_.message(tooLong, platform::Dialogs::Icon::Information);
        return;
    }
    // Stray text after a finished download is dropped quietly; only the answer to a
    // request the operator is waiting for deserves a word.
    if (!answering)
        return;
    const QList<qint16> codes = unitlink::read_reply_codes(text.mid(leftover_));
    if (!codes.isEmpty() && codes.first() == kWrongPasswordCode)
        dialogs_.message(QStringLiteral("Incorrect GSM unit password"), platform::Dialogs::Icon::Stop);
    else
        dialogs_.message(QStringLiteral("The unit's answer was incomplete, so nothing was changed."),
                         platform::Dialogs::Icon::Stop);
}

void Download::noAnswer_Timer()
{
    noAnswer_.stop();
    if (!awaiting_)
        return;
    // Something else (an upload, an output test) took the line over: not our answer.
    if (link_.link_mode() != unitlink::kModeDownload) {
        awaiting_ = false;
        return;
    }
    // Text has arrived: the quiet-line check of tmrCheckGSM will judge it.
    if (link_.rx_buffer().size() != leftover_)
        return;
    awaiting_ = false;
    dialogs_.message(QStringLiteral("The unit did not answer the request for its settings. Check the cable, the "
                                    "COMM PORT and the password; nothing was changed."),
                     platform::Dialogs::Icon::Stop);
}

} // namespace transfer
