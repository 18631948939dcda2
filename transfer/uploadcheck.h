#pragma once
#include "link/unitlink.h"
#include "transfer/upload.h"

#include <QObject>
#include <functional>
#include <optional>

namespace platform {
class Dialogs;
}

namespace transfer {

class DumpReader;
struct DumpOutcome;

// Verify after upload: once the unit has acknowledged every command, its settings are read
// back into a settings value (never into the editors) and compared with what was sent. One
// result is shown and written to the log.
class UploadCheck : public QObject {
    Q_OBJECT
public:
    UploadCheck(unitlink::UnitLink &link, DumpReader &reader, platform::Dialogs &dialogs,
                std::function<void(const QString &)> appendLog, std::function<bool()> wanted,
                QObject *parent = nullptr);

    // An upload of `sent` has started on a unit of `unitModel`.
    void started(const SentUpload &sent, const QString &unitModel);

private:
    void onChainState(unitlink::UnitLink::ChainState state);
    void done(const DumpOutcome &outcome);

    DumpReader &reader_;
    platform::Dialogs &dialogs_;
    std::function<void(const QString &)> appendLog_;
    std::function<bool()> wanted_;
    std::optional<SentUpload> sent_; // only from the start of an upload to its verification
    QString model_;
};

} // namespace transfer
