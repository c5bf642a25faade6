#pragma once

#include "link/bridge_listener.h"

#include <QCoreApplication>
#include <QTcpServer>

// The listener only takes ports 1 to 32767, below the ephemeral range the
// system hands out for port 0, so tests pick their own, spread by process so
// that test programs running side by side do not meet.
inline int firstCandidatePort()
{
    return 20000 + int(QCoreApplication::applicationPid() % 1000) * 10;
}

// Listens on the first free candidate port; 0 when none was free.
inline int listenOnFreePort(BridgeListener &bridge)
{
    for (int port = firstCandidatePort(); port < firstCandidatePort() + 400; ++port) {
        if (bridge.netDockConnect(QString::number(port)) == BridgeListener::ConnectResult::Listening)
            return port;
    }
    return 0;
}

// A port that was free a moment ago, for a settings file.
inline int freePort()
{
    for (int port = firstCandidatePort() + 400; port < firstCandidatePort() + 800; ++port) {
        QTcpServer probe;
        if (probe.listen(QHostAddress::Any, quint16(port)))
            return port;
    }
    return 0;
}
