#pragma once

#include <QObject>

#include <qcoro/qcorotask.h>

class CommandExchange;
class DialogueGate;
class SerialLink;
class StatusList;
struct ProgramFlags;

// Brings a ZigBee radio dongle into contact with the monitor's radio node:
// "+++" puts the dongle into command mode, "ATDNE<generation>" and a
// carriage return selects the node named E1, E2 or E3. Each answer is
// awaited for up to seven seconds.
class RadioDongle : public QObject
{
    Q_OBJECT
public:
    RadioDongle(SerialLink &serial, CommandExchange &exchange, DialogueGate &gate, ProgramFlags &flags,
                StatusList &mainStatus, QObject *parent = nullptr);

    // Reports to the main status list and remembers a success in
    // nodeDiscovered. Waits for any other dialogue to end first.
    QCoro::Task<> DiscoverRadioNode(int generation);
    // The communication panel's search: reports to the panel's list and,
    // like the search at the start of real-time data, remembers a success in
    // nodeDiscovered. Waits for any other dialogue to end first.
    QCoro::Task<> FindZigbeeMonitor(int Zversion, StatusList &panelList);

    // The dialogue itself, for a caller that already holds the dialogue gate.
    // True when the node was discovered.
    QCoro::Task<bool> discover(int generation, StatusList &list, bool markDiscovered);

    // The time limit of each of the two answers.
    static constexpr int kAnswerSeconds = 7;

signals:
    // The window whose list receives the lines shows the busy pointer.
    void busy(bool on, const StatusList *list);

private:
    enum class Answer { Ok, Error, None };
    QCoro::Task<Answer> awaitAnswer(char &previous);

    SerialLink &m_serial;
    CommandExchange &m_exchange;
    DialogueGate &m_gate;
    ProgramFlags &m_flags;
    StatusList &m_mainStatus;
};
