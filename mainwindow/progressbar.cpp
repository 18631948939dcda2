#include "mainwindow/progressbar.h"

namespace mainwindow {

ProgressBar::ProgressBar(QWidget *parent) : QProgressBar(parent)
{
    setObjectName(QStringLiteral("pbar"));
    setAccessibleName(tr("Progress"));
    setRange(0, maximum_);
    setValue(value_);
    later_.setSingleShot(true);
    connect(&later_, &QTimer::timeout, this, &ProgressBar::paintNow);
}

void ProgressBar::setProgress(int value, int maximum, const QString &text)
{
    if (!text.isEmpty())
        text_ = text;
    value_ = value;
    maximum_ = maximum;
    if (value == 0 || value >= maximum || !sinceShown_.isValid() || sinceShown_.elapsed() >= kRepaintIntervalMs)
        paintNow();
    else if (!later_.isActive())
        later_.start(kRepaintIntervalMs - int(sinceShown_.elapsed()));
}

void ProgressBar::paintNow()
{
    later_.stop();
    setRange(0, maximum_);
    setValue(value_);
    setFormat(text_);
    sinceShown_.start();
}

} // namespace mainwindow
