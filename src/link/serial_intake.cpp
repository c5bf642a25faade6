#include "link/serial_intake.h"

#include "common/program_flags.h"
#include "common/status_list.h"
#include "link/serial_link.h"

SerialIntake::SerialIntake(SerialLink &serial, const ProgramFlags &flags, StatusList &mainStatus, QObject *parent)
    : QObject(parent)
    , m_serial(serial)
    , m_flags(flags)
    , m_mainStatus(mainStatus)
{
    connect(&m_serial, &SerialLink::dataReceived, this, &SerialIntake::onData);
}

void SerialIntake::onData()
{
    QSerialPort &port = m_serial.port();
    if (!m_flags.downloadMode && !m_flags.commandInProgress)
        dropBacklog();
    while (port.isOpen() && port.bytesAvailable() > 0) {
        if (m_flags.downloadMode) {
            const QByteArray chunk = port.readAll();
            if (m_download)
                m_download(chunk);
            continue;
        }
        if (m_flags.commandInProgress) {
            // The command dialogue reads these bytes itself. After a stop
            // nobody does until the next start, which drops what waits
            // anyway: beyond a bound the bytes are dropped here.
            if (port.bytesAvailable() > kMaxUnreadInput)
                port.skip(port.bytesAvailable());
            return;
        }
        char byte = 0;
        if (!port.getChar(&byte))
            return;
        if (m_receiver)
            m_receiver(quint8(byte));
    }
}

void SerialIntake::dropBacklog()
{
    QSerialPort &port = m_serial.port();
    const qint64 waiting = port.bytesAvailable();
    if (!port.isOpen() || waiting <= kMaxBacklog)
        return;
    port.clear(QSerialPort::Input);
    // The fresh bytes after the gap would otherwise finish a packet begun
    // before it: a checksum error at best, a wrong sample at worst.
    if (m_backlogDropped)
        m_backlogDropped();
    m_mainStatus.add(QStringLiteral("Real-time data fell behind: %1 waiting bytes were dropped.").arg(waiting));
}
