// The compare view: two 1,000-number lists that differ in 10 rows compared, and the view
// opened with them; then 3 ticked additions applied to the paced simulated unit holding 991
// numbers, counting the "TEL ADDN" it receives and the bytes on the line both ways against
// the three commands' framing.
#include "bench/benchutil.h"
#include "compare/compare.h"
#include "link/unitlink.h"
#include "link/wire.h"
#include "mainwindow/comparedialog.h"
#include "platform/dialogs.h"
#include "platform/qtserialport.h"
#include "platform/qttimer.h"
#include "settings/unitmodel.h"
#include "transfer/dumpreader.h"
#include "transfer/uploadjob.h"
#include "transfer/uploadplan.h"
#include "unitsim/unitprotocol.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>

namespace {

constexpr int kHeld = 991;
constexpr int kRounds = 15;

struct NoDialogs : platform::Dialogs {
    void message(const QString &, Icon, const QString &) override {}
    bool askYesNo(const QString &, Icon, const QString &) override { return true; }
    int choose(const QString &, const QString &, const QStringList &) override { return 0; }
    QString openFileName(const QString &, const QString &) override { return {}; }
    QString saveFileName(const QString &, const QString &) override { return {}; }
};

// The real port, counting every byte each way.
class CountingPort : public platform::SerialPort {
public:
    CountingPort()
    {
        connect(&real, &platform::SerialPort::dataReceived, this, &platform::SerialPort::dataReceived);
        connect(&real, &platform::SerialPort::lost, this, &platform::SerialPort::lost);
    }
    bool open(const QString &path, const platform::LineSettings &s) override { return real.open(path, s); }
    void close() override { real.close(); }
    bool isOpen() const override { return real.isOpen(); }
    bool write(const QByteArray &bytes) override
    {
        out += bytes.size();
        return real.write(bytes);
    }
    QByteArray readAll() override
    {
        const QByteArray bytes = real.readAll();
        in += bytes.size();
        return bytes;
    }
    int errorNumber() const override { return real.errorNumber(); }
    QString errorDescription() const override { return real.errorDescription(); }
    platform::QtSerialPort real;
    qint64 out = 0, in = 0;
};

QList<settings::NumberRow> rows(qsizetype count)
{
    QList<settings::NumberRow> out;
    for (const unitsim::NumberEntry &e : unitsim::sampleNumbers(count))
        out.append({QString::number(out.size() + 1), QLatin1Char('+') + e.number, {true, false, false, false}});
    return out;
}

int fail(const QString &why)
{
    bench::out() << "bench_compare: " << why << Qt::endl;
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    bench::out() << "bench_compare" << Qt::endl;

    // Two 1,000-number lists: 4 removed, 4 added, 2 with other rights.
    settings::SettingsSet left, right;
    left.numbers = rows(1000);
    right.numbers = left.numbers.mid(4);
    right.numbers += rows(1004).mid(1000);
    right.numbers[500].outputs[1] = true;
    right.numbers[700].outputs[2] = true;
    std::vector<double> compareMs, openMs;
    qsizetype found = 0;
    NoDialogs dialogs;
    for (int i = 0; i < kRounds; ++i) {
        QElapsedTimer clock;
        clock.start();
        found = compare::compare_settings(left, right, settings::kGate).rows.size();
        compareMs.push_back(double(clock.nsecsElapsed()) / 1e6);
        clock.restart();
        mainwindow::CompareDialog view(settings::kGate, {}, dialogs);
        view.setSides({mainwindow::CompareSide::Kind::Unit, QStringLiteral("the unit"), left},
                      {mainwindow::CompareSide::Kind::File, QStringLiteral("oak.gsm"), right});
        view.show();
        QCoreApplication::processEvents();
        openMs.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    if (found != 10)
        return fail(QStringLiteral("%1 rows found, not 10").arg(found));
    bool met = bench::report(QStringLiteral("compare two 1000-number lists, 10 rows differ"), bench::median(compareMs),
                             QStringLiteral("ms"), 20);
    met &= bench::report(QStringLiteral("the compare view opened with them"), bench::median(openMs), QStringLiteral("ms"),
                         100);

    // The paced unit holding 991; five additions in the window, two of them unticked.
    const QString simulator = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("gsm-unit-sim");
    QProcess unit;
    unit.start(simulator, {QStringLiteral("--pace"), QStringLiteral("--model"), settings::kGate, QStringLiteral("--numbers"),
                           QString::number(kHeld)});
    if (!unit.waitForReadyRead(10000))
        return fail(QStringLiteral("%1 did not start").arg(simulator));
    const QString device = QString::fromLocal8Bit(unit.readLine()).trimmed().section(QLatin1Char(' '), -1);
    settings::SettingsSet held;
    held.systemName = unitsim::UnitState().systemName;
    held.masterNumber = unitsim::UnitState().masterNumber;
    held.numbers = rows(kHeld);
    settings::SettingsSet window = held;
    window.numbers = rows(kHeld + 5);

    CountingPort port;
    unitlink::UnitLink link(port);
    platform::QtTimer quiet, deadline;
    transfer::DumpReader reader(link, quiet, deadline, [](const QString &) {});
    transfer::UploadJob job(link, reader);
    if (!port.open(device, {}))
        return fail(QStringLiteral("the port did not open"));
    job.setHeld(held);
    qint64 chainOut = 0, chainIn = 0;
    // The last acknowledgement, before the read-back's request goes out.
    QObject::connect(&link, &unitlink::UnitLink::acknowledged, [&](int done, int total) {
        if (done == total) {
            chainOut = port.out;
            chainIn = port.in;
        }
    });
    QEventLoop loop;
    bool verified = false;
    QObject::connect(&job, &transfer::UploadJob::finished, &loop, [&](const transfer::UploadOutcome &o) {
        verified = o.kind == transfer::UploadOutcome::Kind::Done && o.verification && o.verification->ok();
        loop.quit();
    });
    mainwindow::CompareSources sources;
    sources.apply = [&](const settings::SettingsSet &target) {
        transfer::UploadChoices choices;
        choices.model = settings::kGate;
        choices.verify = true;
        return job.start(target, choices);
    };
    mainwindow::CompareDialog view(settings::kGate, sources, dialogs);
    view.setSides({mainwindow::CompareSide::Kind::Unit, QStringLiteral("the unit"), held},
                  {mainwindow::CompareSide::Kind::Window, QStringLiteral("window"), window});
    view.setTicked(0, false);
    view.setTicked(2, false);
    unit.readAll(); // the banner; from here on, one line per command the unit receives
    if (!view.applyTicked())
        return fail(QStringLiteral("the apply did not start"));
    loop.exec();
    const transfer::UploadPlan &plan = job.currentPlan();
    QString received = QString::fromLocal8Bit(unit.readAll());
    while (unit.waitForReadyRead(500))
        received += QString::fromLocal8Bit(unit.readAll());
    unit.terminate();
    unit.waitForFinished(5000);
    if (!verified)
        return fail(QStringLiteral("the apply did not end verified"));
    const qsizetype additions = received.count(QStringLiteral("> ") + unitlink::wire::kAddNumber);
    met &= bench::report(QStringLiteral("\"TEL ADDN\" received for 3 ticked of 5"), double(additions),
                         QStringLiteral(""), 3);
    if (additions != 3 || plan.commands.size() != 3)
        met = false;
    const double framing = double(plan.bytesOut + plan.bytesIn);
    met &= bench::report(QStringLiteral("bytes on the line / the 3 commands' framing"), double(chainOut + chainIn) / framing,
                         QStringLiteral("x"), 1.1);
    bench::out() << "  (" << chainOut << " bytes out, " << chainIn << " in; framing " << plan.bytesOut << " + "
                 << plan.bytesIn << ")" << Qt::endl;
    return met ? 0 : 1;
}
