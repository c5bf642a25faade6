#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

// The monitor's configuration side: the settings block, the serial number,
// the resets and the polarity switches. It follows the grammar of what comes
// after "SET" and "RQS", so a value byte that happens to be a capital letter
// or 0xFC is taken as the value it is, not as a command or a probe.
class DeviceSide : public QObject
{
    Q_OBJECT

public:
    struct Settings
    {
        quint8 ct1Type = 100, ct1Range = 5;
        quint8 ct2Type = 100, ct2Range = 5;
        quint8 ptType = 1, ptRange = 1;
        quint8 intervalMinutes = 15;
        quint16 firmwareRaw = 2210;
        quint8 deviceId = 1;
        quint16 address = 1;
    };

    // What the side needs of the monitor around it.
    struct Hooks
    {
        std::function<void(const QByteArray &)> write;
        std::function<bool(const QString &)> acknowledges; // false: leave this command unanswered
        std::function<bool(const QString &)> acknowledgesValue; // false: take the command's value bytes unanswered
        std::function<void()> resetCounters;                // energy counters to 0, reset counter + 1
        std::function<void(int channel)> flipPolarity;
        std::function<void(int seconds)> setPacketSeconds;
        std::function<void(quint16 address)> setAddress;
    };

    explicit DeviceSide(Hooks hooks, QObject *parent = nullptr);

    Settings &settings() { return m_settings; }
    void setSerialNumber(const QByteArray &fiveBytes) { m_serial = fiveBytes; }
    // Bytes of the block sent after "RCV": 33 normally; fewer or more to
    // play a monitor that answers short or long.
    void setBlockLength(int bytes) { m_blockLength = bytes; }
    int loggerResets() const { return m_loggerResets; }

    // Called with the command the monitor's dispatcher just acknowledged.
    // Returns true when the command opens this side's grammar.
    bool begin(const QString &command);
    // True when the byte belongs to this side (a value, or a command inside
    // its grammar); false hands it back to the dispatcher.
    bool takeByte(quint8 byte);
    bool inGrammar() const { return m_state != State::Idle; }

signals:
    void commandReceived(const QString &command);
    // A byte taken as the value of `command`.
    void valueReceived(const QString &command, quint8 value);
    void loggerReset();

private:
    enum class State {
        Idle,
        AfterSet,   // a sub-command follows
        AfterRqs,   // a reset command follows
        AfterCt,    // "TYP" follows
        CtType,     // the type byte
        AfterCtType, // "RNG" follows
        CtRange,
        PtType,
        AfterPtType, // "PTR" follows
        PtRange,
        Interval,   // two bytes
        DeviceId,
        Address,    // two bytes, answered once
        Frequency,
        SerialR,    // "RR" follows
        SerialN,    // "NN" follows
    };

    void runCommand(const QString &command);
    void takeValue(quint8 byte);
    QString valueCommand() const;
    void ack();
    void ackValue();
    void expect(State state, int values = 1);

    Hooks m_hooks;
    Settings m_settings;
    QByteArray m_serial = QByteArray::fromHex("000ac807ff");
    int m_blockLength = 33;
    int m_loggerResets = 0;

    State m_state = State::Idle;
    QByteArray m_letters;   // letters of a command inside the grammar
    QByteArray m_values;    // value bytes collected for the current command
    int m_valuesWanted = 0;
    int m_ctChannel = 1;
    bool m_valueAcked = true;
};
