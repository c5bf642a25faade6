#pragma once

#include "common/status_list.h"
#include "device/device_exchange.h"
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


signals:
    void boxChanged(DeviceUtility::Box box);
    void busyChanged(bool busy);

private:
    class BusyPointer;

    QCoro::Task<bool> pause();
    // The pause, or the line that says the port is the problem.
    QCoro::Task<bool> pauseOrReport();
    QCoro::Task<> restore();
    QCoro::Task<> saveWord(const QByteArray &command, const QByteArray &values, const QString &setFailLine);
    void setBusy(bool on);

    ProgramFlags &m_flags;
    CommandExchange &m_exchange;
    RealtimeControl &m_realtime;
    Dialogs &m_dialogs;
    RealtimeSample &m_sample;
    LoadSwitches m_loads;
    StatusList m_list;
    DeviceExchange m_wire;
    QString m_boxes[BoxCount];
    int m_busy = 0;
};
