#pragma once

#include "app/program.h"
#include "channel_model.h"
#include "link/bridge_client.h"
#include "scripted_dialogs.h"
#include "text_file.h"

#include <gtest/gtest.h>

#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// A headless program whose bridge listener tests drive with QTcpSocket
// clients playing the bridge; every accepted sample's seconds counter is kept.
struct BridgeFixture : ::testing::Test
{
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    QString ini = dir.filePath("QMNpilot.ini");
    std::unique_ptr<Program> program;
    QList<qint64> samples;

    void startProgram(const QString &startupKeys = {})
    {
        ASSERT_TRUE(writeText(ini, "[startup]\n" + startupKeys));
        program = std::make_unique<Program>(ini, dir.filePath("data"), dialogs);
        program->dispatch().addStep("record", [this](const RealtimeSample &) { samples << program->sample().secondsCounter; });
        program->startUp();
    }

    BridgeListener &bridge() { return program->bridge(); }

    // Connects and waits until the listener holds this client.
    static bool connectClient(QTcpSocket &client, int port)
    {
        client.connectToHost(QHostAddress::LocalHost, quint16(port));
        return client.waitForConnected(5000);
    }

    // One write, read by the listener as one arrival before the next.
    bool send(QTcpSocket &client, const QByteArray &block)
    {
        const qint64 expected = bridge().bytesReceived() + block.size();
        client.write(block);
        return QTest::qWaitFor([&] { return bridge().bytesReceived() >= expected; }, 5000);
    }

    static QList<SimPacket> makePackets(int count)
    {
        ChannelModel model;
        model.setConstant(1500, 300);
        model.setVoltage(230);
        QList<SimPacket> packets;
        for (int i = 0; i < count; ++i)
            packets << model.nextPacket();
        return packets;
    }
};
