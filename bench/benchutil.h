#pragma once
// Small helpers the benchmarks share: clocks, medians and the one way results are printed.
#include <QString>
#include <QTextStream>

#include <algorithm>
#include <ctime>
#include <vector>

namespace bench {

// CPU time of the calling thread: waiting for a timer or the other end of a line is not counted.
inline double threadCpuNs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e9 + double(ts.tv_nsec);
}

inline double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The median of a[i] / b[i]: when round i measured both a and b, one after the other, each
// ratio compares them under the same load, which the machine's other work changes from round
// to round.
inline double medianRatio(const std::vector<double> &a, const std::vector<double> &b)
{
    std::vector<double> r;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        r.push_back(a[i] / b[i]);
    return median(r);
}

inline QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

// One figure: its value, and where a target applies the target and whether it was met.
inline bool report(const QString &what, double value, const QString &unit, double target = 0)
{
    QString line = QStringLiteral("  %1 %2 %3").arg(what, -52).arg(value, 10, 'f', 2).arg(unit, -3);
    const bool met = target <= 0 || value <= target;
    if (target > 0)
        line += QStringLiteral("  target <= %1  %2").arg(target, 0, 'f', 2).arg(met ? QStringLiteral("met") : QStringLiteral("MISSED"));
    out() << line << Qt::endl;
    return met;
}

// The same for a figure that must reach its target, such as a speed-up.
inline bool reportAtLeast(const QString &what, double value, const QString &unit, double target)
{
    const bool met = value >= target;
    out() << QStringLiteral("  %1 %2 %3").arg(what, -52).arg(value, 10, 'f', 2).arg(unit, -3)
          << QStringLiteral("  target >= %1  %2").arg(target, 0, 'f', 2).arg(met ? QStringLiteral("met") : QStringLiteral("MISSED"))
          << Qt::endl;
    return met;
}

inline void heading(const QString &text) { out() << '\n'
                                                 << text << Qt::endl; }

} // namespace bench
