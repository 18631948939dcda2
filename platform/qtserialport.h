#pragma once
#include "platform/serialport.h"

#include <QSerialPort>

namespace platform {

// The real port.
class QtSerialPort : public SerialPort {
    Q_OBJECT
public:
    explicit QtSerialPort(QObject *parent = nullptr);
    ~QtSerialPort() override;

    bool open(const QString &path, const LineSettings &settings) override;
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

    QSerialPort port_;
    int errorNumber_ = 0;
    QString errorText_;
};

} // namespace platform
