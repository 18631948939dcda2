#pragma once
#include <QElapsedTimer>
#include <QProgressBar>
#include <QTimer>

namespace mainwindow {

// The progress bar `pbar`. An upload steps it once per command, and QProgressBar paints
// on the spot at each step: here the bar shows the latest step at most every
// kRepaintIntervalMs, and at once when it starts or reaches its end.
class ProgressBar : public QProgressBar {
    Q_OBJECT
public:
    static constexpr int kRepaintIntervalMs = 50;

    explicit ProgressBar(QWidget *parent = nullptr);
    // `text` is shown on the bar in place of the percentage; empty keeps the last one.
    void setProgress(int value, int maximum, const QString &text = QString());
    // The latest step, which the bar may show a moment later.
    int progress() const { return value_; }
    int progressMaximum() const { return maximum_; }

private:
    void paintNow();

    int value_ = 0;
    int maximum_ = 100;
    QString text_ = QStringLiteral("%p%");
    QElapsedTimer sinceShown_;
    QTimer later_;
};

} // namespace mainwindow
