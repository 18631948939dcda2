#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>

namespace platform {

// Line settings in the "9600,N,8,1" form the unit's documentation uses.
struct LineSettings {
    qint32 baud = 9600;
    char parity = 'N'; // N, E, O, M, S
    int dataBits = 8;
    int stopBits = 1;
    // Returns false (and leaves *out alone) when the text is not of that form.
    static bool parse(const QString &text, LineSettings *out);
};

// Error number given when a port number has no device behind it.
inline constexpr int kInvalidPortNumber = 8002;

// A serial port opened by its device path. Bytes are one character each (Latin-1).
class SerialPort : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~SerialPort() override = default;

    // Opens the device at `path` with DTR and RTS off. On failure returns false and
    // errorNumber()/errorDescription() say why; kInvalidPortNumber for an empty path.
    virtual bool open(const QString &path, const LineSettings &settings) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Hands the whole text to the port; false when the port is not open or refused it.
    virtual bool write(const QByteArray &bytes) = 0;
    virtual QByteArray readAll() = 0;
    virtual int errorNumber() const = 0;
    virtual QString errorDescription() const = 0;

    // What a lost() report means, in words for the operator: what failed and, when the
    // system gave a reason worth reading, that reason. Never "Unknown error".
    static QString lossInWords(int errorNumber, const QString &description);

signals:
    // Bytes are waiting to be read with readAll().
    void dataReceived();
    // The open port failed for good (device unplugged, pty closed). The port has
    // already been closed when this is emitted, and it is emitted once.
    void lost(int errorNumber, const QString &description);
};

} // namespace platform
