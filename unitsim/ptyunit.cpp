#include "unitsim/ptyunit.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace unitsim {

QList<QByteArray> splitReply(const QByteArray &reply, int pieces)
{
    const qsizetype size = reply.size();
    const qsizetype n = std::clamp<qsizetype>(pieces, 1, std::max<qsizetype>(size, 1));
    QList<qsizetype> cuts;
    for (qsizetype i = 1; i < n; ++i)
        cuts.append(i * size / n);
    const qsizetype open = reply.lastIndexOf('(');
    const qsizetype close = open < 0 ? -1 : reply.indexOf(')', open);
    if (!cuts.isEmpty() && close > open + 1)
        cuts.last() = std::min(open + 2, close);
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());

    QList<QByteArray> out;
    qsizetype from = 0;
    for (qsizetype cut : std::as_const(cuts)) {
        if (cut > from && cut < size) {
            out.append(reply.mid(from, cut - from));
            from = cut;
        }
    }
    out.append(reply.mid(from));
    return out;
}

PtyUnit::PtyUnit(QObject *parent) : QObject(parent)
{
    m_sendTimer.setSingleShot(true);
    m_sendTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_sendTimer, &QTimer::timeout, this, &PtyUnit::pump);
    m_takeTimer.setSingleShot(true);
    m_takeTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_takeTimer, &QTimer::timeout, this, &PtyUnit::takeIn);
    m_clock.start();
}

PtyUnit::~PtyUnit() { unplug(); }

bool PtyUnit::start(QString *error)
{
    auto fail = [&](const char *what) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
        unplug();
        return false;
    };
    if (isRunning())
        return true;
    if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0) {
        m_master = m_slave = -1;
        return fail("openpty");
    }
    // Raw at once: a cooked line would echo our replies back to us and turn CR into LF.
    termios tio{};
    if (::tcgetattr(m_master, &tio) != 0)
        return fail("tcgetattr");
    ::cfmakeraw(&tio);
    if (::tcsetattr(m_master, TCSANOW, &tio) != 0)
        return fail("tcsetattr");
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    const char *name = ::ptsname(m_master);
    if (!name)
        return fail("ptsname");
    m_path = QString::fromLocal8Bit(name);

    m_reader = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_reader, &QSocketNotifier::activated, this, &PtyUnit::readLine);
    return true;
}

void PtyUnit::unplug()
{
    delete m_reader;
    m_reader = nullptr;
    m_sendTimer.stop();
    m_out.clear();
    m_takeTimer.stop();
    m_inbox.clear();
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
}

namespace {
// Ten bits a byte at 9600 baud.
constexpr qint64 kByteNs = 1'000'000'000 / 960;

int msUntil(qint64 dueNs, qint64 nowNs) { return int((std::max<qint64>(dueNs - nowNs, 0) + 999'999) / 1'000'000); }
} // namespace

void PtyUnit::readLine()
{
    QByteArray in;
    char chunk[4096];
    for (;;) {
        const ssize_t got = ::read(m_master, chunk, sizeof chunk);
        if (got > 0) {
            in.append(chunk, got);
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got == 0 || errno != EAGAIN)
            m_reader->setEnabled(false); // the line is gone; don't spin on it
        break;
    }
    if (!m_behaviour.pace9600) {
        handle(in);
        return;
    }
    // The pseudo-terminal hands over at once what a real line delivers one byte time after another.
    if (!in.isEmpty())
        m_inFreeNs = std::max(m_inFreeNs, m_clock.nsecsElapsed()) + in.size() * kByteNs;
    m_inbox += in;
    takeIn();
}

void PtyUnit::takeIn()
{
    const qint64 now = m_clock.nsecsElapsed();
    // The inbox comes through back to back up to its last byte: any byte before a pause in the
    // line was through when the bytes after the pause arrived, and was taken in then.
    const auto dueNs = [this](qsizetype i) { return m_inFreeNs - (m_inbox.size() - 1 - i) * kByteNs; };
    qsizetype through = 0;
    while (through < m_inbox.size() && dueNs(through) <= now)
        ++through;
    const QByteArray in = m_inbox.left(through);
    m_inbox.remove(0, through);
    if (!m_inbox.isEmpty()) {
        // Nothing happens before the next star comes through: only a star completes a command.
        const qsizetype star = m_inbox.indexOf('*');
        m_takeTimer.start(msUntil(dueNs(star < 0 ? m_inbox.size() - 1 : star), now));
    }
    if (!in.isEmpty())
        handle(in);
}

void PtyUnit::handle(const QByteArray &in)
{
    m_protocol.setEcho(m_behaviour.echo);
    const QList<Exchange> exchanges = m_protocol.feed(in);
    for (const Exchange &e : exchanges) {
        emit commandReceived(e.command);
        if (!isRunning()) // a listener may have unplugged us
            return;
        if (m_behaviour.silent)
            continue;
        const bool dump = e.command == QLatin1String("SYS SPEW");
        if (dump && m_behaviour.dumpPauseMs > 0) {
            // Break at a record boundary near the middle.
            qsizetype mid = e.reply.indexOf('|', e.reply.size() / 2);
            if (mid < 0)
                mid = e.reply.size() / 2;
            queueReply(e.reply.left(mid), 0);
            queueReply(e.reply.mid(mid), m_behaviour.dumpPauseMs);
        } else {
            queueReply(e.reply, 0);
        }
    }
}

void PtyUnit::queueReply(const QByteArray &reply, int pauseMs)
{
    const QList<QByteArray> pieces = splitReply(reply, m_behaviour.splitReplies);
    if (m_out.isEmpty()) // the line was idle until now
        m_outFreeNs = std::max(m_outFreeNs, m_clock.nsecsElapsed());
    for (qsizetype i = 0; i < pieces.size(); ++i)
        m_out.append({pieces.at(i), i == 0 ? pauseMs : m_behaviour.pauseMs});
    if (!m_sendTimer.isActive())
        pump();
}

void PtyUnit::pump()
{
    if (m_behaviour.pace9600) {
        pumpPaced();
        return;
    }
    while (!m_out.isEmpty() && isRunning()) {
        Piece &piece = m_out.front();
        if (piece.pauseMs > 0) {
            m_sendTimer.start(piece.pauseMs);
            piece.pauseMs = 0;
            return;
        }
        const ssize_t put = piece.bytes.isEmpty() ? 0 : ::write(m_master, piece.bytes.constData(), size_t(piece.bytes.size()));
        if (put < 0) {
            if (errno == EAGAIN || errno == EINTR)
                m_sendTimer.start(10); // the reader is behind; try again shortly
            else
                m_out.clear();
            return;
        }
        piece.bytes.remove(0, put);
        if (piece.bytes.isEmpty())
            m_out.removeFirst();
    }
}

void PtyUnit::pumpPaced()
{
    const qint64 now = m_clock.nsecsElapsed();
    while (!m_out.isEmpty() && isRunning()) {
        Piece &piece = m_out.front();
        if (piece.pauseMs > 0) {
            // The line stays quiet for the pause, then carries on from there.
            m_outFreeNs = std::max(m_outFreeNs, now) + qint64(piece.pauseMs) * 1'000'000;
            piece.pauseMs = 0;
        }
        // Every byte whose time on the line is over by now goes in one write.
        const qsizetype due = std::min<qsizetype>(piece.bytes.size(), std::max<qint64>(0, (now - m_outFreeNs) / kByteNs));
        if (due == 0 && !piece.bytes.isEmpty()) {
            m_sendTimer.start(msUntil(m_outFreeNs + kByteNs, now));
            return;
        }
        const ssize_t put = due == 0 ? 0 : ::write(m_master, piece.bytes.constData(), size_t(due));
        if (put < 0) {
            if (errno == EAGAIN || errno == EINTR)
                m_sendTimer.start(10);
            else
                m_out.clear();
            return;
        }
        m_outFreeNs += put * kByteNs;
        piece.bytes.remove(0, put);
        if (piece.bytes.isEmpty())
            m_out.removeFirst();
    }
}

} // namespace unitsim
