#pragma once
#include <QPlainTextEdit>
#include <QString>

namespace mainwindow {

// The link log `txtLog`. text() gives the log exactly as written, CR LF included; the
// screen shows the same lines. Appending never rebuilds the text already there, so the
// 2000th line of a long upload costs what the first did.
class LogBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit LogBox(QWidget *parent = nullptr);
    void append(const QString &text);
    void clearLog();
    const QString &text() const { return text_; }

private:
    QString text_;
    bool pendingCr_ = false; // a CR at the end of the last piece may pair with an LF in the next
};

} // namespace mainwindow
