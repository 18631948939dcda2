// Five numbers added to a unit that holds 991, on the simulated unit paced like the real line
// (a separate process taking in and sending 960 bytes a second each way): the shortest safe
// upload against the full one, and the full one against a raw client that writes each command
// and waits for its reply. One run: every upload here is bound by the line, not the machine.
#include "bench/benchutil.h"
#include "link/wire.h"
#include "platform/latin1.h"
#include "platform/qtserialport.h"
#include "platform/qttimer.h"
#include "session/unitsession.h"
#include "settings/unitmodel.h"
#include "transfer/uploadjob.h"
#include "transfer/uploadplan.h"
#include "unitsim/unitprotocol.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int kHeld = 991; // with 5 more, the full upload is the longest one chain takes: 1000 commands
constexpr int kAdded = 5;
const QString kPassword = QStringLiteral("5831"); // the simulated unit's

int fail(const QString &why)
{
    bench::out() << "bench_sync: " << why << Qt::endl;
    return 2;
}

// The simulated unit's made-up numbers as a gate list: the value "1" is output 1.
QList<settings::NumberRow> rows(qsizetype count)
{
    QList<settings::NumberRow> out;
    for (const unitsim::NumberEntry &e : unitsim::sampleNumbers(count))
        out.append({QString::number(out.size() + 1), QLatin1Char('+') + e.number, {true, false, false, false}});
    return out;
}

// One upload through the unit session, as the window and the command line drive it, with
// what the unit is known to hold (nothing: the full sequence). Seconds, or -1 when it did not
// end with every command acknowledged.
double throughJob(const QString &device, const std::optional<settings::SettingsSet> &held,
                  const settings::SettingsSet &wanted)
{
    platform::QtSerialPort port;
    session::UnitSession session(
        port, [] { return std::make_unique<platform::QtTimer>(); }, settings::kGate);
    if (!session.open(device))
        return -1;
    if (held)
        session.assumeHeld(*held);
    QEventLoop loop;
    bool done = false;
    QObject::connect(&session, &session::UnitSession::uploadDone, &loop, [&](const transfer::UploadOutcome &o) {
        done = o.kind == transfer::UploadOutcome::Kind::Done;
        loop.quit();
    });
    transfer::UploadChoices choices;
    choices.model = settings::kGate;
    QElapsedTimer clock;
    clock.start();
    if (!session.upload(session.prepare(wanted, choices)))
        return -1;
    loop.exec();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    return done ? seconds : -1;
}

// The least a client can do: write a frame, read up to ")", next.
double rawClient(const QString &device, const QList<transfer::UploadCommand> &commands)
{
    const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return -1;
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    cfsetspeed(&tio, B9600);
    tcsetattr(fd, TCSANOW, &tio);
    QElapsedTimer clock;
    clock.start();
    bool ok = true;
    for (qsizetype i = 0; ok && i < commands.size(); ++i) {
        const auto &c = commands.at(i);
        const QByteArray frame = platform::toWire(QLatin1Char('*') + kPassword + QLatin1Char(' ') + c.word + c.value + QLatin1Char('*'));
        ok = ::write(fd, frame.constData(), size_t(frame.size())) == frame.size();
        for (QByteArray reply; ok && !reply.contains(')');) {
            pollfd p{fd, POLLIN, 0};
            char buf[64];
            const ssize_t n = ::poll(&p, 1, 5000) == 1 ? ::read(fd, buf, sizeof buf) : -1;
            ok = n > 0;
            if (ok)
                reply.append(buf, n);
        }
    }
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    ::close(fd);
    return ok ? seconds : -1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString simulator = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("gsm-unit-sim");
    QProcess unit;
    unit.start(simulator, {QStringLiteral("--pace"), QStringLiteral("--model"), settings::kGate, QStringLiteral("--numbers"),
                           QString::number(kHeld)});
    if (!unit.waitForReadyRead(10000))
        return fail(QStringLiteral("%1 did not start").arg(simulator));
    const QString device = QString::fromLocal8Bit(unit.readLine()).trimmed().section(QLatin1Char(' '), -1);

    // What the unit holds (its start-up settings and list), and the same with five numbers more.
    settings::SettingsSet held;
    held.systemName = unitsim::UnitState().systemName;
    held.masterNumber = unitsim::UnitState().masterNumber;
    held.numbers = rows(kHeld);
    settings::SettingsSet wanted = held;
    wanted.numbers = rows(kHeld + kAdded);
    const transfer::UploadPlan shortest = transfer::plan_upload(held, wanted, {settings::kGate});
    const transfer::UploadPlan full = transfer::plan_upload(std::nullopt, wanted, {settings::kGate});
    if (full.commands.size() > transfer::kMaxUploadCommands)
        return fail(QStringLiteral("the full upload needs %1 commands").arg(full.commands.size()));

    unit.readAll(); // the banner; from here on, one line per command the unit receives
    const double shortWall = throughJob(device, held, wanted);
    QString received;
    do
        received += QString::fromLocal8Bit(unit.readAll());
    while (received.count(unitlink::wire::kAddNumber) < kAdded && unit.waitForReadyRead(1000));
    const double fullWall = throughJob(device, std::nullopt, wanted);
    const double rawWall = rawClient(device, full.commands);
    unit.terminate();
    unit.waitForFinished(5000);
    if (shortWall < 0 || fullWall < 0 || rawWall < 0)
        return fail(QStringLiteral("an upload did not complete"));
    const auto countOf = [&received](const QString &word) { return received.count(QStringLiteral("> ") + word); };
    if (countOf(unitlink::wire::kAddNumber) != kAdded || countOf(unitlink::wire::kClearNumbers) != 0)
        return fail(QStringLiteral("the shortest upload was not %1 numbers alone: %2").arg(kAdded).arg(received));

    bench::heading(QStringLiteral("%1 numbers added to a unit holding %2, at 9600 baud each way (one run)").arg(kAdded).arg(kHeld));
    bench::report(QStringLiteral("shortest plan: estimate (%1 commands)").arg(shortest.commands.size()), shortest.seconds, QStringLiteral("s"));
    bench::report(QStringLiteral("full upload: estimate (%1 commands)").arg(full.commands.size()), full.seconds, QStringLiteral("s"));
    bench::report(QStringLiteral("full upload, raw client: wall"), rawWall, QStringLiteral("s"));
    bench::report(QStringLiteral("full upload, upload job: wall"), fullWall, QStringLiteral("s"));
    bool met = bench::report(QStringLiteral("shortest plan, upload job: wall"), shortWall, QStringLiteral("s"), 1.0);
    met &= bench::reportAtLeast(QStringLiteral("full upload / shortest plan"), fullWall / shortWall, QStringLiteral("x"), 30);
    met &= bench::report(QStringLiteral("full upload: upload job / raw client"), fullWall / rawWall, QStringLiteral("x"), 1.05);
    return met ? 0 : 1;
}
