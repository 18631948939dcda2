#include "cli/unitcommand.h"

#include "cli/report.h"
#include "link/replycodes.h"
#include "link/wire.h"
#include "messages/messages.h"
#include "platform/interruptwatch.h"
#include "platform/qtserialport.h"
#include "platform/qttimer.h"
#include "platform/serialport.h"
#include "session/unitsession.h"
#include "settings/settingsset.h"
#include "settings/unitmodel.h"
#include "transfer/uploadplan.h"
#include "transfer/verify.h"
#include "unitsim/ptyunit.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>

#include <cmath>

namespace cli {

Result::Result(const Request &request) : printJson_(request.json)
{
    json[QStringLiteral("command")] = request.command;
    if (request.port)
        json[QStringLiteral("port")] = *request.port;
    if (request.command != QLatin1String("output") && !request.arguments.isEmpty()) {
        json[QStringLiteral("file")] = request.arguments.first();
        json[QStringLiteral("model")] = request.model;
    }
}

int Result::finish(Reporter &report, int code, const QString &message)
{
    if (!message.isEmpty()) {
        if (code == kDone)
            report.info(message);
        else
            report.error(message);
        json[QStringLiteral("message")] = message;
    }
    json[QStringLiteral("exitCode")] = code;
    if (printJson_)
        printJson(json);
    return code;
}

void printJson(const QJsonObject &object)
{
    QTextStream(stdout) << QJsonDocument(object).toJson(QJsonDocument::Compact) << '\n';
}

void addVerificationJson(QJsonObject &json, const transfer::Verification &v)
{
    QJsonArray differences;
    for (const transfer::Difference &d : v.differences)
        differences.append(QJsonObject{{QStringLiteral("field"), d.field},
                                       {QStringLiteral("sent"), d.sent},
                                       {QStringLiteral("found"), d.found}});
    json[QStringLiteral("matches")] = v.matches;
    json[QStringLiteral("differences")] = differences;
    json[QStringLiteral("notVerifiable")] = QJsonArray::fromStringList(v.notVerifiable);
}

platform::PortCatalogue port_catalogue()
{
    return platform::PortCatalogue(platform::PortCatalogue::systemLister(), platform::PortCatalogue::envPorts(),
                                   [] { return QStringLiteral("sim"); });
}

QJsonObject planJson(const transfer::UploadPlan &plan)
{
    QJsonArray commands;
    for (const transfer::UploadCommand &c : plan.commands)
        commands.append(unitlink::wire::shown_command(c.word, c.value));
    return QJsonObject{
        {QStringLiteral("kind"), plan.kind == transfer::UploadPlan::Kind::Full ? QStringLiteral("full")
                                                                               : QStringLiteral("shortest")},
        {QStringLiteral("summary"), plan.summary},
        {QStringLiteral("reason"), plan.reason},
        {QStringLiteral("commands"), commands},
        {QStringLiteral("bytesOut"), plan.bytesOut},
        {QStringLiteral("bytesIn"), plan.bytesIn},
        {QStringLiteral("seconds"), std::round(plan.seconds * 10) / 10},
        {QStringLiteral("numbersSent"), plan.numbersSent},
        {QStringLiteral("numbersKept"), plan.numbersKept},
    };
}

QString stepLines(const QString &step, const messages::Message &message)
{
    const QString text = message.details.isEmpty() ? message.text : message.text + QLatin1Char(' ') + message.details;
    // One line each, so that a script can grep them.
    return step + QString(text).replace(QLatin1Char('\n'), QLatin1Char('\n') + step);
}

QString password_hint(Secret::Source source)
{
    switch (source) {
    case Secret::Source::Option: return Result::tr("Check the password given with --password.");
    case Secret::Source::File: return Result::tr("Check the password in the file given with --password-file.");
    case Secret::Source::Environment:
        return Result::tr("Check the password in %1.").arg(QLatin1String(kPasswordVariable));
    case Secret::Source::Terminal: return Result::tr("Check the password typed at the question.");
    case Secret::Source::Default: break;
    }
    return Result::tr("Give the unit's password with --password-file or %1.").arg(QLatin1String(kPasswordVariable));
}

Password password_for(const Request &request, Reporter &report, const std::optional<QString> &fileHolds)
{
    // The unit's password until someone changes it: the settings' start value.
    const QString start = settings::SettingsSet{}.password;
    // A file carries its own password: a script that loops over files is not stopped by a question.
    const Secret secret = read_password(request.password, request.passwordFile, !fileHolds.has_value(),
                                        fileHolds ? Result::tr("the file's") : start);
    if (!secret.warning.isEmpty())
        report.info(secret.warning);
    if (!secret.error.isEmpty())
        return {QString(), secret.source, secret.error};
    return {secret.given ? secret.password : fileHolds.value_or(start), secret.source, QString()};
}

UnitCommand::UnitCommand(session::UnitSession &session, Reporter &report, Result &result)
    : session_(session), report_(report), result_(result)
{
    connect(&session_, &session::UnitSession::replyReceived, this, [this](const QString &, const QList<qint16> &codes) {
        for (const qint16 c : codes)
            ++codes_[c];
    });
    connect(&session_, &session::UnitSession::portLost, this, [this](const session::PortLoss &loss) {
        // An upload tells its own loss, with how far it got.
        if (session_.uploading())
            return;
        finish(kPortFailed, tr("The serial port closed: %1. Check the cable or USB adapter, reconnect the unit and "
                               "start again.")
                                .arg(platform::SerialPort::lossInWords(loss.errorNumber, loss.description)));
    });
}

void UnitCommand::interrupt() { finish(kInterrupted, Result::tr("Stopped by Ctrl-C.")); }

void UnitCommand::finish(int code, const QString &message)
{
    if (std::exchange(finished_, true))
        return;
    exitCode_ = code;
    QJsonArray codes;
    for (auto it = codes_.cbegin(); it != codes_.cend(); ++it)
        codes.append(QJsonObject{{QStringLiteral("code"), it.key()},
                                 {QStringLiteral("meaning"), unitlink::code_meaning(it.key())},
                                 {QStringLiteral("count"), it.value()}});
    if (!codes.isEmpty())
        result_.json[QStringLiteral("codes")] = codes;
    result_.json[QStringLiteral("message")] = message;
    if (code == kDone)
        report_.info(message);
    else
        report_.error(message);
    session_.close();
    emit finished(code);
}

namespace {

// --port as a device: a number of the list, a path, or "sim" (empty device).
bool choosePort(const QString &text, QString *device, QString *error)
{
    if (text == QLatin1String("sim")) {
        device->clear();
        return true;
    }
    bool isNumber = false;
    const int number = text.toInt(&isNumber);
    if (!isNumber) {
        *device = text;
        return true;
    }
    if (const std::optional<platform::PortEntry> e = port_catalogue().find(number)) {
        *device = e->simulated ? QString() : e->path;
        return true;
    }
    *error = Result::tr("there is no port %1; 'norvikconf-cli ports' lists them").arg(number);
    return false;
}

} // namespace

int run_on_unit(const Request &request, Reporter &report, Result &result, const MakeCommand &make)
{
    QString device, error;
    if (!choosePort(request.port.value_or(QString()), &device, &error))
        return result.finish(report, kUsage, error);
    // "sim": a simulated unit inside this process, as the windows offer one.
    unitsim::PtyUnit simulated;
    if (device.isEmpty()) {
        if (!simulated.start(&error))
            return result.finish(report, kPortFailed, Result::tr("The simulated unit cannot be started: %1").arg(error));
        simulated.protocol().setModel(request.model == settings::kIntercom ? unitsim::Model::Intercom
                                                                           : unitsim::Model::Gate);
        device = simulated.devicePath();
        result.json[QStringLiteral("device")] = device;
    }
    platform::QtSerialPort port;
    session::UnitSession session(
        port, [] { return std::make_unique<platform::QtTimer>(); }, request.model);
    session::UnitSession::Patience patience;
    if (request.timeoutMs)
        patience.replyMs = patience.firstByteMs = *request.timeoutMs;
    session.setPatience(patience);
    if (!session.open(device))
        return result.finish(report, kPortFailed,
                             messages::Texts::portOpenFailed(session.errorNumber(), session.errorDescription()));

    const std::unique_ptr<UnitCommand> command = make(session);
    platform::InterruptWatch interrupts;
    QEventLoop loop;
    QObject::connect(&interrupts, &platform::InterruptWatch::interrupted, command.get(), &UnitCommand::interrupt);
    QObject::connect(command.get(), &UnitCommand::finished, &loop, &QEventLoop::exit, Qt::QueuedConnection);
    command->start();
    if (!command->isFinished())
        loop.exec();
    return result.finish(report, command->exitCode(), QString());
}

} // namespace cli
