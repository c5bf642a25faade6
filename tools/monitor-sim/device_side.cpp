#include "device_side.h"

namespace {
constexpr char kAck = char(0xFC);
}

DeviceSide::DeviceSide(Hooks hooks, QObject *parent)
    : QObject(parent)
    , m_hooks(std::move(hooks))
{
}

void DeviceSide::ack()
{
    m_hooks.write(QByteArray(1, kAck));
}

void DeviceSide::ackValue()
{
    if (m_valueAcked)
        ack();
}

void DeviceSide::expect(State state, int values)
{
    m_state = state;
    m_values.clear();
    m_valuesWanted = values;
}

bool DeviceSide::begin(const QString &command)
{
    m_letters.clear();
    if (command == QLatin1String("SET"))
        m_state = State::AfterSet;
    else if (command == QLatin1String("RQS"))
        m_state = State::AfterRqs;
    else
        m_state = State::Idle;
    return m_state != State::Idle;
}

bool DeviceSide::takeByte(quint8 byte)
{
    switch (m_state) {
    case State::Idle:
        return false;
    case State::CtType:
    case State::CtRange:
    case State::PtType:
    case State::PtRange:
    case State::Interval:
    case State::DeviceId:
    case State::Address:
    case State::Frequency:
        takeValue(byte);
        return true;
    default:
        break;
    }
    const bool commandChar = (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9');
    if (!commandChar) {
        // A probe or a stray byte ends the grammar; the dispatcher takes it.
        m_state = State::Idle;
        m_letters.clear();
        return false;
    }
    m_letters.append(char(byte));
    // The serial-number read goes in letter pairs: "SS", "RR", "NN".
    const bool pair = (m_state == State::AfterSet && m_letters == "SS") || m_state == State::SerialR
                      || m_state == State::SerialN;
    if ((pair && m_letters.size() == 2) || m_letters.size() == 3) {
        const QString command = QString::fromLatin1(m_letters);
        m_letters.clear();
        runCommand(command);
    }
    return true;
}

void DeviceSide::runCommand(const QString &c)
{
    emit commandReceived(c);
    if (m_hooks.acknowledges && !m_hooks.acknowledges(c))
        return; // neither answered nor acted on; the grammar stays where it was
    const State state = m_state;
    m_state = State::Idle;
    switch (state) {
    case State::AfterSet:
        if (c == QLatin1String("CT1") || c == QLatin1String("CT2")) {
            ack();
            m_ctChannel = c.back() == QLatin1Char('1') ? 1 : 2;
            m_state = State::AfterCt;
        } else if (c == QLatin1String("PTT")) {
            ack();
            expect(State::PtType);
        } else if (c == QLatin1String("IVL")) {
            ack();
            expect(State::Interval, 2);
        } else if (c == QLatin1String("UID")) {
            ack();
            expect(State::DeviceId);
        } else if (c == QLatin1String("SID")) {
            ack();
            expect(State::Address, 2);
        } else if (c == QLatin1String("IV2")) {
            ack();
            expect(State::Frequency);
        } else if (c == QLatin1String("RCV")) {
            ack();
            QByteArray block(qMax(m_blockLength, 33), '\0');
            const Settings &s = m_settings;
            const quint8 head[13] = {s.ct1Type, s.ct1Range, s.ct2Type, s.ct2Range, s.ptType, s.ptRange, 0,
                                     s.intervalMinutes, quint8(s.firmwareRaw >> 8), quint8(s.firmwareRaw),
                                     s.deviceId, quint8(s.address >> 8), quint8(s.address)};
            for (int i = 0; i < 13; ++i)
                block[i] = char(head[i]);
            block.truncate(m_blockLength);
            m_hooks.write(block);
        } else if (c == QLatin1String("NG1") || c == QLatin1String("NG2")) {
            ack();
            if (m_hooks.flipPolarity)
                m_hooks.flipPolarity(c.back() == QLatin1Char('1') ? 1 : 2);
        } else if (c == QLatin1String("SS")) {
            ack();
            m_state = State::SerialR;
        }
        break;
    case State::AfterCt:
        if (c == QLatin1String("TYP")) {
            ack();
            expect(State::CtType);
        }
        break;
    case State::AfterCtType:
        if (c == QLatin1String("RNG")) {
            ack();
            expect(State::CtRange);
        }
        break;
    case State::AfterPtType:
        if (c == QLatin1String("PTR")) {
            ack();
            expect(State::PtRange);
        }
        break;
    case State::SerialR:
        if (c == QLatin1String("RR")) {
            ack();
            m_state = State::SerialN;
        }
        break;
    case State::SerialN:
        if (c == QLatin1String("NN")) {
            ack();
            m_hooks.write(m_serial + QByteArray(1, kAck));
        }
        break;
    case State::AfterRqs:
        if (c == QLatin1String("RST") || c == QLatin1String("REE") || c == QLatin1String("RKW")) {
            ack();
            if (c != QLatin1String("REE") && m_hooks.resetCounters)
                m_hooks.resetCounters();
            if (c != QLatin1String("RKW")) {
                ++m_loggerResets;
                emit loggerReset();
            }
        }
        break;
    default:
        break;
    }
}

QString DeviceSide::valueCommand() const
{
    switch (m_state) {
    case State::CtType: return QStringLiteral("TYP");
    case State::CtRange: return QStringLiteral("RNG");
    case State::PtType: return QStringLiteral("PTT");
    case State::PtRange: return QStringLiteral("PTR");
    case State::Interval: return QStringLiteral("IVL");
    case State::DeviceId: return QStringLiteral("UID");
    case State::Address: return QStringLiteral("SID");
    case State::Frequency: return QStringLiteral("IV2");
    default: return {};
    }
}

void DeviceSide::takeValue(quint8 byte)
{
    emit valueReceived(valueCommand(), byte);
    m_valueAcked = !m_hooks.acknowledgesValue || m_hooks.acknowledgesValue(valueCommand());
    m_values.append(char(byte));
    Settings &s = m_settings;
    switch (m_state) {
    case State::CtType:
        (m_ctChannel == 1 ? s.ct1Type : s.ct2Type) = byte;
        ackValue();
        m_state = State::AfterCtType;
        return;
    case State::CtRange:
        (m_ctChannel == 1 ? s.ct1Range : s.ct2Range) = byte;
        ackValue();
        break;
    case State::PtType:
        s.ptType = byte;
        ackValue();
        m_state = State::AfterPtType;
        return;
    case State::PtRange:
        s.ptRange = byte;
        ackValue();
        break;
    case State::Interval:
        ackValue(); // each of the two bytes is answered
        if (m_values.size() < m_valuesWanted)
            return;
        s.intervalMinutes = quint8(m_values.at(1));
        break;
    case State::DeviceId:
        s.deviceId = byte;
        ackValue();
        break;
    case State::Address:
        if (m_values.size() < m_valuesWanted)
            return; // one answer for the pair
        s.address = quint16(quint8(m_values.at(0)) << 8 | quint8(m_values.at(1)));
        ackValue();
        if (m_hooks.setAddress)
            m_hooks.setAddress(s.address);
        break;
    case State::Frequency:
        ackValue();
        if (byte > 0 && m_hooks.setPacketSeconds)
            m_hooks.setPacketSeconds(byte);
        break;
    default:
        break;
    }
    m_state = State::Idle;
}
