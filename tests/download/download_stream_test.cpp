// The logger stream fed one byte at a time, and the unit information.
#include "download/download_stream.h"
#include "download/unit_info.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

struct StreamCase
{
    const char *name;
    QByteArray input;
    QByteArray data;   // what would be saved
    int acks;          // 0xFC written by the stream
    QStringList lines;
    DownloadStream::State state;
};

struct Fed
{
    int acks = 0;
    QStringList lines;
    DownloadStream stream{{[this] { ++acks; }, [this](const QString &l) { lines << l; }}};
    void feed(const QByteArray &bytes)
    {
        for (char b : bytes)
            stream.ReadDownload(quint8(b));
    }
};

struct Stream : ::testing::TestWithParam<StreamCase> {};

const QByteArray kRecord("\x10\x27\x20\x4E\x78", 5);
const QByteArray kMarker("\xFE\xFE", 2);

} // namespace

TEST_P(Stream, SavesTheDataAndAnswersTheMonitor)
{
    const StreamCase &c = GetParam();
    Fed f;
    f.stream.reset(2);
    f.feed(c.input);
    EXPECT_EQ(f.stream.data().toHex(' '), c.data.toHex(' '));
    EXPECT_EQ(f.acks, c.acks);
    EXPECT_EQ(f.lines, c.lines);
    EXPECT_EQ(f.stream.state(), c.state);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Stream,
    ::testing::Values(
        StreamCase{"LoneFeIsData", kRecord + "\xFE\x12\xFE\x34", kRecord + "\xFE\x12\xFE\x34", 0, {},
                   DownloadStream::State::Data},
        StreamCase{"OtherTailIsNoSuccess", kRecord + kMarker + '\0' + "ENX", kRecord + kMarker, 3, {},
                   DownloadStream::State::Final},
        // A monitor answering each 0xFC gets no further 0xFC: the exchange ends.
        StreamCase{"NothingAfterTheTail", kRecord + kMarker + '\0' + "END" + "\xFC\xFC\xFE\xFE", kRecord + kMarker,
                   3, {"SUCCESS"}, DownloadStream::State::Final}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(UnitInfo, RecordCount)
{
    EXPECT_EQ(UnitInfo::recordCount(0x00017C), 53); // 380: 53.6 records
    EXPECT_EQ(UnitInfo::recordCount(111), -1);
    EXPECT_EQ(UnitInfo::recordCount(4 * 65536 + 65535), 65513);
}
