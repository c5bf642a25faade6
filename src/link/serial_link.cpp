#include "link/serial_link.h"

#include "common/dialogs.h"
#include "common/signal_wait.h"
#include "common/status_box.h"
#include "common/status_list.h"
#include "link/port_map.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>


#include <chrono>

using namespace std::chrono_literals;

namespace {
const char kOpenText[] = "COM Port is Open";
const char kClosedText[] = "COM Port is Closed";
const char kInvalidPort[] = "Invalid COM port. Would you like to search for available ports?";
const char kReadFailed[] = "ReadBufferError";
} // namespace

SerialLink::SerialLink(const PortMap &ports, StatusBox &serialBox, StatusBox &panelPortBox, StatusList &mainStatus,
                       Dialogs &dialogs, QObject *parent)
    : QObject(parent)
    , m_ports(ports)
    , m_serialBox(serialBox)
    , m_panelPortBox(panelPortBox)
    , m_mainStatus(mainStatus)
    , m_dialogs(dialogs)
{
    connect(&m_port, &QSerialPort::readyRead, this, &SerialLink::dataReceived);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialLink::onError);
}

QString SerialLink::devicePath() const
{
    return m_ports.devicePath(m_portNumber);
}

bool SerialLink::openQuietly(QString *reason)
{
    if (m_port.isOpen())
        m_port.close();
    m_lastFailure.clear();
    const QString device = devicePath();
    if (device.isEmpty()) {
        m_lastFailure = QStringLiteral("COM %1 is not mapped to any serial device.").arg(m_portNumber);
        if (reason)
            *reason = m_lastFailure;
        return false;
    }
    m_port.setPortName(device);
    m_port.setReadBufferSize(0); // Qt's own buffer; the device keeps 1024 bytes of its own
    m_port.setBaudRate(QSerialPort::Baud19200);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        const auto error = m_port.error();
        QString why = m_port.errorString();
        if (error == QSerialPort::PermissionError) {
            const QString group = QFileInfo(device).group();
            why = QStringLiteral("Permission denied on %1. Add your user to the group '%2' "
                                 "(sudo usermod -aG %2 $USER), then log out and in again.")
                      .arg(device, group.isEmpty() ? QStringLiteral("dialout") : group);
        } else if (error == QSerialPort::DeviceNotFoundError) {
            why = QStringLiteral("%1 does not exist.").arg(device);
        } else {
            why = QStringLiteral("%1: %2").arg(device, why);
        }
        m_port.clearError();
        m_lastFailure = why;
        if (reason)
            *reason = why;
        return false;
    }
    // Pseudo-terminals and some adapters have no modem lines: not a failure.
    if (!m_port.setDataTerminalReady(false) || !m_port.setRequestToSend(false))
        m_port.clearError();
    return true;
}

void SerialLink::showOpen()
{
    m_serialBox.show(kOpenText, StatusBox::Colour::Good);
    m_panelPortBox.show(QString::number(m_portNumber), StatusBox::Colour::Good);
}

QCoro::Task<bool> SerialLink::OpenPort()
{
    QString reason;
    const bool wasOpen = m_port.isOpen();
    m_failedAfterOpening = false;
    if (!openQuietly(&reason)) {
        // A re-open closes the port first: the boxes show that it is closed now.
        m_serialBox.show(kClosedText, StatusBox::Colour::Bad);
        m_panelPortBox.show(QString::number(m_portNumber), StatusBox::Colour::Bad);
        if (wasOpen)
            emit closed();
        QString question = kInvalidPort;
        if (m_port.error() == QSerialPort::PermissionError || reason.startsWith("Permission denied"))
            question += "\n\n" + reason;
        m_mainStatus.add(reason);
        if (m_dialogs.askYesNo(question))
            emit portSearchRequested();
        co_return false;
    }
    showOpen();
    emit opened();
    const int breaks = m_breaks;
    // Tied to the link: a program that ends meanwhile never resumes here.
    co_await TimedPause(500ms, this);
    if (m_breaks != breaks) {
        m_failedAfterOpening = true;
        co_return false;
    }
    co_return true;
}

void SerialLink::ClosePort()
{
    const bool wasOpen = m_port.isOpen();
    if (wasOpen)
        m_port.close();
    m_serialBox.show(kClosedText, StatusBox::Colour::Bad);
    if (wasOpen)
        emit closed();
}

void SerialLink::closeFromMenu()
{
    if (!m_port.isOpen())
        return;
    m_serialBox.setColour(StatusBox::Colour::Bad);
    m_panelPortBox.show(QString::number(m_portNumber), StatusBox::Colour::Bad);
    m_port.close();
    emit closed();
}

QCoro::Task<QByteArray> SerialLink::ReadPortChunk(const bool &abort, qint64 maxBytes)
{
    QElapsedTimer elapsed;
    elapsed.start();
    const int breaks = m_breaks;
    // Slices of 100 ms so that an abort is seen promptly without spinning.
    while (elapsed.elapsed() < 1500) {
        if (abort)
            co_return QByteArray();
        if (m_breaks != breaks) {
            // Not reopened: the device is gone, and asking to search for
            // ports in the middle of a download helps nobody.
            m_dialogs.message(kReadFailed);
            co_return QByteArray();
        }
        if (m_port.isOpen() && m_port.bytesAvailable() > 0)
            co_return maxBytes > 0 ? m_port.read(maxBytes) : m_port.readAll();
        if (!m_port.isOpen()) {
            // Awaited into a variable: gcc 12 miscompiles co_await inside a condition.
            const bool reopened = co_await OpenPort();
            if (!reopened) {
                if (m_breaks != breaks)
                    m_dialogs.message(kReadFailed);
                co_return QByteArray();
            }
        }
        co_await waitForSignal(&m_port, &QSerialPort::readyRead, 100ms, this);
    }
    co_return QByteArray();
}

void SerialLink::onError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::NoError:
    case QSerialPort::UnsupportedOperationError: // DTR/RTS on a line without modem lines
    case QSerialPort::TimeoutError:
        return;
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError: {
        if (!m_port.isOpen())
            return;
        // The device went away: Qt would report this in a tight loop, so
        // close once and say so once.
        const QString device = m_port.portName();
        const QString why = m_port.errorString();
        m_port.clearError();
        m_port.close();
        ++m_breaks;
        m_mainStatus.add(QStringLiteral("COM port %1 (%2) stopped working and was closed: %3")
                             .arg(m_portNumber)
                             .arg(device, why));
        m_serialBox.show(kClosedText, StatusBox::Colour::Bad);
        m_panelPortBox.show(QString::number(m_portNumber), StatusBox::Colour::Bad);
        emit closed();
        return;
    }
    default:
        // Anything else the device reports is a line event for the logger
        // download's list.
        emit commEvent(1000 + int(error));
        return;
    }
}
