// How the cost of one log line grows with the log: the link log against a box whose
// whole text is set again for every line. An upload of 1000 numbers writes 2000 lines.
#include "mainwindow/logbox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTextStream>
#include <functional>

namespace {

QString line(int i)
{
    return QStringLiteral("\r\nSEND: *5831 TEL ADDN 2782%1,13*").arg(i, 7, 10, QLatin1Char('0'));
}

// Nanoseconds per line for the first and the last `window` lines of `total`.
std::pair<double, double> measure(int total, int window, const std::function<void(const QString &)> &append)
{
    QElapsedTimer t;
    double first = 0, last = 0;
    for (int i = 0; i < total; ++i) {
        t.start();
        append(line(i));
        QApplication::processEvents();
        const double ns = double(t.nsecsElapsed());
        if (i < window)
            first += ns;
        else if (i >= total - window)
            last += ns;
    }
    return {first / window, last / window};
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int total = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 2000;
    const int window = total / 10;
    QTextStream out(stdout);

    mainwindow::LogBox log;
    log.resize(600, 400);
    log.show();
    const auto ours = measure(total, window, [&](const QString &s) { log.append(s); });

    QPlainTextEdit naive;
    naive.resize(600, 400);
    naive.show();
    QString whole;
    const auto rebuilt = measure(total, window, [&](const QString &s) {
        whole += s;
        naive.setPlainText(whole);
    });

    out << "lines: " << total << ", averaged over the first and last " << window << " lines\n";
    out << QStringLiteral("link log      first %1 us  last %2 us  last/first %3\n")
               .arg(ours.first / 1000, 0, 'f', 1)
               .arg(ours.second / 1000, 0, 'f', 1)
               .arg(ours.second / ours.first, 0, 'f', 2);
    out << QStringLiteral("whole text    first %1 us  last %2 us  last/first %3\n")
               .arg(rebuilt.first / 1000, 0, 'f', 1)
               .arg(rebuilt.second / 1000, 0, 'f', 1)
               .arg(rebuilt.second / rebuilt.first, 0, 'f', 2);
    out << QStringLiteral("last line: whole text / link log %1\n").arg(rebuilt.second / ours.second, 0, 'f', 1);
    return 0;
}
