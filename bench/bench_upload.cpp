// An upload of 1000 commands against the simulated unit (a separate process on a
// pseudo-terminal), four ways side by side: a minimal client (termios: write a frame, read
// to ")"), the link alone, and the main window with its log hidden and shown.
#include "bench/benchutil.h"
#include "link/unitlink.h"
#include "link/wire.h"
#include "mainwindow/frmmain.h"
#include "mainwindow/logbox.h"
#include "platform/dialogs.h"
#include "platform/latin1.h"
#include "platform/portcatalogue.h"
#include "platform/qtserialport.h"
#include "platform/qttimer.h"
#include "settings/settingseditors.h"
#include "settings/settingsset.h"
#include "settings/unitmodel.h"
#include "transfer/upload.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QPushButton>
#include <QTabBar>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int kCommands = 1000;
constexpr int kRounds = 15; // the machine is shared: medians of many
using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

// When each command went out and when the last answer was handled, by the wall clock and
// by this thread's CPU time (what the program itself spends, whoever else the machine runs).
struct Run {
    std::vector<Clock::time_point> sends;
    std::vector<double> cpuSends;
    Clock::time_point end;
    double cpuEnd = 0;
    void sent()
    {
        sends.push_back(Clock::now());
        cpuSends.push_back(bench::threadCpuNs());
    }
    void ended()
    {
        end = Clock::now();
        cpuEnd = bench::threadCpuNs();
    }
    double wallMs() const { return msBetween(sends.front(), end); }
    double cpuMs() const { return (cpuEnd - cpuSends.front()) / 1e6; }
    double cpuFirstUs() const { return (cpuSends[100] - cpuSends[0]) / 100 / 1e3; }
    double cpuLastUs() const { return (cpuEnd - cpuSends[cpuSends.size() - 100]) / 100 / 1e3; }
};

// A real port that notes when each command is written.
class TimedPort : public platform::SerialPort {
    Q_OBJECT
public:
    explicit TimedPort(Run &run) : run_(run)
    {
        connect(&inner_, &platform::SerialPort::dataReceived, this, &platform::SerialPort::dataReceived);
        connect(&inner_, &platform::SerialPort::lost, this, &platform::SerialPort::lost);
    }
    bool open(const QString &path, const platform::LineSettings &s) override { return inner_.open(path, s); }
    void close() override { inner_.close(); }
    bool isOpen() const override { return inner_.isOpen(); }
    bool write(const QByteArray &bytes) override
    {
        run_.sent();
        return inner_.write(bytes);
    }
    QByteArray readAll() override { return inner_.readAll(); }
    int errorNumber() const override { return inner_.errorNumber(); }
    QString errorDescription() const override { return inner_.errorDescription(); }

private:
    platform::QtSerialPort inner_;
    Run &run_;
};

// Says yes, and ends the wait when the upload reports its end.
class BenchDialogs : public platform::Dialogs {
public:
    QEventLoop *loop = nullptr;
    QString last;
    void message(const QString &text, Icon, const QString &) override
    {
        last = text;
        if (loop)
            loop->quit();
    }
    bool askYesNo(const QString &, Icon, const QString &) override { return true; }
    QString openFileName(const QString &, const QString &) override { return {}; }
    QString saveFileName(const QString &, const QString &) override { return {}; }
};

settings::SettingsSet settingsOf1000Commands()
{
    settings::SettingsSet set;
    set.systemName = QStringLiteral("Bench");
    set.masterNumber = QStringLiteral("+27821111111");
    set.uploadTelephone = true;
    for (int i = 0; set.numbers.size() < kCommands && i < kCommands; ++i) {
        set.numbers.append({QString::number(i % 100 + 1), QStringLiteral("+2782%1").arg(i, 7, 10, QLatin1Char('0')), {}});
        if (transfer::upload_commands(set, settings::kIntercom).size() > kCommands) {
            set.numbers.removeLast();
            break;
        }
    }
    return set;
}

bool failed(const QString &why)
{
    bench::out() << "bench_upload: " << why << Qt::endl;
    return false;
}

bool rawClient(const QString &device, const QList<transfer::UploadCommand> &commands, Run &run)
{
    const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return failed(QStringLiteral("cannot open %1").arg(device));
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    cfsetspeed(&tio, B9600);
    tcsetattr(fd, TCSANOW, &tio);
    bool ok = true;
    for (const transfer::UploadCommand &c : commands) {
        const QByteArray frame = unitlink::wire::bytes(unitlink::wire::command_text(QStringLiteral("5831"), c.word, c.value));
        run.sent();
        if (::write(fd, frame.constData(), size_t(frame.size())) != frame.size())
            ok = false;
        QByteArray reply;
        while (ok && !reply.contains(')')) {
            pollfd p{fd, POLLIN, 0};
            char buf[256];
            const ssize_t n = ::poll(&p, 1, 5000) == 1 ? ::read(fd, buf, sizeof buf) : -1;
            if (n <= 0)
                ok = false;
            else
                reply.append(buf, n);
        }
    }
    run.ended();
    ::close(fd);
    return ok || failed(QStringLiteral("the raw client got no answer"));
}

bool linkAlone(const QString &device, const QList<transfer::UploadCommand> &commands, Run &run)
{
    TimedPort port(run);
    unitlink::UnitLink link(port);
    if (!port.open(device, {}))
        return failed(port.errorDescription());
    link.setChainPassword(QStringLiteral("5831"));
    QList<unitlink::ChainCommand> chain;
    for (const transfer::UploadCommand &c : commands)
        chain.append({c.label, c.value, c.word});
    QEventLoop loop;
    bool completed = false;
    QObject::connect(&link, &unitlink::UnitLink::chainStateChanged, &loop, [&](unitlink::UnitLink::ChainState s) {
        completed = s == unitlink::UnitLink::ChainState::Completed;
        if (s != unitlink::UnitLink::ChainState::Running)
            loop.quit();
    });
    if (!link.startChain(chain))
        return failed(QStringLiteral("the link did not start"));
    loop.exec();
    run.ended();
    return completed || failed(QStringLiteral("the link's chain stopped short"));
}

bool window(const QString &device, const settings::SettingsSet &set, bool logShown, Run &run)
{
    TimedPort port(run);
    platform::PortCatalogue catalogue({}, device, nullptr);
    BenchDialogs dialogs;
    mainwindow::Platform p;
    p.port = &port;
    p.dialogs = &dialogs;
    p.makeTimer = [] { return std::make_unique<platform::QtTimer>(); };
    p.catalogue = &catalogue;
    mainwindow::FrmMain main(p, {settings::kIntercom, {0, 1, 4}, catalogue.entries().value(0)});
    main.show();
    main.start();
    main.editors().load(set);
    // The upload alone: the dump read back for verification is another exchange.
    main.findChild<QCheckBox *>(QStringLiteral("chkVerify"))->setChecked(false);
    if (logShown)
        main.tabStrip()->setCurrentIndex(main.tabStrip()->count() - 1);
    // Let the window come up and paint first, as it has long done when someone presses the button.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 200)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QEventLoop loop;
    dialogs.loop = &loop;
    main.findChild<QPushButton *>(QStringLiteral("cmdUpload"))->click();
    loop.exec();
    run.ended();
    // A shown log is not done until its last line is on screen: that work counts too.
    while (logShown && !main.logBox()->allShown())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    run.cpuEnd = bench::threadCpuNs();
    return dialogs.last == QLatin1String("Upload complete") || failed(dialogs.last);
}

} // namespace

int main(int argc, char **argv)
{
    // The offscreen platform warns on every window it shows; the figures are what matter here.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (!text.contains(QLatin1String("propagateSizeHints")))
            QTextStream(stderr) << (type == QtDebugMsg ? "" : "warning: ") << text << Qt::endl;
    });
    QApplication app(argc, argv);
    const QString simulator = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("gsm-unit-sim");
    QProcess unit;
    unit.start(simulator, {QStringLiteral("--model"), QStringLiteral("intercom")});
    if (!unit.waitForReadyRead(10000))
        return failed(QStringLiteral("%1 did not start").arg(simulator)), 2;
    const QString device = QString::fromLocal8Bit(unit.readLine()).trimmed().section(QLatin1Char(' '), -1);

    const settings::SettingsSet set = settingsOf1000Commands();
    const QList<transfer::UploadCommand> commands = transfer::upload_commands(set, settings::kIntercom);

    const QStringList names{QStringLiteral("raw client"), QStringLiteral("link alone"), QStringLiteral("window, log hidden"),
                            QStringLiteral("window, log shown")};
    std::vector<std::vector<double>> wall(4), cpu(4), first(4), last(4);
    bool ok = true;
    for (int round = 0; round < kRounds && ok; ++round) {
        for (int way = 0; way < 4 && ok; ++way) {
            Run run;
            switch (way) {
            case 0: ok = rawClient(device, commands, run); break;
            case 1: ok = linkAlone(device, commands, run); break;
            default: ok = window(device, set, way == 3, run); break;
            }
            if (ok && int(run.sends.size()) != commands.size())
                ok = failed(QStringLiteral("%1 sent %2 commands").arg(names[way]).arg(run.sends.size()));
            if (!ok)
                break;
            wall[way].push_back(run.wallMs());
            cpu[way].push_back(run.cpuMs());
            first[way].push_back(run.cpuFirstUs());
            last[way].push_back(run.cpuLastUs());
        }
    }
    unit.terminate();
    unit.waitForFinished(5000);
    if (!ok)
        return 2;

    bool met = true;
    bench::heading(QStringLiteral("Upload of %1 commands against the simulated unit (median of %2 rounds; CPU: this "
                                  "program's thread, wall: including the unit's process)")
                       .arg(commands.size())
                       .arg(kRounds));
    std::vector<double> c(4);
    for (int way = 0; way < 4; ++way) {
        c[way] = bench::median(cpu[way]);
        const double f = bench::median(first[way]), l = bench::median(last[way]);
        bench::report(names[way] + QStringLiteral(": wall"), bench::median(wall[way]), QStringLiteral("ms"));
        bench::report(names[way] + QStringLiteral(": CPU"), c[way], QStringLiteral("ms"));
        bench::report(names[way] + QStringLiteral(": CPU per command, first 100"), f, QStringLiteral("us"));
        bench::report(names[way] + QStringLiteral(": CPU per command, last 100"), l, QStringLiteral("us"));
        bench::report(names[way] + QStringLiteral(": last 100 / first 100"), l / f, QStringLiteral("x"));
    }
    const double linkWall = bench::median(wall[1]);
    bench::report(QStringLiteral("wall: window, log hidden / link alone"), bench::median(wall[2]) / linkWall, QStringLiteral("x"));
    bench::report(QStringLiteral("wall: window, log shown / link alone"), bench::median(wall[3]) / linkWall, QStringLiteral("x"));
    bench::report(QStringLiteral("CPU: link alone / raw client"), c[1] / c[0], QStringLiteral("x"));
    bench::report(QStringLiteral("CPU medians: window, log hidden / link alone"), c[2] / c[1], QStringLiteral("x"));
    bench::report(QStringLiteral("CPU medians: window, log shown / link alone"), c[3] / c[1], QStringLiteral("x"));
    met &= bench::report(QStringLiteral("CPU per round: window, log hidden / link alone"), bench::medianRatio(cpu[2], cpu[1]), QStringLiteral("x"), 1.5);
    met &= bench::report(QStringLiteral("CPU per round: window, log shown / link alone"), bench::medianRatio(cpu[3], cpu[1]), QStringLiteral("x"), 3.0);
    return met ? 0 : 1;
}

#include "bench_upload.moc"
