#include "monitor_sim.h"

namespace {

constexpr char kAck = char(0xFC);
constexpr char kPacketStart = char(0xFE);

} // namespace

MonitorSim::MonitorSim(QObject *parent)
    : QObject(parent)
    , m_device({[this](const QByteArray &bytes) { m_pty.write(bytes); },
                [this](const QString &command) { return !m_unacknowledged.contains(command); },
                [this](const QString &command) { return !m_unacknowledgedValues.contains(command); },
                [this] { m_model.injectFault(SimFault::MonitorReset); },
                [this](int channel) { m_model.flipPolarity(channel); },
                [this](int seconds) { setPeriodMs(seconds * 1000); },
                [this](quint16 address) { m_model.setAddress(address); }})
{
    connect(&m_device, &DeviceSide::commandReceived, this, &MonitorSim::commandReceived);
    m_packetTimer.setInterval(m_model.periodMs());
    connect(&m_packetTimer, &QTimer::timeout, this, &MonitorSim::sendPacket);
    connect(&m_pty, &PseudoTerminal::dataReceived, this, &MonitorSim::onData);
    connect(&m_pty, &PseudoTerminal::clientOpenChanged, this, &MonitorSim::clientOpenChanged);
}

bool MonitorSim::start(QString *error)
{
    if (!m_pty.open(error))
        return false;
    setStreaming(m_streamFromStart);
    return true;
}

void MonitorSim::stop()
{
    setStreaming(false);
    m_pty.close();
}

void MonitorSim::setPeriodMs(int ms)
{
    m_model.setPeriodMs(ms);
    m_packetTimer.setInterval(m_model.periodMs());
}

void MonitorSim::setStreaming(bool on)
{
    if (on)
        m_packetTimer.start();
    else
        m_packetTimer.stop();
    if (on != m_streaming) {
        m_streaming = on;
        emit streamingChanged(on);
    }
}

void MonitorSim::onData(const QByteArray &data)
{
    m_received += data;
    emit bytesReceived(data);
    for (char c : data)
        takeByte(quint8(c));
}

void MonitorSim::takeByte(quint8 byte)
{
    // Inside "SET" and "RQS" value bytes are values, whatever they look like.
    if (m_device.takeByte(byte))
        return;
    if (m_dongleGeneration > 0 && takeDongleByte(byte))
        return;

    if (byte == 0xFC) {
        m_command.clear();
        emit commandReceived(QStringLiteral("probe"));
        if (m_logger.takeProbe())
            return;
        if (m_probeAnswer == ProbeAnswer::Normal)
            m_pty.write(QByteArray(1, kAck));
        else if (m_probeAnswer == ProbeAnswer::PacketByte)
            m_pty.write(QByteArray(1, kPacketStart));
        return;
    }
    if (byte >= 'A' && byte <= 'Z') {
        m_command.append(char(byte));
        if (m_command.size() == 3) {
            const QString command = QString::fromLatin1(m_command);
            m_command.clear();
            runCommand(command);
        }
        return;
    }
    // Anything else breaks off a command half received.
    m_command.clear();
}

// The dongle sees every byte first and keeps what is AT text: "+++" and lines
// starting with "AT" up to CR. Everything else passes on to the monitor.
bool MonitorSim::takeDongleByte(quint8 byte)
{
    if (!m_atLine.isEmpty()) {
        if (byte == '\r') {
            const QString line = QString::fromLatin1(m_atLine);
            m_atLine.clear();
            runAtLine(line);
        } else if (m_atLine.size() < kMaxAtLine) {
            m_atLine.append(char(byte));
        } else {
            m_atLine.clear();   // no CR in sight: not AT text after all
        }
        return true;
    }
    if (byte == '+') {
        m_command.clear();
        if (++m_plusRun == 3) {
            m_plusRun = 0;
            emit commandReceived(QStringLiteral("+++"));
            if (!m_dongleSilent)
                m_pty.write(QByteArrayLiteral("OK\r"));
        }
        return true;
    }
    m_plusRun = 0;
    if (byte == 'T' && m_command == "A") {
        m_command.clear();
        m_atLine = QByteArrayLiteral("AT");
        return true;
    }
    return false;
}

void MonitorSim::runAtLine(const QString &line)
{
    emit commandReceived(line);
    if (m_dongleSilent)
        return;
    bool ok = true;
    if (line.startsWith(QLatin1String("ATDN")))
        ok = line.mid(4) == QStringLiteral("E%1").arg(m_dongleGeneration);
    m_pty.write(ok ? QByteArrayLiteral("OK\r") : QByteArrayLiteral("ERROR\r"));
}

void MonitorSim::runCommand(const QString &command)
{
    emit commandReceived(command);
    if (m_unacknowledged.contains(command) || m_logger.takeCommand(command))
        return;
    m_pty.write(QByteArray(1, kAck));
    if (m_device.begin(command))
        return;
    if (command == QLatin1String("PLR"))
        setStreaming(true);
    else if (command == QLatin1String("OFF"))
        setStreaming(false);
}

void MonitorSim::sendPacket()
{
    // A closed port keeps the monitor's clock still: no packet is made, so
    // the counters advance only with packets a client can see.
    if (!m_pty.clientOpen())
        return;
    const SimPacket packet = m_model.nextPacket();
    if (m_pty.write(encodePacket(packet)))
        emit packetSent(packet);
}
