#pragma once

#include "common/status_list.h"
#include "device/load_switches.h"

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
class SerialLink;
class StatusBox;
struct ProgramFlags;
struct RealtimeSample;

// What the device utility does, without its window: reading and writing the
// monitor's settings, the serial number, the acknowledgement test, the
// resets, the polarity switches and the load flags. The box texts and the
// list live here, so a dialogue that outlives its window still has
// somewhere to put its results, and a window opened again shows them.
class DeviceUtility : public QObject
{
    Q_OBJECT
public:
    enum Box {
        Ch1Type, Ch1Range, Ch2Type, Ch2Range, PtType, PtRange, Interval, Firmware, DeviceId,
        Address, Frequency, SerialNumber, Response, BoxCount
    };
    enum class Reset { All, LoggerOnly, CountersOnly };

    struct Parts
    {
        ProgramFlags &flags;
        SerialLink &serial;
        CommandExchange &exchange;
        RealtimeControl &realtime;
        DialogueGate &gate;
        StatusBox &realtimeBox;
        Dialogs &dialogs;
        RealtimeSample &sample;
        LoadSwitches::SaveKeys saveKeys;
        Settings &settings;
    };

    explicit DeviceUtility(const Parts &parts, QObject *parent = nullptr);

    StatusList &list() { return m_list; }
    LoadSwitches &loads() { return m_loads; }
    QString box(Box b) const { return m_boxes[b]; }
    void setBox(Box b, const QString &text);
    bool isBusy() const { return m_busy > 0; }

    // The window opens: an empty list and the address of the latest packet.
    void opened();

    // Presets of "CT Setup": both channels get the type and the range.
    void RefrCT(int CT_Type, int CT_Range);
    // Option 0 "SPLIT-60 CT" to 3 "SPLIT-200 or CLAMP-200".
    void preset(int option);

    // Buttons.
    QCoro::Task<> readSettings();
    QCoro::Task<> readSerialNumber();
    QCoro::Task<> sendAcknowledge();
    QCoro::Task<> acceptCt(int channel);
    QCoro::Task<> acceptPt();
    QCoro::Task<> acceptInterval();
    QCoro::Task<> acceptDeviceId();
    QCoro::Task<> saveAddress();
    QCoro::Task<> saveFrequency();
    QCoro::Task<> reset(Reset which);
    void resetPreResetValues();
    QCoro::Task<> togglePolarity(int channel);

    // Writes 0xFC, "SET" and "NG1" or "NG2" 20 ms apart, without pausing
    // real-time data; any byte back counts as the answer.
    QCoro::Task<> TogglePolarity(int channel);

    // The block is complete once this much quiet follows its 33 bytes:
    // radio links deliver it in pieces.
    static constexpr std::chrono::milliseconds kBlockQuiet{50};

signals:
    void boxChanged(DeviceUtility::Box box);
    void busyChanged(bool busy);

private:
    enum class Outcome { Clean, Reported, Aborted, PortFailed };
    struct WireStep
    {
        QByteArray command; // empty for a value byte
        quint8 value = 0;
        QString failLine;   // abort line of a command, report line of a value
    };
    static WireStep command(const QByteArray &name, const QString &abortLine);
    static WireStep value(int byte, const QString &failLine);
    class BusyPointer;

    QCoro::Task<bool> pause();
    // The pause, or the line that says the port is the problem.
    QCoro::Task<bool> pauseOrReport();
    QCoro::Task<> restore();
    QCoro::Task<bool> probeTwice();
    QCoro::Task<bool> ReadSettings();
    QCoro::Task<bool> collectBlock();
    // At least `count` bytes waiting within the monitor's two seconds.
    QCoro::Task<bool> waitForBytes(qint64 count);
    // Probe, "SET", "SS", "RR", "NN", five bytes and an acknowledgement; the
    // failure line, empty on success.
    QCoro::Task<QString> serialNumberExchange();
    // The frame of every configuration write: the stop unless the pause did
    // it, the probe, "SET", then the steps.
    QCoro::Task<Outcome> configWrite(const QList<WireStep> &steps, const QString &portErrorBox);
    QCoro::Task<Outcome> WriteCTsetting(int CTtype, int CTrange, int CH);
    QCoro::Task<Outcome> WritePTsetting(int PTtype, int PTrange);
    // The address and packet-frequency saves: whole commands straight to the
    // port; only the probe and "SET" decide anything.
    QCoro::Task<> saveWord(const QByteArray &command, const QByteArray &values, const QString &setFailLine);
    // Probe, "RQS" and a reset command; false when the port failed.
    QCoro::Task<bool> resetExchange(const QByteArray &command, const QString &done, const QString &notDone);
    QCoro::Task<bool> ackAfterWrite(const QByteArray &bytes);
    void setBusy(bool on);

    ProgramFlags &m_flags;
    SerialLink &m_serial;
    CommandExchange &m_exchange;
    RealtimeControl &m_realtime;
    DialogueGate &m_gate;
    StatusBox &m_realtimeBox;
    Dialogs &m_dialogs;
    RealtimeSample &m_sample;
    LoadSwitches m_loads;
    StatusList m_list;
    QString m_boxes[BoxCount];
    int m_busy = 0;
    // This dialogue's pause stopped real-time: its own stop step is moot.
    bool m_pauseStopped = false;
};
