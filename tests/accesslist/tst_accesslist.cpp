// The access list on paper and as PDF, read back as text the way a reader of the PDF sees it.
#include "accesslist/accesslist.h"
#include "mainwindow/printactions.h"
#include "platform/textfile.h"
#include "settings/unitmodel.h"
#include "tests/support/fakes.h"
#include "tests/transfer/rig.h"

#include <QAction>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QUndoStack>
#include <QtTest>

namespace {

accesslist::AccessList listOf(int count, const QString &model = settings::kGate)
{
    accesslist::AccessList list;
    list.settings.password = QStringLiteral("7391");
    list.settings.systemName = QStringLiteral("Oak Ridge");
    list.settings.masterNumber = QStringLiteral("+27825550000");
    list.unitModel = model;
    list.source = QStringLiteral("oak.gsm");
    list.date = QDate(2026, 3, 14);
    for (int i = 0; i < count; ++i) {
        settings::NumberRow row{QString::number(i + 1), QStringLiteral("+2782%1").arg(i, 7, 10, QLatin1Char('0')), {}};
        row.outputs[i % 4] = true;
        list.settings.numbers.append(row);
    }
    return list;
}

// The PDF's text, pages split at form feeds; empty without pdftotext.
QStringList pdfPages(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

int occurrences(const QString &text, const QString &word)
{
    const QRegularExpression re(QStringLiteral("(?<![\\d+])%1(?!\\d)").arg(QRegularExpression::escape(word)));
    return int(text.count(re));
}

} // namespace

class TstAccessList : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed: scripts/install-deps brings it");
    }

    // Every number once, in list order, a header on every page, the settings but never the password.
    void pdfText_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("model");
        QTest::newRow("none") << 0 << settings::kGate;
        QTest::newRow("one intercom") << 1 << settings::kIntercom;
        QTest::newRow("a thousand") << 1000 << settings::kGate;
    }
    void pdfText()
    {
        QFETCH(int, count);
        QFETCH(QString, model);
        accesslist::AccessList list = listOf(count, model);
        list.labels.insert(QStringLiteral("+27820000000"), QStringLiteral("Flat 4 <Smith>"));
        const QString path = dir.filePath(QStringLiteral("list%1.pdf").arg(count));
        const accesslist::PrintOutcome outcome = accesslist::write_access_list_pdf(path, list);
        QCOMPARE(outcome.kind, accesslist::PrintOutcome::Kind::Done);
        QCOMPARE(outcome.numbers, count);
        const QStringList pages = pdfPages(path);
        QCOMPARE(pages.size(), outcome.pages);
        QVERIFY(outcome.pages <= 40);
        const QString all = pages.join(QLatin1Char('\n'));
        for (int p = 0; p < pages.size(); ++p) {
            QVERIFY2(pages[p].contains(QStringLiteral("Page %1 of %2").arg(p + 1).arg(pages.size())), qPrintable(pages[p].left(300)));
            QVERIFY(pages[p].contains(QStringLiteral("Oak Ridge")) && pages[p].contains(QStringLiteral("oak.gsm"))
                    && pages[p].contains(QStringLiteral("2026-03-14")));
        }
        qsizetype at = 0;
        for (const settings::NumberRow &row : list.settings.numbers) {
            QCOMPARE(occurrences(all, row.number), 1);
            const qsizetype next = all.indexOf(row.number, at);
            QVERIFY2(next > at, qPrintable(row.number)); // in list order
            at = next;
        }
        QCOMPARE(all.contains(QStringLiteral("Flat 4 <Smith>")), count > 0);
        QVERIFY(!all.contains(QStringLiteral("7391")));
        QVERIFY(pages.first().contains(QStringLiteral("+27825550000"))); // the settings, on the first page
        QVERIFY(pages.first().contains(QStringLiteral("Output confirmation")));
        QVERIFY(pages.last().contains(QStringLiteral("Signature")));
        QCOMPARE(accesslist::outcome_text(outcome).contains(QStringLiteral("no numbers")), count == 0);
    }

    void changesSinceLastPrinted()
    {
        accesslist::AccessList list = listOf(3);
        accesslist::AccessList before = listOf(2);
        before.settings.numbers.append({"3", "+27839990000", {}});
        list.lastPrinted = before.settings;
        list.labels.insert(QStringLiteral("+27820000002"), QStringLiteral("New tenant"));
        const QString path = dir.filePath(QStringLiteral("changes.pdf"));
        QCOMPARE(accesslist::write_access_list_pdf(path, list).kind, accesslist::PrintOutcome::Kind::Done);
        const QStringList pages = pdfPages(path);
        QVERIFY(pages.size() >= 2);
        const QString first = pages.first();
        const qsizetype removed = first.indexOf(QStringLiteral("Removed"));
        QVERIFY(removed > 0);
        QVERIFY(first.indexOf(QStringLiteral("+27820000002 New tenant")) < removed);
        QVERIFY(first.indexOf(QStringLiteral("+27839990000")) > removed);
        QCOMPARE(occurrences(first, QStringLiteral("+27820000000")), 0); // unchanged numbers are not listed
    }

    // A path that cannot be written leaves an old file as it was; an existing folder is no file.
    void unwritablePath()
    {
        const accesslist::AccessList list = listOf(5);
        for (const QString &path : {dir.filePath(QStringLiteral("missing/folder/x.pdf")), dir.path()}) {
            const accesslist::PrintOutcome o = accesslist::write_access_list_pdf(path, list);
            QCOMPARE(o.kind, accesslist::PrintOutcome::Kind::CannotWrite);
            QVERIFY(accesslist::outcome_text(o).contains(path));
        }
        // A device that will not start (a printer that fails) is told as such, with nothing painted.
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("missing/printer.pdf")));
        const accesslist::PrintOutcome o = accesslist::paint_access_list(printer, list);
        QCOMPARE(o.kind, accesslist::PrintOutcome::Kind::PrinterFailed);
        QCOMPARE(o.pages, 0);
    }

    // The printer path (what Print and Print Preview paint on), here a printer that writes a file.
    void printerPages()
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("printer.pdf")));
        const accesslist::PrintOutcome o = accesslist::paint_access_list(printer, listOf(120));
        QCOMPARE(o.kind, accesslist::PrintOutcome::Kind::Done);
        const QStringList pages = pdfPages(printer.outputFileName());
        QCOMPARE(pages.size(), o.pages);
        QVERIFY(o.pages >= 2);
        QVERIFY(pages.last().contains(QStringLiteral("Page %1 of %1").arg(o.pages)));
    }

    // Export PDF from the window: the file is written, a refused path is told, the settings and
    // their undo history stay as they were.
    void exportFromWindowChangesNothing()
    {
        Pages p;
        p.setCount(12);
        p.editors.setPassword(QStringLiteral("7391"));
        const settings::SettingsSet before = p.editors.store();
        const int steps = p.editors.undoStack()->count();
        fakes::FakeDialogs d;
        mainwindow::PrintActions actions(p.sys, p.editors, settings::kGate, d, [] { return QStringLiteral("oak.gsm"); });
        QCOMPARE(actions.current().source, QStringLiteral("oak.gsm"));
        for (const QString &typed : {dir.filePath(QStringLiteral("window")), dir.filePath(QStringLiteral("no/such/x.pdf"))}) {
            d.saveAnswer = typed;
            actions.actions().at(2)->trigger();
        }
        QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("window.pdf"))));
        QCOMPARE(d.messages.size(), 2);
        QCOMPARE(d.messages[0].icon, platform::Dialogs::Icon::Information);
        QCOMPARE(d.messages[1].icon, platform::Dialogs::Icon::Stop);
        QVERIFY(p.editors.store() == before);
        QCOMPARE(p.editors.undoStack()->count(), steps);
        const QString text = pdfPages(dir.filePath(QStringLiteral("window.pdf"))).join(QLatin1Char('\n'));
        QVERIFY(text.contains(QStringLiteral("+27820000011")) && !text.contains(QStringLiteral("7391")));
    }
};

QTEST_MAIN(TstAccessList)
#include "tst_accesslist.moc"
