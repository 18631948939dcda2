// What one log line costs as the log grows, with the box hidden (the usual case during an
// upload: another tab is in front) and shown. Each line is appended and the events it
// causes are handled, as during an upload; the time is the thread's CPU time, including
// putting the lines on screen.
#include "bench/benchutil.h"
#include "link/wire.h"
#include "mainwindow/logbox.h"

#include <QApplication>
#include <QTextBlock>

namespace {

constexpr int kWindow = 1000; // lines measured in one run
constexpr int kRuns = 7;      // the machine is shared: medians of many

QString line(int i)
{
    return QStringLiteral("\r\nSEND: ")
           + unitlink::wire::command_text(QStringLiteral("5831"), unitlink::wire::kAddNumber,
                                          QStringLiteral("2782%1,13").arg(i, 7, 10, QLatin1Char('0')));
}

// A log box already holding some lines.
class FilledLog {
public:
    FilledLog(bool shown, int lines) : shown_(shown)
    {
        log_.resize(600, 400);
        if (shown)
            log_.show();
        while (next_ < lines)
            log_.append(line(next_++));
        waitUntilShown();
    }

    // Microseconds of CPU per line for the next kWindow lines, each appended and the events it
    // causes handled, as during an upload.
    double perLineUs()
    {
        const double start = bench::threadCpuNs();
        for (int i = 0; i < kWindow; ++i) {
            log_.append(line(next_++));
            QCoreApplication::processEvents();
        }
        waitUntilShown();
        return (bench::threadCpuNs() - start) / kWindow / 1000;
    }

private:
    // Lines are not done until they are on screen: in the document, and the box painted.
    void waitUntilShown()
    {
        QCoreApplication::processEvents();
        while (shown_ && next_ > 0 && !log_.allShown())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::processEvents();
    }

    mainwindow::LogBox log_;
    bool shown_;
    int next_ = 0;
};

// Per-line cost at each of `points` (medians), and each point's cost against the first one's,
// taken within each run so that both were measured under the same load.
struct Figures {
    std::vector<double> perLine, ratio;
};

Figures measure(bool shown, const std::vector<int> &points)
{
    std::vector<std::vector<double>> cost(points.size());
    for (int run = 0; run < kRuns; ++run) {
        for (size_t p = 0; p < points.size(); ++p) {
            FilledLog log(shown, points[p]);
            cost[p].push_back(log.perLineUs());
        }
    }
    Figures f;
    for (size_t p = 0; p < points.size(); ++p) {
        f.perLine.push_back(bench::median(cost[p]));
        f.ratio.push_back(bench::medianRatio(cost[p], cost[0]));
    }
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const std::vector<int> points{0, 3000, 30000};
    bool met = true;
    bench::heading(QStringLiteral("Log: CPU per line at line 1 / 3,000 / 30,000 (median of %1 runs of %2 lines, each run "
                                  "on boxes filled afresh)")
                       .arg(kRuns)
                       .arg(kWindow));
    for (bool shown : {false, true}) {
        const Figures f = measure(shown, points);
        const std::vector<double> &us = f.perLine;
        const QString how = shown ? QStringLiteral("shown") : QStringLiteral("hidden");
        bench::report(QStringLiteral("%1: per line at 1").arg(how), us[0], QStringLiteral("us"));
        bench::report(QStringLiteral("%1: per line at 3,000").arg(how), us[1], QStringLiteral("us"));
        bench::report(QStringLiteral("%1: per line at 30,000").arg(how), us[2], QStringLiteral("us"));
        met &= bench::report(QStringLiteral("%1: at 3,000 / at 1").arg(how), f.ratio[1], QStringLiteral("x"), 1.2);
        met &= bench::report(QStringLiteral("%1: at 30,000 / at 1").arg(how), f.ratio[2], QStringLiteral("x"), 1.2);
    }
    return met ? 0 : 1;
}
