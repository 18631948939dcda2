#include "mainwindow/logbox.h"

#include <QFontDatabase>
#include <QScrollBar>
#include <QTextCursor>

namespace mainwindow {

LogBox::LogBox(QWidget *parent) : QPlainTextEdit(parent)
{
    setObjectName(QStringLiteral("txtLog"));
    setAccessibleName(QStringLiteral("Log"));
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setUndoRedoEnabled(false); // the undo stack would grow with every line
}

void LogBox::append(const QString &text)
{
    if (text.isEmpty())
        return;
    text_ += text;
    // Lines on screen end at CR LF, a lone CR or a lone LF, as they would on a terminal.
    QString shown;
    shown.reserve(text.size());
    for (QChar c : text) {
        if (c == QLatin1Char('\r')) {
            if (pendingCr_)
                shown += QLatin1Char('\n');
            pendingCr_ = true;
            continue;
        }
        if (pendingCr_) {
            shown += QLatin1Char('\n');
            pendingCr_ = false;
            if (c == QLatin1Char('\n'))
                continue;
        }
        shown += c;
    }
    QScrollBar *bar = verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(shown);
    if (atEnd)
        bar->setValue(bar->maximum());
}

void LogBox::clearLog()
{
    text_.clear();
    pendingCr_ = false;
    QPlainTextEdit::clear();
}

} // namespace mainwindow
