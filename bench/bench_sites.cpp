// The register of sites at the size of a busy team: 500 sites of 1,000 numbers. Listing the
// sites, the history of a site with 200 versions, recording an upload, and a labelled site
// opened into the number grid beside the same settings file loaded alone. Wall-clock times:
// the register's work is mostly files.
#include "bench/benchutil.h"
#include "settings/numberlistmodel.h"
#include "settings/numberpage.h"
#include "settings/settingseditors.h"
#include "settings/systemparameterspage.h"
#include "settings/unitmodel.h"
#include "sites/siteregister.h"
#include "transfer/settingsfile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

namespace {

settings::SettingsSet numbers(int n, int seed)
{
    settings::SettingsSet set;
    for (int i = 0; i < n; ++i)
        set.numbers.append({QString::number(i + 1), QStringLiteral("+278%1").arg(seed * 10000 + i, 8, 10, QLatin1Char('0')), {true, i % 2 == 0, false, i % 3 == 0}});
    return set;
}

// Median wall milliseconds of `work` over `runs` runs.
template <typename F>
double wallMs(int runs, F work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        times.push_back(double(t.nsecsElapsed()));
    }
    return bench::median(times) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    bool met = true;
    QTemporaryDir dir;
    sites::Status status;
    const std::unique_ptr<sites::Register> reg = sites::Register::open(dir.filePath(QStringLiteral("register")), true, &status);
    QElapsedTimer built;
    built.start();
    for (int s = 0; s < 500; ++s)
        if (!reg->addSite({QStringLiteral("Site %1").arg(s), settings::kGate, {}, {}, {}}, numbers(1000, s)).ok())
            qFatal("site %d not added", s);
    const QString site = QStringLiteral("Site 250");
    for (int v = 1; v < 200; ++v)
        reg->recordRead(site, numbers(1000 - v % 7, 250));
    bench::heading(QStringLiteral("Register of 500 sites x 1,000 numbers (built in %1 s; median wall time)")
                       .arg(built.elapsed() / 1000.0, 0, 'f', 1));

    const double list = wallMs(9, [&] {
        if (reg->sites(&status).size() != 500)
            qFatal("the list lost sites");
    });
    met &= bench::report(QStringLiteral("list the sites"), list, QStringLiteral("ms"), 200);
    const double history = wallMs(9, [&] {
        if (reg->history(site, &status).size() != 200)
            qFatal("the history has %lld versions", qlonglong(reg->history(site, &status).size()));
    });
    met &= bench::report(QStringLiteral("history of a site with 200 versions"), history, QStringLiteral("ms"), 100);
    const settings::SettingsSet sent = numbers(1000, 250);
    const double upload = wallMs(21, [&] {
        if (!reg->recordUpload(site, {sent, QStringLiteral("Send 1001 commands"), 1001, 1001, true, QStringLiteral("done")}).ok())
            qFatal("upload not recorded");
    });
    met &= bench::report(QStringLiteral("record an upload"), upload, QStringLiteral("ms"), 50);

    bench::heading(QStringLiteral("A site of 1,000 labelled numbers into the number grid, against its settings file"));
    sites::Site labelled = *reg->site(site, &status);
    for (const settings::NumberRow &row : labelled.settings.numbers)
        labelled.labels.insert(row.number, QStringLiteral("Flat %1 Resident").arg(row.unit));
    reg->save(labelled);
    const QString file = dir.filePath(QStringLiteral("alone.gsm"));
    QString error;
    if (!transfer::write_settings_file(file, labelled.settings, settings::kGate, &error))
        qFatal("%s", qPrintable(error));
    settings::SystemParametersPage sys;
    settings::NumberManagementPage num;
    settings::SettingsEditors editors(sys, num);
    num.setUnitModel(settings::kGate);
    num.numberModel().setLabelsShown(true);
    num.show();
    std::vector<double> fileNs, siteNs;
    for (int round = 0; round < 15; ++round) {
        QElapsedTimer t;
        t.start();
        settings::SettingsSet read;
        read.numbers.clear();
        if (!transfer::read_settings_file(file, read, &error))
            qFatal("%s", qPrintable(error));
        editors.load(read);
        QCoreApplication::processEvents();
        fileNs.push_back(double(t.nsecsElapsed()));
        editors.load({});
        QCoreApplication::processEvents();

        t.restart();
        const std::optional<sites::Site> opened = reg->site(site, &status);
        editors.load(opened->settings);
        num.numberModel().setLabels(opened->labels);
        QCoreApplication::processEvents();
        siteNs.push_back(double(t.nsecsElapsed()));
        editors.load({});
        QCoreApplication::processEvents();
    }
    bench::report(QStringLiteral("site read from the register, not shown"), wallMs(15, [&] {
                      if (!reg->site(site, &status))
                          qFatal("site not read");
                  }),
                  QStringLiteral("ms"));
    bench::report(QStringLiteral("settings file loaded alone"), bench::median(fileNs) / 1e6, QStringLiteral("ms"));
    bench::report(QStringLiteral("site opened with its labels"), bench::median(siteNs) / 1e6, QStringLiteral("ms"));
    met &= bench::report(QStringLiteral("site / file"), bench::medianRatio(siteNs, fileNs), QStringLiteral("x"), 2);
    return met ? 0 : 1;
}
