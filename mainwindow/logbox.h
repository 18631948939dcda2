#pragma once
#include <QPlainTextEdit>
#include <QString>
#include <QTextBlock>
#include <QTimer>

namespace mainwindow {

// The link log `txtLog`. Lines end at CR LF, a lone CR or a lone LF, as on a terminal;
// text() gives the log with every line end as CR LF.
//
// The text lives in one place only: the document, plus the tail not yet put into it.
// That tail goes into the document a few times a second while the box is on screen and
// when it is shown, never line by line: a box that has not been shown lays out every
// line again on each append, and a shown one repaints on each.
//
// The log keeps its last `maxLines` lines; when older ones go, its first line says so.
class LogBox : public QPlainTextEdit {
    Q_OBJECT
public:
    static constexpr int kDefaultMaxLines = 100000;
    static constexpr int kFlushIntervalMs = 50;
    static constexpr int kLinesPerBlock = 32;

    explicit LogBox(QWidget *parent = nullptr, int maxLines = kDefaultMaxLines);
    void append(const QString &text);
    void clearLog();
    QString text() const;
    // Whether every line appended is in the document (none waits to be put on screen).
    bool allShown() const { return tail_.isEmpty(); }
    // The line that takes the place of dropped lines.
    QString droppedNotice() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void flush();
    void dropOldLines();
    static void countLines(QTextBlock block);
    static int separators(const QTextBlock &block); // line separators inside the block

    QString tail_;           // appended, in screen form ("\n" line ends), not yet in the document
    int tailLines_ = 0;      // line ends in tail_
    bool pendingCr_ = false; // a CR at the end of the last piece may pair with an LF in the next
    bool dropped_ = false;   // the first line of the document is the notice
    int docLineEnds_ = 0;    // line ends in the document
    int maxLines_;
    QTimer flushTimer_;
};

} // namespace mainwindow
