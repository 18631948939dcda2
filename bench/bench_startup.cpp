// Start-up to the selection window on screen against a bare Qt window, both from this one
// binary so they share the build: each run is a fresh process, the two kinds alternate,
// and the figure is the wall time from starting the process to its exit right after the
// window was shown.
#include "app/frmselect.h"
#include "app/startup.h"
#include "bench/benchutil.h"
#include "platform/qtdialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QWindow>
#include <optional>

namespace {

constexpr int kRuns = 21;

void waitUntilShown(QWidget &w)
{
    w.show();
    while (!w.windowHandle() || !w.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents(); // the first paint
}

// What the program does before its first window is up.
int child(const QString &kind)
{
    int argc = 1;
    char name[] = "bench_startup";
    char *argv[] = {name, nullptr};
    // As the program does: the slow parts start before Qt.
    std::optional<app::StartUp> startUp;
    if (kind == QLatin1String("select"))
        startUp.emplace();
    QApplication app(argc, argv);
    if (kind == QLatin1String("bare")) {
        QWidget w;
        w.resize(400, 200);
        waitUntilShown(w);
        return 0;
    }
    if (kind == QLatin1String("label")) {
        // The least a window with text pays: the font database is loaded on the first text.
        QLabel w(QStringLiteral("NorvikConf"));
        w.resize(400, 200);
        waitUntilShown(w);
        return 0;
    }
    const std::unique_ptr<app::Ports> ports = startUp->ready();
    platform::QtDialogs dialogs;
    app::FrmSelect select(ports->catalogue(), dialogs, [](const mainwindow::Choice &) { return nullptr; });
    waitUntilShown(select);
    return 0;
}

double runChild(const QString &self, const QString &kind)
{
    QProcess p;
    QElapsedTimer t;
    t.start();
    p.start(self, {QStringLiteral("--child"), kind});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return -1;
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 2 && QByteArray(argv[1]) == "--child")
        return child(QString::fromLatin1(argv[2]));
    QCoreApplication app(argc, argv);
    const QString self = QCoreApplication::applicationFilePath();
    std::vector<double> bare, label, select;
    for (int i = 0; i < kRuns; ++i) {
        bare.push_back(runChild(self, QStringLiteral("bare")));
        label.push_back(runChild(self, QStringLiteral("label")));
        select.push_back(runChild(self, QStringLiteral("select")));
        if (bare.back() < 0 || label.back() < 0 || select.back() < 0) {
            bench::out() << "bench_startup: a child run failed" << Qt::endl;
            return 2;
        }
    }
    const double b = bench::median(bare), l = bench::median(label), s = bench::median(select);
    bench::heading(QStringLiteral("Start-up to the first window shown (median of %1 runs each, platform %2)")
                       .arg(kRuns)
                       .arg(qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("default"))));
    bench::report(QStringLiteral("bare Qt window"), b, QStringLiteral("ms"));
    bench::report(QStringLiteral("window with one label"), l, QStringLiteral("ms"));
    bench::report(QStringLiteral("selection window"), s, QStringLiteral("ms"));
    bench::report(QStringLiteral("selection window / window with one label"), s / l, QStringLiteral("x"));
    bench::report(QStringLiteral("medians: selection window / bare window"), s / b, QStringLiteral("x"));
    return bench::report(QStringLiteral("per round: selection window / bare window"), bench::medianRatio(select, bare),
                         QStringLiteral("x"), 1.5)
               ? 0
               : 1;
}
