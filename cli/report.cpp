#include "cli/report.h"

#include <cstdio>

namespace cli {

namespace {
constexpr int kBarWidth = 30;
}

Reporter::Reporter(bool quiet, bool terminal) : quiet_(quiet), terminal_(terminal) {}

Reporter::~Reporter() { clearBar(); }

void Reporter::step(const QString &line, int value, int maximum)
{
    value_ = value;
    maximum_ = maximum;
    if (!quiet_)
        write(line);
}

void Reporter::info(const QString &line)
{
    if (!quiet_)
        write(line);
}

void Reporter::error(const QString &line) { write(line); }

void Reporter::write(const QString &line)
{
    clearBar();
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
    drawBar();
    std::fflush(stderr);
}

void Reporter::clearBar()
{
    if (!barShown_)
        return;
    std::fputs("\r\033[K", stderr);
    barShown_ = false;
}

void Reporter::drawBar()
{
    // The bar lives on the terminal's last line and is redrawn under every new line; in a
    // log file it would only be noise.
    if (!terminal_ || quiet_ || maximum_ <= 0)
        return;
    const int filled = int(qint64(kBarWidth) * value_ / maximum_);
    const QString bar = QStringLiteral("[%1%2] %3/%4")
                            .arg(QString(filled, QLatin1Char('#')), QString(kBarWidth - filled, QLatin1Char('-')))
                            .arg(value_)
                            .arg(maximum_);
    std::fputs(("\r\033[K" + bar).toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    barShown_ = true;
}

} // namespace cli
