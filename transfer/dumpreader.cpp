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

DumpReader::DumpReader(unitlink::UnitLink &link, platform::Timer &quiet, platform::Timer &deadline,
                       std::function<void(const QString &)> appendLog, QObject *parent)
    : QObject(parent), link_(link), quiet_(quiet), deadline_(deadline), appendLog_(std::move(appendLog))
{
    connect(&link_, &unitlink::UnitLink::downloadDataReceived, this, &DumpReader::onData);
    connect(&quiet_, &platform::Timer::timeout, this, &DumpReader::onQuiet);
    connect(&deadline_, &platform::Timer::timeout, this, &DumpReader::onDeadline);
}

int DumpReader::answerLimitMs(qint64 expectedBytes) const
{
    const qint64 bytes = expectedBytes > 0 ? expectedBytes : largest_dump_bytes();
    return int(std::min<qint64>(2 * bytes * 1000 / kLineBytesPerSecond + noAnswerMs_, 24 * 3600 * 1000));
}

void DumpReader::stop()
{
    if (busy())
        finish(DumpOutcome::Status::Stopped);
}

bool DumpReader::request(const QString &password, Done done, qint64 expectedBytes)
{
    if (busy())
        return false;
    if (!link_.writeCommand(unitlink::wire::bytes(unitlink::wire::dump_request_text(password))))
        return false;
    link_.setLineUser(unitlink::LineUser::Dump);
    // Whatever was left from earlier exchanges is not part of this answer.
    link_.clearRxBuffer();
    quiet_.stop();
    done_ = std::move(done);
    expected_ = expectedBytes > 0 ? expectedBytes : largest_dump_bytes();
    state_ = State::Waiting;
    deadline_.start(noAnswerMs_);
    emit busyChanged(true);
    return true;
}

void DumpReader::onData()
{
    quiet_.stop();
    quiet_.start(kQuietMs);
    if (state_ == State::Waiting) {
        state_ = State::Collecting;
        deadline_.start(answerLimitMs(expected_));
    }
    // The answer may run past the estimate: the bar stays short of its end until it ends.
    if (state_ == State::Collecting)
        emit progress(std::min<qint64>(link_.rxBuffer().size(), expected_ * 99 / 100), expected_);
    if (link_.rxBuffer().size() <= kLargestAnswer)
        return;
    link_.clearRxBuffer();
    if (state_ == State::Collecting)
        finish(DumpOutcome::Status::TooLarge);
}

void DumpReader::onQuiet()
{
    quiet_.stop();
    if (link_.lineUser() != unitlink::LineUser::Dump) {
        // An upload or an output test took the line over while the answer was coming.
        if (busy())
            finish(DumpOutcome::Status::Interrupted);
        return;
    }
    const QString text = link_.takeRxBuffer();
    if (!busy()) {
        if (text.isEmpty())
            return;
        appendLog_(text);
        if (failed_ && !std::exchange(toldLate_, true))
            emit lateAnswerIgnored();
        return;
    }
    if (text.contains(tags::kEnd))
        finish(DumpOutcome::Status::Received, text);
    // Every code of the answer, not only the first few a reply is read for: a unit may repeat
    // its refusal many times.
    else if (unitlink::read_reply_codes(text, text.size())
                 .contains(static_cast<qint16>(unitlink::ReplyCode::WrongPassword)))
        finish(DumpOutcome::Status::WrongPassword, text);
    else
        finish(DumpOutcome::Status::Incomplete, text);
}

void DumpReader::onDeadline()
{
    deadline_.stop();
    if (!busy())
        return;
    if (!link_.portOpen())
        finish(DumpOutcome::Status::LineLost);
    else if (link_.lineUser() != unitlink::LineUser::Dump)
        finish(DumpOutcome::Status::Interrupted);
    else if (state_ == State::Waiting)
        finish(DumpOutcome::Status::NoAnswer);
    else {
        link_.clearRxBuffer();
        finish(DumpOutcome::Status::TooSlow);
    }
}

void DumpReader::finish(DumpOutcome::Status status, const QString &raw)
{
    deadline_.stop();
    state_ = State::Idle;
    failed_ = status != DumpOutcome::Status::Received;
    toldLate_ = false;
    DumpOutcome outcome;
    outcome.status = status;
    outcome.raw = raw;
    outcome.limitMs = answerLimitMs(expected_);
    if (status == DumpOutcome::Status::Received) {
        outcome.records = raw;
        outcome.records.remove(QLatin1Char('\n'));
        outcome.records.remove(QLatin1Char('\r'));
        // A dump is read whole or not at all: every value passes the same check as a typed one.
        settings::SettingsSet scratch;
        if (const ParseResult parsed = parse_settings(outcome.records, scratch, TextKind::Dump); !parsed.ok()) {
            outcome.status = DumpOutcome::Status::Incomplete;
            outcome.problem = parsed.problem;
            outcome.records.clear();
            failed_ = true;
        }
    }
    if (outcome.status == DumpOutcome::Status::Received)
        emit progress(raw.size(), raw.size()); // the whole answer, whatever was expected
    emit busyChanged(false);
    // `done` may start the next request.
    if (Done done = std::exchange(done_, nullptr))
        done(outcome);
}

} // namespace transfer
