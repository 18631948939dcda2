#pragma once
// The stand-in unit on a pseudo-terminal: the program opens the slave side as
// its serial port, this object plays the unit on the master side.
#include "unitsim/unitprotocol.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QSocketNotifier;

namespace unitsim {

// Ways in which a unit can be awkward, adjustable while it runs.
struct Behaviour {
    bool silent = false;   // read and obey commands, but never answer
    bool echo = false;     // send the command text back before the codes
    int splitReplies = 1;  // send each reply in this many pieces
    int pauseMs = 50;      // between the pieces of a split reply
    bool pace9600 = false; // both ways no faster than a 9600 baud line: 960 bytes a second
    int dumpPauseMs = 0;   // a pause in the middle of the settings dump
};

// Cuts `reply` into at most `pieces` parts that join to it again. When the
// reply holds a status code, one cut falls inside its parentheses, the case a
// reader is most likely to get wrong.
QList<QByteArray> splitReply(const QByteArray &reply, int pieces);

class PtyUnit : public QObject {
    Q_OBJECT
public:
    explicit PtyUnit(QObject *parent = nullptr);
    ~PtyUnit() override;

    bool start(QString *error = nullptr);
    bool isRunning() const { return m_master >= 0; }
    QString devicePath() const { return m_path; }
    // Closes our side of the line, as pulling the adapter out would.
    void unplug();

    UnitProtocol &protocol() { return m_protocol; }
    Behaviour &behaviour() { return m_behaviour; }

signals:
    void commandReceived(const QString &command);

private:
    struct Piece {
        QByteArray bytes;
        int pauseMs; // before the first byte of the piece
    };

    void readLine();
    void takeIn();
    void handle(const QByteArray &in);
    void queueReply(const QByteArray &reply, int pauseMs);
    void pump();
    void pumpPaced();

    UnitProtocol m_protocol;
    Behaviour m_behaviour;
    int m_master = -1;
    int m_slave = -1; // held open: reading the master fails while no one holds the slave
    QString m_path;
    QSocketNotifier *m_reader = nullptr;
    QTimer m_sendTimer;
    QList<Piece> m_out;

    // The paced line: a byte counts as arrived one byte time after the line was free for it.
    QElapsedTimer m_clock;
    QTimer m_takeTimer;
    QByteArray m_inbox;     // read from the program, not yet through the line
    qint64 m_inFreeNs = 0;  // the last byte from the program is through at this time
    qint64 m_outFreeNs = 0; // the last byte to the program is through at this time
};

} // namespace unitsim
