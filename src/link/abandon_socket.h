#pragma once

#include <QObject>
#include <QPointer>
#include <QTcpSocket>

// Cuts the connection at once and lets the socket go. Deleting it now would
// pull it from under a handler of its own further up the stack, so it is
// deleted from the event loop; nothing of it reaches `receiver` any more.
inline void abandonSocket(QPointer<QTcpSocket> &socket, QObject *receiver)
{
    if (!socket)
        return;
    QTcpSocket *old = socket;
    socket = nullptr;
    old->disconnect(receiver);
    old->abort();
    old->deleteLater();
}
