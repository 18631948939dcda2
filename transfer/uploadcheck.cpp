#include "transfer/uploadcheck.h"

#include "platform/dialogs.h"
#include "transfer/dumpreader.h"

#include <utility>

namespace transfer {

UploadCheck::UploadCheck(unitlink::UnitLink &link, DumpReader &reader, platform::Dialogs &dialogs,
                         std::function<void(const QString &)> appendLog, std::function<bool()> wanted,
                         QObject *parent)
    : QObject(parent), reader_(reader), dialogs_(dialogs), appendLog_(std::move(appendLog)),
      wanted_(std::move(wanted))
{
    connect(&link, &unitlink::UnitLink::chainStateChanged, this, &UploadCheck::onChainState);
}

void UploadCheck::started(const SentUpload &sent, const QString &unitModel)
{
    sent_ = sent;
    model_ = unitModel;
}

void UploadCheck::onChainState(unitlink::UnitLink::ChainState state)
{
    using State = unitlink::UnitLink::ChainState;
    // A chain refused at the password command may still go on with the unit's current one,
    // and one cut by a lost port may be resumed: both are still this upload.
    if (!sent_ || state == State::Running || state == State::Unacknowledged || state == State::Aborted)
        return;
    if (state != State::Completed || !wanted_()) {
        sent_.reset();
        return;
    }
    appendLog_(QStringLiteral("\r\nVERIFY: reading the settings back from the unit"));
    if (!reader_.request(sent_->settings.password, [this](const DumpOutcome &outcome) { done(outcome); }))
        sent_.reset();
}

void UploadCheck::done(const DumpOutcome &outcome)
{
    const std::optional<SentUpload> sent = std::exchange(sent_, std::nullopt);
    if (!sent)
        return;
    if (!outcome.raw.isEmpty())
        appendLog_(QStringLiteral("\r\n") + outcome.raw);
    if (outcome.status == DumpOutcome::Status::LineLost)
        return; // the link has told the operator
    if (outcome.status != DumpOutcome::Status::Received) {
        const QString text = QStringLiteral("The upload was acknowledged but could not be verified: ") + outcome.reason();
        appendLog_(QStringLiteral("\r\nVERIFY: ") + text);
        dialogs_.message(text, platform::Dialogs::Icon::Stop, QStringLiteral("Verify after upload"));
        return;
    }
    const Verification result = verify_upload(sent->settings, model_, sent->parts, read_unit_dump(outcome.records));
    const QString text = verification_text(result);
    appendLog_(QStringLiteral("\r\nVERIFY: ") + text);
    dialogs_.message(text, result.ok() ? platform::Dialogs::Icon::Information : platform::Dialogs::Icon::Stop,
                     QStringLiteral("Verify after upload"));
}

} // namespace transfer
