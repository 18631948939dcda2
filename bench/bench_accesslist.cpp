// The access list of 1,000 numbers as an A4 PDF, and the import preview of a 1,000-row CSV.
#include "accesslist/accesslist.h"
#include "benchutil.h"
#include "settings/unitmodel.h"
#include "transfer/importpreview.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    bool ok = true;
    bench::heading(QStringLiteral("Access list and CSV import (1,000 numbers)"));

    accesslist::AccessList list;
    list.unitModel = settings::kGate;
    list.source = QStringLiteral("oak.gsm");
    list.date = QDate::currentDate();
    QByteArray csv = "Name;Outputs;Mobile\r\n";
    for (int i = 0; i < 1000; ++i) {
        settings::NumberRow row{QString::number(i + 1), QStringLiteral("+2782%1").arg(i * 7, 7, 10, QLatin1Char('0')), {}};
        row.outputs[i % 4] = true;
        list.settings.numbers.append(row);
        list.labels.insert(row.number, QStringLiteral("Flat %1").arg(i + 1));
        csv += QStringLiteral("Flat %1;%2;0%3\r\n").arg(i + 1).arg(i % 4 + 1).arg(row.number.mid(3)).toUtf8();
    }

    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("list.pdf"));
    std::vector<double> writes, cpu;
    accesslist::PrintOutcome outcome;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer t;
        t.start();
        const double cpuStart = bench::threadCpuNs();
        outcome = accesslist::write_access_list_pdf(pdf, list);
        cpu.push_back((bench::threadCpuNs() - cpuStart) / 1e9);
        writes.push_back(double(t.nsecsElapsed()) / 1e9);
    }
    ok &= outcome.kind == accesslist::PrintOutcome::Kind::Done;
    ok &= bench::report(QStringLiteral("PDF written (median of 3)"), bench::median(writes), QStringLiteral("s"), 2);
    bench::report(QStringLiteral("  of which this thread's CPU"), bench::median(cpu), QStringLiteral("s"));
    ok &= bench::report(QStringLiteral("A4 pages"), outcome.pages, QString(), 40);

    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    const QString got = text.waitForFinished(60000) ? QString::fromUtf8(text.readAllStandardOutput()) : QString();
    int once = 0;
    for (const settings::NumberRow &row : std::as_const(list.settings.numbers))
        once += got.count(QRegularExpression(QRegularExpression::escape(row.number) + QStringLiteral("(?!\\d)"))) == 1;
    ok &= bench::reportAtLeast(QStringLiteral("numbers found exactly once by pdftotext"), once, QString(), 1000);

    std::vector<double> previews;
    transfer::ImportPreview preview;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer t;
        t.start();
        preview = transfer::preview_import(csv, list.settings.numbers.mid(0, 500), settings::kGate);
        previews.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    ok &= preview.rows.size() == 1000;
    ok &= bench::report(QStringLiteral("import preview of 1,000 rows (median of 5)"), bench::median(previews),
                        QStringLiteral("ms"), 200);
    return ok ? 0 : 1;
}
