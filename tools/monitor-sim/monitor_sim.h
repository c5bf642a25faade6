#pragma once

#include "channel_model.h"
#include "device_side.h"
#include "pseudo_terminal.h"
#include "sim_logger.h"
#include "sim_packet.h"

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

// The simulated QMN-4400 on a pseudo-terminal: answers the 0xFC probe,
// acknowledges three-letter commands, streams real-time packets between "PLR"
// and "OFF", and optionally plays a radio dongle in front of the monitor.
//
// It writes only while a client holds the port (see PseudoTerminal). The
// first bytes it ever writes are answers to the client's own bytes, unless
// streaming is switched on from the start; once streaming, it streams to
// whichever client holds the port, as the real monitor does.
class MonitorSim : public QObject
{
    Q_OBJECT

public:
    using Fault = SimFault;
    enum class ProbeAnswer {
        Normal,     // 0xFC
        Silent,     // no answer
        PacketByte, // 0xFE, as if a packet had begun
    };

    explicit MonitorSim(QObject *parent = nullptr);

    bool start(QString *error = nullptr);
    void stop();
    QString devicePath() const { return m_pty.slavePath(); }
    bool clientOpen() { return m_pty.clientOpen(); }

    // Measuring side: profile, voltage, starting counters, address.
    ChannelModel &model() { return m_model; }
    // Configuration side: settings block, serial number, resets, polarity.
    DeviceSide &device() { return m_device; }

    void setPeriodMs(int ms);
    int periodMs() const { return m_model.periodMs(); }
    void setStreamFromStart(bool on) { m_streamFromStart = on; }
    void setStreaming(bool on);
    bool streaming() const { return m_streaming; }
    void setProbeAnswer(ProbeAnswer answer) { m_probeAnswer = answer; }
    // Commands that are neither acknowledged nor acted on.
    void setUnacknowledged(const QSet<QString> &commands) { m_unacknowledged = commands; }
    // Commands whose value bytes are taken and acted on but not acknowledged.
    void setUnacknowledgedValues(const QSet<QString> &commands) { m_unacknowledgedValues = commands; }
    // Radio dongle generation 1, 2 or 3 answers "+++" and "ATDNE<n>"; 0 means
    // a cable, where AT text is just more bytes for the monitor.
    void setDongle(int generation) { m_dongleGeneration = generation; }
    void setDongleSilent(bool silent) { m_dongleSilent = silent; }

    // Bytes out of turn: stale input, a wrong answer, part of a packet.
    bool sendRaw(const QByteArray &bytes) { return m_pty.write(bytes); }

    // packetIndex < 0: the next packet.
    void injectFault(Fault fault, qint64 packetIndex = -1) { m_model.injectFault(fault, packetIndex); }
    qint64 packetsSent() const { return m_model.packetsMade(); }

    // The data logger and its download exchange.
    SimLogger &logger() { return m_logger; }

    // Every byte received from the client since start (or clearReceived()).
    QByteArray received() const { return m_received; }
    void clearReceived() { m_received.clear(); }

signals:
    void bytesReceived(const QByteArray &data);
    // "probe", "+++", "AT..." lines without CR, and three-letter commands.
    void commandReceived(const QString &command);
    void packetSent(const SimPacket &packet);
    void streamingChanged(bool on);
    void clientOpenChanged(bool open);

private:
    void onData(const QByteArray &data);
    void takeByte(quint8 byte);
    bool takeDongleByte(quint8 byte);
    void runCommand(const QString &command);
    void runAtLine(const QString &line);
    void sendPacket();

    static constexpr int kMaxAtLine = 32;

    PseudoTerminal m_pty;
    ChannelModel m_model;
    DeviceSide m_device;
    SimLogger m_logger{[this](const QByteArray &bytes) { return m_pty.write(bytes); }};
    QTimer m_packetTimer;
    bool m_streaming = false;
    bool m_streamFromStart = false;
    ProbeAnswer m_probeAnswer = ProbeAnswer::Normal;
    QSet<QString> m_unacknowledged;
    QSet<QString> m_unacknowledgedValues;
    int m_dongleGeneration = 0;
    bool m_dongleSilent = false;

    QByteArray m_received;
    QByteArray m_command;   // upper-case letters of a command in progress
    QByteArray m_atLine;    // an AT line in progress, empty when none
    int m_plusRun = 0;
};
