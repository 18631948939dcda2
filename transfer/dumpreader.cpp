#include "transfer/dumpreader.h"

#include "link/replycodes.h"
#include "link/unitlink.h"
#include "link/wire.h"
#include "platform/timer.h"
#include "settings/settingsset.h"
#include "settings/valuecheck.h"
#include "transfer/recordtags.h"
#include "transfer/settingsparser.h"
#include "transfer/upload.h"
#include "transfer/uploadplan.h"

#include <QCoreApplication>

#include <utility>

namespace transfer {

namespace {
// A record on the line: a line end, "|", its tag and its value.
qint64 recordBytes(const QString &tag, qsizetype value) { return 3 + tag.size() + value; }
} // namespace

qint64 expected_dump_bytes(const settings::SettingsSet &set)
{
    qint64 bytes = recordBytes(tags::kPassword, set.password.size()) + recordBytes(tags::kName, set.systemName.size())
                   + recordBytes(tags::kMasterNumber, set.masterNumber.size());
    for (int i = 0; i < 4; ++i)
        bytes += recordBytes(tags::input_name(i), set.inputNames[i].size());
    // "TN,27821234567,12,13": the number without "+", its place in the list and its marks.
    for (qsizetype i = 0; i < set.numbers.size(); ++i)
        bytes += recordBytes(tags::kNumber, QString(set.numbers.at(i).number).remove(QLatin1Char('+')).size() + 1
                                                + QString::number(i + 1).size() + 5);
    return bytes + recordBytes(tags::kEnd, 2);
}

qint64 largest_dump_bytes()
{
    settings::SettingsSet set;
    set.password = QString(settings::kPasswordLength, QLatin1Char('0'));
    set.systemName = QString(settings::kNameLength, QLatin1Char('N'));
    set.masterNumber = QString(settings::kMaxNumberDigits, QLatin1Char('0'));
    for (QString &name : set.inputNames)
        name = QString(settings::kNameLength, QLatin1Char('N'));
    set.numbers.fill({QStringLiteral("1"), QString(settings::kMaxNumberDigits, QLatin1Char('0')), {}},
                     kMaxUploadCommands);
    return expected_dump_bytes(set);
}

QStringList required_dump_tags() { return {tags::kPassword, tags::kName}; }

namespace {
QString tr(const char *text, int n = -1) { return QCoreApplication::translate("transfer::DumpOutcome", text, nullptr, n); }

// "870 characters", "23.4 KB"
QString amount(qint64 bytes)
{
    return bytes < 1024 ? QStringLiteral("%1 characters").arg(bytes)
                        : QStringLiteral("%1 KB").arg(QString::number(double(bytes) / 1024, 'f', 1));
}

QString seconds(int ms) { return QString::number(double(ms) / 1000, 'g', 3); }

// Where the answer to this request begins: its first record, after the echo of the request.
qsizetype beginningOf(const QString &text) { return text.indexOf(QLatin1Char('|') + tags::kPassword); }
} // namespace

QString DumpOutcome::reason() const
{
    switch (status) {
    case Status::Received:
    case Status::LineLost:
        return QString();
    case Status::NoAnswer:
        return tr("The unit did not answer the request for its settings within %1 s. Check the cable, the COMM "
                  "PORT and the password; nothing was changed.")
            .arg(seconds(waitedMs));
    case Status::WrongPassword:
        return tr("Incorrect GSM unit password");
    case Status::Incomplete:
        if (!problem.isEmpty())
            return tr("The unit's answer could not be read, so nothing was changed: %1.").arg(problem);
        if (!beginning)
            return tr("Only the end of an earlier answer came (%1), not the beginning of the answer to this "
                      "request, so nothing was changed. Read the settings again.")
                .arg(amount(bytes));
        return (numbersSeen == 1 ? tr("The unit's answer stopped after %1 and %n number: the line was quiet for "
                                      "%2 s before its end, so nothing was changed.",
                                      numbersSeen)
                                 : tr("The unit's answer stopped after %1 and %n numbers: the line was quiet for "
                                      "%2 s before its end, so nothing was changed.",
                                      numbersSeen))
                   .arg(amount(bytes), seconds(waitedMs))
               + QLatin1Char(' ')
               + tr("Read the settings again; if it stops again, check the cable and that nothing else uses the "
                    "unit's line.");
    case Status::TooLarge:
        return tr("The unit sent %1 without ending its settings, more than any unit holds; the line may be "
                  "noisy. Nothing was changed: check the cable and try again.")
            .arg(amount(bytes));
    case Status::Interrupted:
        return QStringLiteral("Reading the settings was interrupted by another exchange with the unit; nothing was "
                              "changed.");
    case Status::Stopped:
        return QStringLiteral("Reading the settings was stopped; nothing was changed.");
    }
    return QString();
}

DumpReader::DumpReader(unitlink::UnitLink &link, platform::Timer &quiet, platform::Timer &deadline,
                       std::function<void(const QString &)> appendLog, QObject *parent)
    : QObject(parent), link_(link), quiet_(quiet), deadline_(deadline), appendLog_(std::move(appendLog))
{
    connect(&link_, &unitlink::UnitLink::downloadDataReceived, this, &DumpReader::onData);
    connect(&quiet_, &platform::Timer::timeout, this, &DumpReader::onQuiet);
    connect(&deadline_, &platform::Timer::timeout, this, &DumpReader::onDeadline);
}

qint64 DumpReader::answerBound() { return 2 * largest_dump_bytes() + 4096; }

void DumpReader::stop()
{
    if (busy())
        finish(DumpOutcome::Status::Stopped);
}

bool DumpReader::request(const QString &password, Done done, qint64 expectedBytes)
{
    if (busy())
        return false;
    password_ = password;
    // Whatever was left from earlier exchanges is not part of this answer.
    link_.clear_rx_buffer();
    quiet_.stop();
    deadline_.stop();
    dropped_ = received_ = searched_ = 0;
    expected_ = expectedBytes > 0 ? expectedBytes : largest_dump_bytes();
    if (lineDirty_ && link_.port_open()) {
        // The unit goes on sending an answer given up on: the request waits until it is over.
        link_.set_link_mode(unitlink::kModeDownload);
        state_ = State::Draining;
        quiet_.start(kQuietMs);
    } else if (!sendRequest()) {
        return false;
    }
    done_ = std::move(done);
    emit busyChanged(true);
    return true;
}

bool DumpReader::sendRequest()
{
    if (!link_.write_command(unitlink::wire::bytes(unitlink::wire::dump_request_text(password_))))
        return false;
    link_.set_link_mode(unitlink::kModeDownload);
    link_.clear_rx_buffer();
    searched_ = 0;
    // Until its "<END>" is read, this answer may still be coming.
    lineDirty_ = true;
    state_ = State::Waiting;
    deadline_.start(noAnswerMs_);
    return true;
}

void DumpReader::drop(qsizetype count)
{
    appendLog_(link_.rx_buffer().left(count));
    dropped_ += count;
    searched_ = 0;
    link_.drop_rx_front(count);
}

bool DumpReader::scan()
{
    for (;;) {
        const QString text = link_.rx_buffer();
        // Only the new characters can complete an "<END>".
        const qsizetype end = text.indexOf(tags::kEnd, std::max<qsizetype>(0, searched_ - tags::kEnd.size() + 1));
        if (end < 0) {
            searched_ = text.size();
            return false;
        }
        const qsizetype begin = beginningOf(text);
        if (begin >= 0 && begin < end)
            return true;
        // "<END>" before any beginning: the rest of an earlier answer.
        drop(end + tags::kEnd.size());
    }
}

void DumpReader::onData()
{
    quiet_.stop();
    quiet_.start(kQuietMs);
    if (state_ == State::Idle) {
        // Kept by the link until the quiet tick logs it, but not without end.
        if (link_.rx_buffer().size() > answerBound())
            link_.clear_rx_buffer();
        return;
    }
    const qint64 bytes = received_ = dropped_ + link_.rx_buffer().size();
    if (state_ == State::Draining) {
        drop(link_.rx_buffer().size());
    } else {
        if (state_ == State::Waiting) {
            // From here the wait follows the answer: it goes on while characters keep coming.
            state_ = State::Collecting;
            deadline_.stop();
        }
        if (scan()) {
            QString text = link_.take_rx_buffer();
            text.truncate(text.indexOf(tags::kEnd) + tags::kEnd.size());
            finish(DumpOutcome::Status::Received, text);
            return;
        }
        // The answer may run past the estimate: the bar stays short of its end until it ends.
        emit progress(std::min<qint64>(link_.rx_buffer().size(), expected_ * 99 / 100), expected_);
    }
    if (bytes > answerBound()) {
        link_.clear_rx_buffer();
        finish(DumpOutcome::Status::TooLarge);
    }
}

void DumpReader::onQuiet()
{
    quiet_.stop();
    if (state_ == State::Draining) {
        if (!sendRequest())
            finish(DumpOutcome::Status::LineLost);
        return;
    }
    if (link_.link_mode() != unitlink::kModeDownload) {
        // An upload or an output test took the line over while the answer was coming.
        if (busy())
            finish(DumpOutcome::Status::Interrupted);
        return;
    }
    const QString text = link_.take_rx_buffer();
    if (!busy()) {
        if (text.isEmpty())
            return;
        appendLog_(text);
        // The late answer is over: the next request finds a quiet line.
        if (text.contains(tags::kEnd))
            lineDirty_ = false;
        if (failed_ && !std::exchange(toldLate_, true))
            emit lateAnswerIgnored();
        return;
    }
    // Every code of the answer, not only the first few a reply is read for: a unit may repeat
    // its refusal many times.
    if (beginningOf(text) < 0
        && unitlink::read_reply_codes(text, text.size()).contains(static_cast<qint16>(unitlink::ReplyCode::WrongPassword)))
        finish(DumpOutcome::Status::WrongPassword, text);
    else
        finish(DumpOutcome::Status::Incomplete, text);
}

void DumpReader::onDeadline()
{
    deadline_.stop();
    if (state_ != State::Waiting)
        return;
    if (!link_.port_open())
        finish(DumpOutcome::Status::LineLost);
    else if (link_.link_mode() != unitlink::kModeDownload)
        finish(DumpOutcome::Status::Interrupted);
    else
        finish(DumpOutcome::Status::NoAnswer);
}

void DumpReader::finish(DumpOutcome::Status status, const QString &raw)
{
    quiet_.stop();
    deadline_.stop();
    state_ = State::Idle;
    toldLate_ = false;
    DumpOutcome outcome;
    outcome.status = status;
    outcome.raw = raw;
    outcome.bytes = std::max(received_, dropped_ + raw.size());
    outcome.waitedMs = status == DumpOutcome::Status::NoAnswer ? noAnswerMs_ : kQuietMs;
    const qsizetype begin = beginningOf(raw);
    outcome.beginning = begin >= 0;
    outcome.numbersSeen = int(raw.count(QLatin1Char('|') + tags::kNumber));
    if (status == DumpOutcome::Status::Received) {
        // Only what follows its own beginning is this answer.
        outcome.records = raw.mid(begin);
        outcome.records.remove(QLatin1Char('\n'));
        outcome.records.remove(QLatin1Char('\r'));
        // A dump is read whole or not at all: every value passes the same check as a typed one.
        settings::SettingsSet scratch;
        ParseResult parsed = parse_settings(outcome.records, scratch, TextKind::Dump);
        for (const QString &tag : required_dump_tags())
            if (parsed.ok() && !parsed.tags.contains(tag))
                parsed.problem = QStringLiteral("its \"%1\" record is missing, which every answer of the unit carries")
                                     .arg(tag);
        if (!parsed.ok()) {
            outcome.status = DumpOutcome::Status::Incomplete;
            outcome.problem = parsed.problem;
            outcome.records.clear();
        }
    }
    const bool received = outcome.status == DumpOutcome::Status::Received;
    failed_ = !received;
    // A whole answer read to its "<END>" leaves nothing of it on the line; anything else may.
    if (raw.contains(tags::kEnd))
        lineDirty_ = false;
    if (received)
        emit progress(raw.size(), raw.size()); // the whole answer, whatever was expected
    emit busyChanged(false);
    // `done` may start the next request.
    if (Done done = std::exchange(done_, nullptr))
        done(outcome);
}

} // namespace transfer
