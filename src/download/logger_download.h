#pragma once

#include "common/status_box.h"
#include "common/status_list.h"
#include "download/download_stream.h"

#include <QObject>

#include <qcoro/qcorotask.h>

#include <chrono>

class CommandExchange;
class Dialogs;
class RadioDongle;
class RealtimeControl;
class SerialLink;
struct ProgramFlags;
struct Settings;

// The data-logger download: unit information, the logger's stream, the end
// marker and its tail, the save and the abort. Owned by the program; the
// download window shows its list, boxes and progress and may close at any
// time.
class LoggerDownload : public QObject
{
    Q_OBJECT
public:
    struct Parts
    {
        ProgramFlags &flags;
        Settings &settings;
        SerialLink &serial;
        CommandExchange &exchange;
        RadioDongle &radio;
        RealtimeControl &realtime;
        Dialogs &dialogs;
    };

    explicit LoggerDownload(const Parts &parts, QObject *parent = nullptr);

    // "Start": the whole download, from the link preamble to the save.
    QCoro::Task<> Start();
    // "Abort" and "Exit": the running download stops and the monitor is
    // told to end it.
    void abort();
    bool isRunning() const { return m_running; }

    // Every byte the serial port receives while downloadMode is set.
    void takeBytes(const QByteArray &bytes);
    // A line-status or error event of the port.
    void commEvent(int code);

    // The save dialog's answer to saveRequested(): the data file written,
    // or empty when nothing was saved.
    void finishSave(const QString &qmnPath);
    // The save dialog's "Cancel": the port is closed, nothing is saved.
    void cancelSave();

    StatusList &messages() { return m_messages; }
    Dialogs &dialogs() { return m_dialogs; }
    StatusBox &commBox() { return m_commBox; }
    QString deviceId() const { return m_deviceId; }
    QString intervalText() const { return m_intervalText; }
    QString recordsText() const { return m_recordsText; }
    int progressMaximum() const { return m_stream.progressMaximum(); }
    int progressValue() const { return m_stream.progressValue(); }
    // The download as saved, and its storage interval.
    QByteArray data() const { return m_data; }
    int interval() const { return m_interval; }
    QString savedFileName() const { return m_savedFileName; }
    const DownloadStream &stream() const { return m_stream; }

    // The window's status box on opening.
    void showPortState();

    static constexpr int kUnitInfoTries = 3;
    // How long the end of the monitor's tail is awaited after the save.
    static constexpr int kTailSeconds = 2;

signals:
    void boxesChanged();
    void progressChanged(int value, int maximum);
    void runningChanged(bool running);
    // The download is complete: the save dialog should open and answer
    // with finishSave() or cancelSave().
    void saveRequested();
    // The data file was saved: the main list shows it.
    void openFileRequested(const QString &qmnPath);
    void communicationPanelRequested();
    // Wakes the waits of the dialogue: a byte, an abort, a save.
    void wake();

private:
    QCoro::Task<> run();
    QCoro::Task<bool> preamble();
    QCoro::Task<bool> GetUnitInfo();
    QCoro::Task<bool> requestUnitInfo();
    // Answers the monitor and expects `count` bytes 300 ms later; a short
    // answer shows its box and aborts.
    QCoro::Task<bool> askForBytes(int count, const char *shortAnswer);
    QCoro::Task<> Abort();
    // Abort, and the unit information is not to be had.
    QCoro::Task<bool> giveUp();
    QCoro::Task<> FinishDownload();
    // The window's own probe, which neither checks nor opens the port.
    QCoro::Task<bool> Send_Receive_Ack();
    QCoro::Task<> Dly(int ms);
    // Commands here wait this much less after an acknowledgement than the
    // other dialogues do.
    static constexpr std::chrono::milliseconds kAckPause{40};
    void writeAck();

    ProgramFlags &m_flags;
    Settings &m_settings;
    SerialLink &m_serial;
    CommandExchange &m_exchange;
    RadioDongle &m_radio;
    RealtimeControl &m_realtime;
    Dialogs &m_dialogs;

    StatusList m_messages;
    StatusBox m_commBox{QStringLiteral("COM port is not open"), StatusBox::Colour::Bad};
    DownloadStream m_stream;
    QString m_deviceId;
    QString m_intervalText;
    QString m_recordsText;
    QByteArray m_data;
    int m_interval = 0;
    int m_records = 0;
    QString m_savedFileName;
    bool m_abortFlag = false;
    bool m_saveDone = false;
    bool m_running = false;
};
