#pragma once

#include <QObject>
#include <QSerialPort>
#include <QString>

#include <qcoro/qcorotask.h>

class Dialogs;
class PortMap;
class StatusBox;
class StatusList;

// The program's one serial port, shared by the real-time receiver, the
// command dialogues, the radio dongle dialogue and the logger download.
class SerialLink : public QObject
{
    Q_OBJECT
public:
    SerialLink(const PortMap &ports, StatusBox &serialBox, StatusBox &panelPortBox, StatusList &mainStatus,
               Dialogs &dialogs, QObject *parent = nullptr);

    int portNumber() const { return m_portNumber; }
    void setPortNumber(int number) { m_portNumber = number; }
    QString devicePath() const;

    bool isOpen() const { return m_port.isOpen(); }
    QSerialPort &port() { return m_port; }

    // Configures and opens the port, shows the open state and lets the line
    // settle for 500 ms. When the open fails, asks whether to search for
    // ports; when the port stops working while it settles, returns false
    // without asking (see failedAfterOpening()).
    QCoro::Task<bool> OpenPort();
    // The last OpenPort opened the port, which then stopped working (a USB
    // adapter pulled) before it settled: the caller reports that in its own
    // words, as searching for ports is no answer to it.
    bool failedAfterOpening() const { return m_failedAfterOpening; }
    // Configure and open without any box or delay; the reason on failure.
    bool openQuietly(QString *reason = nullptr);
    // Closes the port if open and shows the closed state.
    void ClosePort();
    // The menu's "Close COM Port": the boxes turn red, the text stays.
    void closeFromMenu();
    // Waits up to two seconds for input and returns what one read gives;
    // empty at the deadline or as soon as `abort` is set. A positive
    // `maxBytes` leaves the rest of the input for the next read. A port that
    // stops working meanwhile gives the box "ReadBufferError" and empty.
    QCoro::Task<QByteArray> ReadPortChunk(const bool &abort, qint64 maxBytes = -1);

    // The wording of the last open failure, for the boxes that report it.
    QString lastOpenFailure() const { return m_lastFailure; }

signals:
    void dataReceived();
    void opened();
    void closed();
    // The user answered Yes to "search for available ports".
    void portSearchRequested();
    // A line-status or error event of the port, with the classic event code.
    void commEvent(int code);

private:
    void onError(QSerialPort::SerialPortError error);
    void showOpen();

    const PortMap &m_ports;
    StatusBox &m_serialBox;
    StatusBox &m_panelPortBox;
    StatusList &m_mainStatus;
    Dialogs &m_dialogs;
    QSerialPort m_port;
    int m_portNumber = 1;
    QString m_lastFailure;
    // Counts the times an open port stopped working, so a wait can tell
    // whether that happened while it waited.
    int m_breaks = 0;
    bool m_failedAfterOpening = false;
};
