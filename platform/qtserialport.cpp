#include "platform/qtserialport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace platform {

bool LineSettings::parse(const QString &text, LineSettings *out)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return false;
    bool okBaud = false, okData = false, okStop = false;
    LineSettings s;
    s.baud = parts[0].trimmed().toInt(&okBaud);
    const QString parity = parts[1].trimmed().toUpper();
    s.dataBits = parts[2].trimmed().toInt(&okData);
    s.stopBits = parts[3].trimmed().toInt(&okStop);
    if (!okBaud || !okData || !okStop || parity.size() != 1 || !QStringLiteral("NEOMS").contains(parity)
        || s.baud <= 0 || s.dataBits < 5 || s.dataBits > 8 || (s.stopBits != 1 && s.stopBits != 2))
        return false;
    s.parity = parity.at(0).toLatin1();
    *out = s;
    return true;
}

QtSerialPort::QtSerialPort(QObject *parent) : SerialPort(parent)
{
    connect(&port_, &QSerialPort::readyRead, this, &SerialPort::dataReceived);
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
}

QtSerialPort::~QtSerialPort() { close(); }

static QSerialPort::Parity toQt(char parity)
{
    switch (parity) {
    case 'E': return QSerialPort::EvenParity;
    case 'O': return QSerialPort::OddParity;
    case 'M': return QSerialPort::MarkParity;
    case 'S': return QSerialPort::SpaceParity;
    default: return QSerialPort::NoParity;
    }
}

bool QtSerialPort::open(const QString &path, const LineSettings &settings)
{
    close();
    errorNumber_ = 0;
    errorText_.clear();
    if (path.isEmpty()) {
        errorNumber_ = kInvalidPortNumber;
        errorText_ = QCoreApplication::translate("platform", "Invalid port number: this COMM PORT has no serial device on this computer");
        return false;
    }
    // The lock comes first: nothing may reach the device while another program holds it.
    if (const QString lockPath = lockFilePath(path); !lockPath.isEmpty()) {
        auto lock = std::make_unique<QLockFile>(lockPath);
        lock->setStaleLockTime(0); // stale only when its holder is gone, however long it has held it
        if (!lock->tryLock(0)) {
            qint64 pid = 0;
            QString host, app;
            const bool known = lock->error() == QLockFile::LockFailedError && lock->getLockInfo(&pid, &host, &app);
            errorNumber_ = QSerialPort::PermissionError;
            errorText_ = describeOpenError(
                QSerialPort::PermissionError,
                known ? QCoreApplication::translate("platform", "The device is locked by %1 (process %2)").arg(app).arg(pid)
                      : QCoreApplication::translate("platform", "The device's lock file %1 cannot be taken").arg(lockPath),
                path);
            return false;
        }
        deviceLock_ = std::move(lock);
    }
    port_.setPortName(path);
    port_.setBaudRate(settings.baud);
    port_.setParity(toQt(settings.parity));
    port_.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits));
    port_.setStopBits(settings.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!port_.open(QIODevice::ReadWrite)) {
        errorNumber_ = port_.error();
        errorText_ = describeOpenError(port_.error(), port_.errorString(), path);
        port_.clearError();
        deviceLock_.reset();
        return false;
    }
    // Pseudo-terminals refuse the modem lines; a real adapter takes them. Either way the
    // port is usable, so a refusal here is not an error of opening.
    port_.setDataTerminalReady(false);
    port_.setRequestToSend(false);
    port_.clearError();
    return true;
}

QString QtSerialPort::describeOpenError(QSerialPort::SerialPortError error, const QString &qtText,
                                        const QString &device)
{
    QString text = qtText + QStringLiteral(" (") + device + QLatin1Char(')');
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        text += QCoreApplication::translate("platform", ". The device is not there: check that the cable or USB adapter is plugged in.");
        break;
    case QSerialPort::PermissionError: {
        if (qtText.contains(QStringLiteral("lock"), Qt::CaseInsensitive)
            || qtText.contains(QStringLiteral("busy"), Qt::CaseInsensitive)) {
            text += QCoreApplication::translate("platform", ". Another program is using this port: close it, then open the port again.");
            break;
        }
        QString groupName;
        struct stat st {};
        if (::stat(QFile::encodeName(device).constData(), &st) == 0)
            if (const struct group *g = ::getgrgid(st.st_gid))
                groupName = QString::fromLocal8Bit(g->gr_name);
        if (groupName.isEmpty())
            text += QCoreApplication::translate("platform", ". Your user may not use this device.");
        else
            text += QStringLiteral(". Your user may not use this device: add it to the group \"%1\" "
                                   "(sudo usermod -aG %1 $USER), then log out and in again.")
                        .arg(groupName);
        break;
    }
    case QSerialPort::OpenError:
        text += QCoreApplication::translate("platform", ". The port is already open.");
        break;
    case QSerialPort::UnsupportedOperationError:
        text += QCoreApplication::translate("platform", ". This device is not a serial port.");
        break;
    default:
        break;
    }
    return text;
}

void QtSerialPort::close()
{
    if (port_.isOpen())
        port_.close();
    deviceLock_.reset();
}

QString QtSerialPort::lockFilePath(const QString &path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QString();
    const QString key = S_ISCHR(st.st_mode) ? QStringLiteral("tty-%1-%2").arg(major(st.st_rdev)).arg(minor(st.st_rdev))
                                            : QStringLiteral("file-%1-%2").arg(st.st_dev).arg(st.st_ino);
    // The system's lock folder is shared by every user; the runtime folder, a user's own, is
    // the fallback where it cannot be written.
    QString dir = QStringLiteral("/run/lock");
    if (!QFileInfo(dir).isWritable())
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir + QStringLiteral("/norvikconf-") + key + QStringLiteral(".lock");
}

bool QtSerialPort::isOpen() const { return port_.isOpen(); }

bool QtSerialPort::write(const QByteArray &bytes)
{
    if (!port_.isOpen())
        return false;
    return port_.write(bytes) == bytes.size();
}

QByteArray QtSerialPort::readAll() { return port_.readAll(); }

void QtSerialPort::onError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::NoError:
        return; // emitted on every open and clearError
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
        // The device went away. Qt keeps reporting this in a tight loop for as long as
        // the port stays open, so close it here and report it once.
        if (port_.isOpen())
            fail(error, port_.errorString());
        return;
    default:
        // Errors of open() are read by open() itself; others leave the port usable.
        return;
    }
}

QString SerialPort::lossInWords(int errorNumber, const QString &description)
{
    QString what;
    switch (errorNumber) {
    case QSerialPort::ResourceError: what = QCoreApplication::translate("platform", "the device went away"); break;
    case QSerialPort::ReadError: what = QCoreApplication::translate("platform", "the device could no longer be read"); break;
    case QSerialPort::WriteError: what = QCoreApplication::translate("platform", "the device could no longer be written to"); break;
    default: what = QCoreApplication::translate("platform", "the device stopped working"); break;
    }
    // The text Qt hands on is read after the fact and often belongs to a later call
    // ("No such file or directory" for a device that was just removed): a hint at most.
    if (!description.isEmpty() && description != QLatin1String("Unknown error"))
        what += QCoreApplication::translate("platform", " (the system said \"%1\")").arg(description);
    return what;
}

void QtSerialPort::fail(int number, const QString &text)
{
    errorNumber_ = number;
    errorText_ = text;
    port_.close();
    port_.clearError();
    deviceLock_.reset();
    emit lost(number, text);
}

} // namespace platform
