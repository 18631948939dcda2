// What one log line costs as the log grows, with the box hidden (the usual case during an
// upload: another tab is in front) and shown. Each line is appended and the events it
// causes are handled, as during an upload; the time is the thread's CPU time, including
// putting the lines on screen.
#include "bench/benchutil.h"
#include "mainwindow/logbox.h"

#include <QApplication>
#include <QTextBlock>

namespace {

constexpr int kWindow = 1000; // lines measured at each point

QString line(int i) { return QStringLiteral("\r\nSEND: *5831 TEL ADDN 2782%1,13*").arg(i, 7, 10, QLatin1Char('0')); }

// Microseconds of CPU per line for the kWindow lines starting at each of `points`.
std::vector<double> measure(bool shown, const std::vector<int> &points)
{
    mainwindow::LogBox log;
    log.resize(600, 400);
    if (shown)
        log.show();
    std::vector<double> perLine;
    int next = 0;
    auto appendOne = [&] {
        log.append(line(next++));
        QCoreApplication::processEvents();
    };
    // Lines are not done until they are on screen.
    auto waitUntilShown = [&] {
        while (shown && next > 0 && log.document()->lastBlock().text() != line(next - 1).mid(2))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    };
    for (int point : points) {
        while (next < point)
            appendOne();
        waitUntilShown();
        std::vector<double> runs;
        for (int run = 0; run < 3; ++run) {
            const double start = bench::threadCpuNs();
            for (int i = 0; i < kWindow; ++i)
                appendOne();
            waitUntilShown();
            runs.push_back((bench::threadCpuNs() - start) / kWindow / 1000);
        }
        perLine.push_back(bench::median(runs));
    }
    return perLine;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const std::vector<int> points{0, 3000, 30000};
    bool met = true;
    bench::heading(QStringLiteral("Log: CPU per line at line 1 / 3,000 / 30,000 (median of 3 runs of %1 lines)").arg(kWindow));
    for (bool shown : {false, true}) {
        const std::vector<double> us = measure(shown, points);
        const QString how = shown ? QStringLiteral("shown") : QStringLiteral("hidden");
        bench::report(QStringLiteral("%1: per line at 1").arg(how), us[0], QStringLiteral("us"));
        bench::report(QStringLiteral("%1: per line at 3,000").arg(how), us[1], QStringLiteral("us"));
        bench::report(QStringLiteral("%1: per line at 30,000").arg(how), us[2], QStringLiteral("us"));
        met &= bench::report(QStringLiteral("%1: at 3,000 / at 1").arg(how), us[1] / us[0], QStringLiteral("x"), 1.2);
        met &= bench::report(QStringLiteral("%1: at 30,000 / at 1").arg(how), us[2] / us[0], QStringLiteral("x"), 1.2);
    }
    return met ? 0 : 1;
}
