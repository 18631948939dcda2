#include "mainwindow/logbox.h"

#include <QFontDatabase>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace mainwindow {

LogBox::LogBox(QWidget *parent, int maxLines) : QPlainTextEdit(parent), maxLines_(maxLines)
{
    setObjectName(QStringLiteral("txtLog"));
    setAccessibleName(QStringLiteral("Log"));
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setUndoRedoEnabled(false); // the undo stack would grow with every line
    flushTimer_.setSingleShot(true);
    flushTimer_.setInterval(kFlushIntervalMs);
    connect(&flushTimer_, &QTimer::timeout, this, &LogBox::flush);
}

QString LogBox::droppedNotice() const
{
    return QStringLiteral("(Older lines were dropped: the log keeps the last %1 lines.)").arg(maxLines_);
}

void LogBox::append(const QString &text)
{
    if (text.isEmpty())
        return;
    for (QChar c : text) {
        if (c == QLatin1Char('\r')) {
            if (pendingCr_) {
                tail_ += QLatin1Char('\n');
                ++tailLines_;
            }
            pendingCr_ = true;
            continue;
        }
        if (pendingCr_) {
            tail_ += QLatin1Char('\n');
            ++tailLines_;
            pendingCr_ = false;
            if (c == QLatin1Char('\n'))
                continue;
        }
        tail_ += c;
        if (c == QLatin1Char('\n'))
            ++tailLines_;
    }
    // A long spell behind another tab must not let the tail grow without bound either.
    if (tailLines_ > maxLines_ + maxLines_ / 10)
        dropOldLines();
    if (isVisible() && !flushTimer_.isActive())
        flushTimer_.start();
}

void LogBox::flush()
{
    flushTimer_.stop();
    if (tail_.isEmpty())
        return;
    QScrollBar *bar = verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(tail_);
    tail_.clear();
    tailLines_ = 0;
    if (document()->blockCount() > maxLines_ + maxLines_ / 10)
        dropOldLines();
    if (atEnd)
        bar->setValue(bar->maximum());
}

// Cuts the log back to its last maxLines_ lines, after the notice. Called only when it
// is a tenth over, so the cut happens once per that many lines.
void LogBox::dropOldLines()
{
    const QString notice = droppedNotice() + QLatin1Char('\n');
    if (tailLines_ >= maxLines_) {
        // Everything in the document is older than the lines kept from the tail.
        qsizetype cut = 0;
        for (int skip = tailLines_ - maxLines_; skip > 0; --skip)
            cut = tail_.indexOf(QLatin1Char('\n'), cut) + 1;
        tail_.remove(0, cut);
        tailLines_ = maxLines_;
        document()->setPlainText(notice);
        dropped_ = true;
        return;
    }
    const int firstKept = document()->blockCount() + tailLines_ - maxLines_;
    QTextCursor cursor(document());
    if (dropped_)
        cursor.setPosition(document()->firstBlock().next().position());
    cursor.setPosition(document()->findBlockByNumber(firstKept).position(), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    if (!dropped_) {
        cursor.movePosition(QTextCursor::Start);
        cursor.insertText(notice);
        dropped_ = true;
    }
}

void LogBox::showEvent(QShowEvent *event)
{
    QPlainTextEdit::showEvent(event);
    flush();
}

void LogBox::clearLog()
{
    flushTimer_.stop();
    tail_.clear();
    tailLines_ = 0;
    pendingCr_ = false;
    dropped_ = false;
    QPlainTextEdit::clear();
}

QString LogBox::text() const
{
    QString all = document()->toPlainText() + tail_;
    all.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    if (pendingCr_)
        all += QLatin1Char('\r');
    return all;
}

} // namespace mainwindow
