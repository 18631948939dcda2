// output: switch one output of the unit for a test, and check that it followed.
#include "cli/commands.h"
#include "cli/report.h"
#include "cli/unitcommand.h"
#include "link/replycodes.h"
#include "link/wire.h"
#include "messages/messages.h"
#include "session/unitsession.h"

#include <QTimer>

namespace cli {

namespace {

class OutputCommand : public UnitCommand {
public:
    OutputCommand(session::UnitSession &session, Reporter &report, Result &result, const Password &password,
                  int output, bool on, int patienceMs)
        : UnitCommand(session, report, result), password_(password), output_(output), on_(on), patienceMs_(patienceMs)
    {
        connect(&session_, &session::UnitSession::replyReceived, this, &OutputCommand::onReply);
        connect(&session_, &session::UnitSession::notSent, this, [this] {
            finish(kPortFailed, tr("output: nothing could be written to the port: %1").arg(session_.errorDescription()));
        });
        overdue_.setSingleShot(true);
        connect(&overdue_, &QTimer::timeout, this, [this] {
            finish(kNoAnswer, tr("output: the unit did not answer within %1 s. Check the cable, the port and that the "
                                 "unit is switched on.")
                                  .arg(QString::number(patienceMs_ / 1000.0, 'g', 3)));
        });
    }

    void start() override
    {
        result_.json[QStringLiteral("output")] = output_;
        session_.pressOutput(output_, on_, password_.text);
        if (isFinished())
            return;
        report_.info(tr("output: sent ") + unitlink::wire::output_command(output_, on_));
        overdue_.start(patienceMs_);
    }

private:
    void onReply(const QString &text)
    {
        overdue_.stop();
        const unitlink::Reply reply = unitlink::read_reply(text);
        if (reply.wrongPassword) {
            finish(kWrongPassword, tr("output: ") + messages::Texts::wrongPassword() + QStringLiteral(". ")
                                       + password_hint(password_.source));
            return;
        }
        for (const unitlink::OutputState &s : reply.outputs) {
            if (s.output != output_)
                continue;
            const QString state = s.on ? tr("on") : tr("off");
            result_.json[QStringLiteral("state")] = s.on ? QStringLiteral("on") : QStringLiteral("off");
            finish(s.on == on_ ? kDone : kRefused, tr("output: output %1 is %2").arg(output_).arg(state));
            return;
        }
        finish(kRefused, tr("output: the unit did not report output %1 (reply \"%2\").").arg(output_).arg(text.trimmed()));
    }

    Password password_;
    int output_ = 0;
    bool on_ = false;
    int patienceMs_ = 0;
    QTimer overdue_; // the answer's wait
};

} // namespace

int runOutput(const Request &request, Reporter &report)
{
    Result result(request);
    bool ok = false;
    const int output = request.arguments.at(0).toInt(&ok);
    if (!ok || output < 1 || output > 4)
        return result.finish(report, kUsage,
                             OutputCommand::tr("the output is a number from 1 to 4, not \"%1\"").arg(request.arguments.at(0)));
    const QString state = request.arguments.at(1);
    if (state != QLatin1String("on") && state != QLatin1String("off"))
        return result.finish(report, kUsage, OutputCommand::tr("say on or off, not \"%1\"").arg(state));
    const Password password = password_for(request, report, std::nullopt);
    if (!password.error.isEmpty())
        return result.finish(report, kUsage, password.error);
    const int patienceMs = request.timeoutMs.value_or(unitlink::UnitLink::kReplyPatienceMs);
    return run_on_unit(request, report, result, [&](session::UnitSession &session) {
        return std::make_unique<OutputCommand>(session, report, result, password, output, state == QLatin1String("on"),
                                               patienceMs);
    });
}

} // namespace cli
