#include "mainwindow/logbox.h"

#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

using mainwindow::LogBox;

namespace {
QStringList lines(const LogBox &log) { return log.text().split(QStringLiteral("\r\n")); }
} // namespace

class TstLogBox : public QObject {
    Q_OBJECT
private slots:
    // Line ends split across pieces read the same whether the box is hidden or shown.
    void lineEnds()
    {
        LogBox log;
        for (const char *piece : {"\r\nSEND: a", "\r", "\nRECV: (12)\r", "x\ny", "\r"})
            log.append(QString::fromLatin1(piece));
        const QString expected = QStringLiteral("\r\nSEND: a\r\nRECV: (12)\r\nx\r\ny\r");
        QCOMPARE(log.text(), expected);
        QCOMPARE(log.document()->characterCount(), 1); // nothing laid out while hidden
        log.show();
        QCOMPARE(log.document()->toPlainText(), QStringLiteral("\nSEND: a\nRECV: (12)\nx\ny"));
        QCOMPARE(log.text(), expected);
        log.append(QStringLiteral("\nz"));
        QTRY_VERIFY(log.allShown());
        QCOMPARE(log.document()->toPlainText(), QStringLiteral("\nSEND: a\nRECV: (12)\nx\ny\nz")); // the held CR pairs with it
        QCOMPARE(log.text(), expected + QStringLiteral("\nz"));
    }

    // The log keeps its last lines, hidden or shown, with one notice in front of them; its
    // scroll bar spans every line, not only those laid out so far, and stays at the end.
    void keepsLastLines()
    {
        const int max = 100;
        LogBox log(nullptr, max);
        log.resize(300, 200);
        int next = 0;
        auto appendLines = [&](int n) {
            for (int i = 0; i < n; ++i)
                log.append(QStringLiteral("\r\nline %1").arg(next++));
        };
        auto check = [&] {
            const QStringList all = lines(log);
            QCOMPARE(all.first(), log.droppedNotice());
            QCOMPARE(log.text().count(log.droppedNotice()), 1);
            QCOMPARE(all.last(), QStringLiteral("line %1").arg(next - 1));
            QVERIFY2(all.size() - 1 >= max && all.size() - 1 <= max + max / 10, qPrintable(QString::number(all.size())));
            for (int i = 1; i < all.size(); ++i) // nothing lost in between
                QCOMPARE(all[i], QStringLiteral("line %1").arg(next - all.size() + i));
        };
        appendLines(1000);
        check();
        log.show();
        check();
        for (int round = 0; round < 10; ++round) {
            appendLines(37);
            QTRY_VERIFY(log.allShown());
            check();
            // A box at its end follows new lines.
            QTextCursor end(log.document());
            end.movePosition(QTextCursor::End);
            QVERIFY(log.viewport()->rect().contains(log.cursorRect(end).center()));
            const QScrollBar *bar = log.verticalScrollBar();
            const int visible = log.viewport()->height() / log.fontMetrics().lineSpacing();
            QVERIFY2(visible < max && bar->maximum() >= lines(log).size() - visible, qPrintable(QString::number(bar->maximum())));
            QCOMPARE(bar->value(), bar->maximum());
        }
        log.clearLog();
        appendLines(3);
        QCOMPARE(log.text(), QStringLiteral("\r\nline %1\r\nline %2\r\nline %3").arg(next - 3).arg(next - 2).arg(next - 1));
    }
};

QTEST_MAIN(TstLogBox)
#include "tst_logbox.moc"
