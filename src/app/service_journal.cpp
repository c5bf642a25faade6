#include "app/service_journal.h"

#include "app/program.h"

#include <QTimer>

ServiceJournal::ServiceJournal(Program &program, Writer write, QObject *parent)
    : QObject(parent)
    , m_program(program)
    , m_write(std::move(write))
{
    followList(program.mainStatus(), QStringLiteral("main"));
    followList(program.comPanel().messages(), QStringLiteral("panel"));
    connect(&program.portal(), &PortalUpload::portalStatusChanged, this,
            [this](const QString &text) { m_write(QStringLiteral("web: ") + text.simplified()); });
    followBox(program.serialBox(), QStringLiteral("main"));
    followBox(program.realtimeBox(), QStringLiteral("main"));

    BridgeListener &bridge = program.bridge();
    connect(&bridge, &BridgeListener::bridgeAccepted, this, [this](const QString &peer) {
        QString line = QStringLiteral("bridge: connected from ") + peer;
        if (!m_peer.isEmpty())
            line += QStringLiteral(" in place of ") + m_peer;
        m_peer = peer;
        m_write(line);
    });
    connect(&bridge, &BridgeListener::stateChanged, this, &ServiceJournal::onBridgeState);
}

void ServiceJournal::followList(StatusList &list, const QString &name)
{
    connect(&list, &QAbstractItemModel::rowsInserted, this, [this, &list, name](const QModelIndex &, int first, int last) {
        for (int row = first; row <= last; ++row) {
            // The line's text is set right after its row is made.
            QTimer::singleShot(0, this, [this, &list, name, row] {
                m_write(name + QStringLiteral(": ") + list.index(row).data().toString().simplified());
            });
        }
    });
}

void ServiceJournal::followBox(StatusBox &box, const QString &name)
{
    // A box changes only when its text or colour does. The colour alone
    // changes when the port is closed from the menu and the box still reads
    // "COM Port is Open" on red: the line says so.
    auto shown = std::make_shared<QString>(box.text());
    connect(&box, &StatusBox::changed, this, [this, &box, name, shown] {
        QString line = name + QStringLiteral(": ") + box.text();
        if (box.text() == *shown)
            line += box.isGood() ? QStringLiteral(" (on green)") : QStringLiteral(" (on red)");
        *shown = box.text();
        m_write(line);
    });
}

void ServiceJournal::onBridgeState(int state)
{
    const BridgeListener &bridge = m_program.bridge();
    switch (state) {
    case BridgeListener::Listening: {
        const QString listening = QStringLiteral("Listening on port %1").arg(bridge.listeningPort());
        m_write(m_peer.isEmpty() ? QStringLiteral("bridge: ") + listening
                                 : QStringLiteral("bridge: %1 went away; %2").arg(m_peer, listening));
        m_peer.clear();
        return;
    }
    case BridgeListener::Closed:
        m_write(QStringLiteral("bridge: NetDock Server Closed"));
        m_peer.clear();
        return;
    default:
        return; // a connection: told by bridgeAccepted, with its address
    }
}
