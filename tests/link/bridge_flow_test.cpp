// The bridge road end to end: listening from start-up into database rows,
// and a flooding bridge that must not make the program swell.
#include "link/bridge_fixture.h"
#include "link/flood_source.h"
#include "recording/database_creator.h"
#include "stored_rows.h"

namespace {

// Streams the source through the client, never holding more than a few
// chunks in the client's buffer, and waits until the listener read it all.
bool flood(BridgeFixture &f, QTcpSocket &client, FloodSource &source)
{
    constexpr qint64 kChunk = 64 * 1024;
    const qint64 start = f.bridge().bytesReceived() - source.bytesMade();
    const auto topUp = [&] {
        while (client.bytesToWrite() < 4 * kChunk && !source.done())
            client.write(source.next(kChunk));
    };
    const auto connection = QObject::connect(&client, &QTcpSocket::bytesWritten, topUp);
    topUp();
    const bool all = QTest::qWaitFor(
        [&] { return source.done() && f.bridge().bytesReceived() - start >= source.bytesMade(); }, 60000);
    QObject::disconnect(connection);
    return all;
}

} // namespace

TEST_F(BridgeFixture, StartUpSwitchListensAndEveryPacketAfterTheFirstArrivalBecomesARow)
{
    const QString db = dir.filePath("qmn.db");
    QString error;
    ASSERT_TRUE(createSqliteDatabase(db, &error)) << qPrintable(error);
    const int port = freePort();
    ASSERT_GT(port, 0);
    startProgram(QStringLiteral("StartupNetDockIsOn=True\nnetdockPort=%1\ndbtype=SQlite\nsqldbpath=%2\n")
                     .arg(port)
                     .arg(db));
    ASSERT_EQ(bridge().state(), BridgeListener::Listening);

    const QList<SimPacket> packets = makePackets(30);
    QByteArray stream;
    for (const SimPacket &p : packets)
        stream += encodePacket(p);
    QTcpSocket client;
    ASSERT_TRUE(connectClient(client, port));
    // The first arrival holds the start of packet 0, which is lost with it;
    // the rest comes in blocks that cut packets anywhere.
    const int sizes[] = {1, 7, 13, 29, 50, 97, 3, 44, 42};
    int at = 17;
    ASSERT_TRUE(send(client, stream.left(at)));
    for (int i = 0; at < stream.size(); ++i) {
        const int n = sizes[i % std::size(sizes)];
        ASSERT_TRUE(send(client, stream.mid(at, n)));
        at += n;
    }
    ASSERT_EQ(samples.size(), packets.size() - 1);

    QList<QList<double>> expected;
    for (int i = 1; i < packets.size(); ++i)
        expected << QList<double>{double(packets[i].energy1)};
    EXPECT_EQ(storedRows(db, "select e1a from qmn_power order by rowid"), expected);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << qPrintable(dialogs.messages.join('\n'));
}

TEST_F(BridgeFixture, FloodOfNoiseAndPacketsStaysInBoundedMemory)
{
    startProgram();
    const int port = listenOnFreePort(bridge());
    ASSERT_GT(port, 0);
    QTcpSocket client;
    ASSERT_TRUE(connectClient(client, port));
    ASSERT_TRUE(send(client, "dropped"));

    // A first round puts the buffers and caches of both ends in place.
    FloodSource source(2 << 20);
    ASSERT_TRUE(flood(*this, client, source));
    ASSERT_EQ(samples.size(), source.framablePackets());

    // 16 MB here; bench_bridge measures 50 MB.
    const qint64 before = residentKiB();
    const qint64 packetsBefore = source.packetsMade(), framableBefore = source.framablePackets();
    source.extend(16 << 20);
    ASSERT_TRUE(flood(*this, client, source));
    const qint64 grown = residentKiB() - before;
    ASSERT_GT(before, 0);
    EXPECT_LE(grown, 6 * 1024) << "KiB";
    // Whatever the noise around them, the packets all count.
    EXPECT_EQ(samples.size(), source.framablePackets());
    EXPECT_GT(source.framablePackets() - framableBefore, (source.packetsMade() - packetsBefore) * 99 / 100);
}
