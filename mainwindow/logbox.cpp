#include "mainwindow/logbox.h"

#include <QAbstractTextDocumentLayout>
#include <QFontDatabase>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>

namespace mainwindow {

LogBox::LogBox(QWidget *parent, int maxLines) : QPlainTextEdit(parent), maxLines_(maxLines)
{
    setObjectName(QStringLiteral("txtLog"));
    setAccessibleName(tr("Log"));
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
    return tr("(Older lines were dropped: the log keeps the last %1 lines.)").arg(maxLines_);
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
    // Lines go into the document kLinesPerBlock to a block, joined inside a block by line
    // separators: every block costs a walk of the document's block tree, which gets slow
    // once it holds tens of thousands of them.
    int inLastBlock = separators(document()->lastBlock());
    for (QChar &c : tail_) {
        if (c != QLatin1Char('\n'))
            continue;
        if (inLastBlock == kLinesPerBlock - 1)
            inLastBlock = 0;
        else {
            c = QChar::LineSeparator;
            ++inLastBlock;
        }
    }
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    const int firstChanged = document()->blockCount() - 1;
    cursor.insertText(tail_);
    docLineEnds_ += tailLines_;
    tail_.clear();
    tailLines_ = 0;
    for (QTextBlock b = document()->findBlockByNumber(firstChanged); b.isValid(); b = b.next())
        countLines(b);
    if (docLineEnds_ + 1 > maxLines_ + maxLines_ / 10) {
        dropOldLines();
        countLines(document()->firstBlock().next()); // the block cut into lost its layout
    }
    QAbstractTextDocumentLayout *layout = document()->documentLayout();
    emit layout->documentSizeChanged(layout->documentSize());
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
        docLineEnds_ = 1;
        dropped_ = true;
        return;
    }
    // The lines to drop start after the notice; whole blocks go first, then the leading
    // lines of the block that is kept.
    int drop = docLineEnds_ + 1 + tailLines_ - maxLines_ - (dropped_ ? 1 : 0);
    QTextCursor cursor(document());
    QTextBlock block = document()->firstBlock();
    if (dropped_)
        block = block.next();
    cursor.setPosition(block.position());
    int dropped = 0;
    while (block.isValid() && block.next().isValid()) {
        const int lines = separators(block) + 1;
        if (dropped + lines > drop)
            break;
        dropped += lines;
        block = block.next();
    }
    qsizetype within = 0;
    const QString text = block.text();
    for (; dropped < drop; ++dropped) {
        const qsizetype separator = text.indexOf(QChar::LineSeparator, within);
        if (separator < 0)
            break;
        within = separator + 1;
    }
    cursor.setPosition(block.position() + int(within), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    docLineEnds_ -= dropped;
    if (!dropped_) {
        cursor.movePosition(QTextCursor::Start);
        cursor.insertText(notice);
        ++docLineEnds_;
        dropped_ = true;
    }
}

// A block is laid out when it is painted and counts as one line until then: giving it its
// number of lines keeps the scroll bar spanning the whole log.
void LogBox::countLines(QTextBlock block)
{
    if (block.isValid() && block.layout()->lineCount() == 0)
        block.setLineCount(separators(block) + 1);
}

int LogBox::separators(const QTextBlock &block) { return int(block.text().count(QChar::LineSeparator)); }

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
    docLineEnds_ = 0;
    QPlainTextEdit::clear();
}

QString LogBox::text() const
{
    QString all = document()->toPlainText() + tail_; // line separators come out as "\n"
    all.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    if (pendingCr_)
        all += QLatin1Char('\r');
    return all;
}

} // namespace mainwindow
