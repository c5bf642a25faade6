#pragma once

#include <QObject>
#include <QString>

#include <functional>

class Program;
class StatusBox;
class StatusList;

// What the windows would show, as lines for a service's journal: the status
// lists line by line, and each change of what a window tells by colour or
// title (the port, real-time data, the bridge listener and its bridge) once,
// when it changes. Each line starts with where a window would show it.
class ServiceJournal : public QObject
{
    Q_OBJECT
public:
    using Writer = std::function<void(const QString &line)>;

    ServiceJournal(Program &program, Writer write, QObject *parent = nullptr);

private:
    void followList(StatusList &list, const QString &name);
    void followBox(StatusBox &box, const QString &name);
    void onBridgeState(int state);

    Program &m_program;
    Writer m_write;
    // The bridge being served, kept here: the listener forgets it as it goes.
    QString m_peer;
};
