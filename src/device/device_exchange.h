#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <qcoro/qcorotask.h>

#include <chrono>

class CommandExchange;
class Dialogs;
class DialogueGate;
class RealtimeControl;
class StatusBox;
class StatusList;
struct ProgramFlags;

// The device utility's sequences on the wire, each as the monitor expects
// it: the settings block, the serial number, the configuration writes, the
// address-style saves, the resets and the polarity toggle. Progress and
// failures go to the utility's list. Callers hold the monitor (a pause)
// around all but the polarity toggle, which takes it itself.
class DeviceExchange : public QObject
{
    Q_OBJECT
public:
    enum class Outcome { Clean, Reported, Aborted, PortFailed };
    struct WireStep
    {
        QByteArray command; // empty for a value byte
        quint8 value = 0;
        QString failLine;   // abort line of a command, report line of a value
    };

    struct Parts
    {
        ProgramFlags &flags;
        CommandExchange &exchange;
        RealtimeControl &realtime;
        DialogueGate &gate;
        StatusBox &realtimeBox;
        Dialogs &dialogs;
        StatusList &list;
    };

    explicit DeviceExchange(const Parts &parts, QObject *parent = nullptr);

    // The caller's pause stopped real-time: a sequence's own stop step is moot.
    void setPauseStopped(bool stopped) { m_pauseStopped = stopped; }

    static WireStep command(const QByteArray &name, const QString &abortLine);
    static WireStep value(int byte, const QString &failLine);

    // Probe, "SET", "RCV"; true when exactly a whole block waits afterwards.
    QCoro::Task<bool> ReadSettings();
    // Probe, "SET", "SS", "RR", "NN", five bytes and an acknowledgement; the
    // failure line, empty on success. The serial number lands in `serial`.
    QCoro::Task<QString> serialNumberExchange(QString *serial);
    // The frame of every configuration write: the stop unless the pause did
    // it, the probe, "SET", then the steps.
    QCoro::Task<Outcome> configWrite(const QList<WireStep> &steps, const QString &portErrorBox);
    QCoro::Task<Outcome> WriteCTsetting(int CTtype, int CTrange, int CH);
    QCoro::Task<Outcome> WritePTsetting(int PTtype, int PTrange);
    // The address and packet-frequency saves: whole commands straight to the
    // port; only the probe and "SET" decide anything.
    QCoro::Task<> wordExchange(const QByteArray &command, const QByteArray &values, const QString &setFailLine);
    // Probe, "RQS" and a reset command; false when the port failed.
    QCoro::Task<bool> resetExchange(const QByteArray &command, const QString &done, const QString &notDone);
    // Writes 0xFC, "SET" and "NG1" or "NG2" 20 ms apart, without pausing
    // real-time data; any byte back counts as the answer.
    QCoro::Task<> TogglePolarity(int channel);

    // The block is complete once this much quiet follows its 33 bytes:
    // radio links deliver it in pieces.
    static constexpr std::chrono::milliseconds kBlockQuiet{50};

private:
    QCoro::Task<bool> probeTwice();
    QCoro::Task<bool> collectBlock();
    QCoro::Task<bool> ackAfterWrite(const QByteArray &bytes);

    ProgramFlags &m_flags;
    CommandExchange &m_exchange;
    RealtimeControl &m_realtime;
    DialogueGate &m_gate;
    StatusBox &m_realtimeBox;
    Dialogs &m_dialogs;
    StatusList &m_list;
    bool m_pauseStopped = false;
};
