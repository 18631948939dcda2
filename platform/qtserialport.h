#pragma once
#include "platform/serialport.h"

#include <QLockFile>
#include <QSerialPort>

#include <memory>

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

    // The lock file that stands for the device behind `path`, whatever name it is reached by
    // (links resolved: a character device by its major:minor numbers, anything else by its
    // file system and inode); empty when `path` names nothing.
    static QString lockFilePath(const QString &path);

private:
    void onError(QSerialPort::SerialPortError error);
    void fail(int number, const QString &text);

    QSerialPort port_;
    // Held while the port is open: one device, one program, even for root, whom the
    // system's exclusive mode does not stop.
    std::unique_ptr<QLockFile> deviceLock_;
    int errorNumber_ = 0;
    QString errorText_;
};

} // namespace platform
