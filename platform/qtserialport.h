#pragma once
#include "platform/serialport.h"

#include <QSerialPort>

namespace platform {

class PortCatalogue;

// The real port, on whatever device the catalogue gives for a port number.
class QtSerialPort : public SerialPort {
    Q_OBJECT
public:
    explicit QtSerialPort(const PortCatalogue &catalogue, QObject *parent = nullptr);
    ~QtSerialPort() override;

    bool open(int number, const LineSettings &settings) override;
    void close() override;
    bool isOpen() const override;
    bool write(const QByteArray &bytes) override;
    QByteArray readAll() override;
    int errorNumber() const override { return errorNumber_; }
    QString errorDescription() const override { return errorText_; }

    // What a technician can do about an open failure, added to the plain error text.
    static QString describeOpenError(QSerialPort::SerialPortError error, const QString &qtText,
                                     const QString &device);

private:
    void onError(QSerialPort::SerialPortError error);
    void fail(int number, const QString &text);

    const PortCatalogue &catalogue_;
    QSerialPort port_;
    int errorNumber_ = 0;
    QString errorText_;
};

} // namespace platform
