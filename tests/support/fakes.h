#pragma once
// Test doubles for the platform layer: scriptable, and as asynchronous as the real thing.
#include "platform/dialogs.h"
#include "platform/serialport.h"
#include "platform/timer.h"

#include <QList>
#include <QMetaObject>
#include <QStringList>

namespace fakes {

// What `f` gives for 0 to n-1, or for each item of a list: something on screen or on the
// wire, to compare in one go.
template <typename F>
QStringList texts(int n, F f)
{
    QStringList out;
    for (int i = 0; i < n; ++i)
        out << f(i);
    return out;
}
template <typename List, typename F>
QStringList textsOf(const List &list, F f)
{
    QStringList out;
    for (const auto &item : list)
        out << f(item);
    return out;
}

// A serial port whose far side is the test: feed() queues bytes and emits dataReceived
// from the event loop, as a real port does; written() shows what went out.
class FakeSerialPort : public platform::SerialPort {
    Q_OBJECT
public:
    using platform::SerialPort::SerialPort;

    bool open(const QString &path, const platform::LineSettings &s) override
    {
        opened.append(path);
        settings = s;
        if (failOpenWith != 0) {
            error = failOpenWith;
            description = failOpenText;
            return false;
        }
        open_ = true;
        return true;
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    bool write(const QByteArray &bytes) override
    {
        if (!open_)
            return false;
        writes.append(bytes);
        return true;
    }
    QByteArray readAll() override
    {
        QByteArray out = pending;
        pending.clear();
        return out;
    }
    int errorNumber() const override { return error; }
    QString errorDescription() const override { return description; }

    // Bytes from the unit, delivered through the event loop (QTest::qWait or processEvents).
    void feed(const QByteArray &bytes)
    {
        pending += bytes;
        QMetaObject::invokeMethod(
            this, [this] { emit dataReceived(); }, Qt::QueuedConnection);
    }
    // The same, delivered at once (for tests that want no event loop in between).
    void feedNow(const QByteArray &bytes)
    {
        pending += bytes;
        emit dataReceived();
    }
    void unplug(int number = 9, const QString &text = QStringLiteral("Input/output error"))
    {
        open_ = false;
        emit lost(number, text);
    }

    QList<QByteArray> writes;
    QByteArray pending;
    QStringList opened; // every path open() was asked for, in order
    platform::LineSettings settings;
    int failOpenWith = 0;
    QString failOpenText;
    int error = 0;
    QString description;

private:
    bool open_ = false;
};

// A timer that only ticks when the test says so.
class FakeTimer : public platform::Timer {
    Q_OBJECT
public:
    using platform::Timer::Timer;
    void start(int ms) override
    {
        interval_ = ms;
        active_ = true;
    }
    void stop() override { active_ = false; }
    bool isActive() const override { return active_; }
    int interval() const override { return interval_; }
    // One tick, as the real timer would give it while running.
    void fire()
    {
        if (active_)
            emit timeout();
    }

private:
    bool active_ = false;
    int interval_ = 0;
};

// Records every message box and answers questions and file dialogs from scripted values.
class FakeDialogs : public platform::Dialogs {
public:
    struct Shown {
        QString text;
        Icon icon;
        QString title;
        QString informative = {};
        QStringList buttons = {};
    };
    void message(const QString &text, Icon icon, const QString &title) override
    {
        messages.append({text, icon, title.isEmpty() ? QString::fromLatin1(platform::kProgramTitle) : title});
    }
    bool askYesNo(const QString &text, Icon icon, const QString &title) override
    {
        questions.append({text, icon, title.isEmpty() ? QString::fromLatin1(platform::kProgramTitle) : title});
        return answerYes;
    }
    bool confirm(const QString &text, const QString &informative, Icon icon) override
    {
        questions.append({text, icon, QString::fromLatin1(platform::kProgramTitle), informative});
        return answerYes;
    }
    int choose(const QString &text, const QString &informative, const QStringList &buttons) override
    {
        questions.append({text, Icon::None, QString::fromLatin1(platform::kProgramTitle), informative, buttons});
        return choices.isEmpty() ? int(buttons.size()) - 1 : choices.takeFirst();
    }
    QString openFileName(const QString &title, const QString &filter) override
    {
        fileDialogs.append(title + QLatin1Char('\n') + filter);
        return openAnswer;
    }
    QString openFileNameIn(const QString &title, const QString &filter, const QString &folder) override
    {
        openFolders.append(folder);
        return openFileName(title, filter);
    }
    QString saveFileName(const QString &title, const QString &filter) override
    {
        fileDialogs.append(title + QLatin1Char('\n') + filter);
        return saveAnswer;
    }
    QString askPassword(const QString &text, const QString &title) override
    {
        passwordQuestions.append(title + QLatin1Char('\n') + text);
        return passwordAnswer;
    }
    QStringList messageTexts() const
    {
        return textsOf(messages, [](const Shown &m) { return m.text; });
    }

    QList<Shown> messages;
    QList<Shown> questions;
    QStringList fileDialogs;
    QStringList openFolders; // where each openFileNameIn() started
    QStringList passwordQuestions;
    QString passwordAnswer; // empty: Cancel
    bool answerYes = true;
    QList<int> choices; // answers to choose(), in turn; the last button (cancel) once they run out
    QString openAnswer;
    QString saveAnswer;
};

} // namespace fakes
