// The record parser at 1,000 / 10,000 / 100,000 records, and a settings file loaded into the
// number grid of a shown page, as the load button does. Times are this thread's CPU time.
#include "bench/benchutil.h"
#include "mainwindow/document.h"
#include "settings/numberlistmodel.h"
#include "settings/numberpage.h"
#include "settings/settingseditors.h"
#include "settings/settingsset.h"
#include "settings/systemparameterspage.h"
#include "settings/unitmodel.h"
#include "tests/support/fakes.h"
#include "transfer/recordtags.h"
#include "transfer/settingsfile.h"
#include "transfer/settingsparser.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

namespace {

QString records(int count)
{
    using namespace transfer::tags;
    QString text = kStart + QLatin1Char('|') + kPassword + QStringLiteral("5831|") + kName + QStringLiteral("Bench|")
                   + input_name(0) + QStringLiteral("Door|") + kMasterNumber + QStringLiteral("27821111111|");
    for (int i = 0; i < count; ++i)
        text += kNumber + QStringLiteral("2782%1,%2,13|").arg(i, 7, 10, QLatin1Char('0')).arg(i % 100 + 1);
    return text + kEnd;
}

// Median CPU milliseconds of `work` over enough runs to fill about half a second.
template <typename F>
double cpuMs(F work)
{
    std::vector<double> runs;
    double spent = 0;
    while (runs.size() < 5 || (spent < 5e8 && runs.size() < 200)) {
        const double start = bench::threadCpuNs();
        work();
        runs.push_back(bench::threadCpuNs() - start);
        spent += runs.back();
    }
    return bench::median(runs) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    bool met = true;

    bench::heading(QStringLiteral("Record parser (median CPU time of one parse)"));
    const std::vector<int> sizes{1000, 10000, 100000};
    std::vector<double> ms;
    for (int n : sizes) {
        const QString text = records(n);
        ms.push_back(cpuMs([&] {
            settings::SettingsSet set;
            transfer::parse_settings(text, set, transfer::TextKind::File);
            if (set.numbers.size() != n)
                qFatal("parsed %lld numbers of %d", qlonglong(set.numbers.size()), n);
        }));
        bench::report(QStringLiteral("%1 records").arg(n), ms.back(), QStringLiteral("ms"));
    }
    met &= bench::report(QStringLiteral("growth 10,000 / 1,000"), ms[1] / ms[0], QStringLiteral("x"), 11);
    bench::report(QStringLiteral("growth 100,000 / 10,000"), ms[2] / ms[1], QStringLiteral("x"));

    bench::heading(QStringLiteral("Settings file loaded into the number grid of a shown page"));
    QTemporaryDir dir;
    std::vector<double> loadMs;
    for (int n : {1000, 10000}) {
        settings::SettingsSet set;
        for (int i = 0; i < n; ++i)
            set.numbers.append({QString::number(i + 1), QStringLiteral("+2782%1").arg(i, 7, 10, QLatin1Char('0')), {}});
        const QString path = dir.filePath(QStringLiteral("bench%1.gsm").arg(n));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(transfer::settings_file_text(set, settings::kGate).toLatin1() + "\r\n") < 0)
            qFatal("cannot write %s", qPrintable(path));
        file.close();
        settings::SystemParametersPage sys;
        settings::NumberManagementPage num;
        settings::SettingsEditors editors(sys, num);
        num.setUnitModel(settings::kIntercom);
        num.show();
        loadMs.push_back(cpuMs([&] {
            // What the load does once the file is chosen: read it, show it.
            settings::SettingsSet read = editors.store();
            read.numbers.clear();
            if (!transfer::read_settings_file(path, read, nullptr))
                qFatal("cannot read %s", qPrintable(path));
            editors.load(read);
            QCoreApplication::processEvents();
        }));
        if (num.numberModel().rowCount() != n)
            qFatal("the list holds %d rows after loading %d numbers", num.numberModel().rowCount(), n);
        bench::report(QStringLiteral("file of %1 numbers").arg(n), loadMs.back(), QStringLiteral("ms"));
    }
    bench::report(QStringLiteral("growth 10,000 / 1,000 numbers"), loadMs[1] / loadMs[0], QStringLiteral("x"));

    // Each edit compares the settings with the file's once the event loop turns: with a long
    // list that comparison must not make typing sluggish.
    bench::heading(QStringLiteral("One keystroke in a shown window, 1,000 numbers listed (median CPU time)"));
    struct Shown {
        settings::SystemParametersPage sys;
        settings::NumberManagementPage num;
        settings::SettingsEditors editors{sys, num};
        Shown()
        {
            settings::SettingsSet set;
            for (int i = 0; i < 1000; ++i)
                set.numbers.append({QString::number(i + 1), QStringLiteral("+2782%1").arg(i, 7, 10, QLatin1Char('0')), {}});
            num.setUnitModel(settings::kGate);
            editors.load(set);
            num.show();
            QCoreApplication::processEvents();
        }
        double keystroke(int round)
        {
            const double start = bench::threadCpuNs();
            num.txtSysName()->setText(round % 2 ? QStringLiteral("Oak Ridge") : QStringLiteral("Oak Ridg"));
            QCoreApplication::processEvents();
            return bench::threadCpuNs() - start;
        }
    };
    Shown plain, watched;
    QWidget window;
    fakes::FakeDialogs dialogs;
    mainwindow::Document document(window, watched.editors, settings::kGate, dialogs, std::make_unique<fakes::FakeTimer>(),
                                  QString());
    std::vector<double> without, with;
    for (int round = 0; round < 200; ++round) {
        without.push_back(plain.keystroke(round));
        with.push_back(watched.keystroke(round));
    }
    if (!document.isModified())
        qFatal("the edits were not seen");
    bench::report(QStringLiteral("keystroke without the modified check"), bench::median(without) / 1e6, QStringLiteral("ms"));
    bench::report(QStringLiteral("keystroke with the modified check"), bench::median(with) / 1e6, QStringLiteral("ms"));
    met &= bench::report(QStringLiteral("with / without"), bench::medianRatio(with, without), QStringLiteral("x"), 4);
    return met ? 0 : 1;
}
