#include "recording/error_log.h"

#include "scripted_dialogs.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct LogFixture
{
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    int exits = 0;
    ErrorLog log{dir.path(), dialogs, [this] { ++exits; }};

    QByteArray contents() const
    {
        QFile f(log.filePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void prepare(qint64 size) const
    {
        QFile f(log.filePath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(size));
    }
};

TEST(ErrorLog, FirstErrorCreatesTheFileWithOneLineAndLaterOnesAppend)
{
    LogFixture f;
    EXPECT_EQ(f.log.filePath(), f.dir.filePath("errorLog.txt"));
    EXPECT_FALSE(QFile::exists(f.log.filePath()));

    f.log.LogError("SQLite", "no such table: qmn_power, insert into x");
    EXPECT_EQ(f.contents(), "SQLite, no such table: qmn_power, insert into x\n");
    f.log.LogError("Access", "2024-01-02 03:04:05 \nADO Error # 1:");
    EXPECT_EQ(f.contents(), "SQLite, no such table: qmn_power, insert into x\n"
                            "Access, 2024-01-02 03:04:05 \nADO Error # 1:\n");
    EXPECT_TRUE(f.dialogs.messages.isEmpty());
    EXPECT_EQ(f.exits, 0);
}

// Sizes before one append of "SQLite, x\n" (10 bytes): only a file that ends
// up larger than 10000000 bytes stops the program.
class ErrorLogLimit : public ::testing::TestWithParam<std::pair<qint64, bool>>
{
};

TEST_P(ErrorLogLimit, EndsTheProgramOncePastTheLimit)
{
    LogFixture f;
    const auto [before, stops] = GetParam();
    f.prepare(before);
    f.log.LogError("SQLite", "x");
    const qint64 after = before + 10;
    EXPECT_EQ(QFileInfo(f.log.filePath()).size(), after);
    if (!stops) {
        EXPECT_TRUE(f.dialogs.messages.isEmpty());
        EXPECT_EQ(f.exits, 0);
        return;
    }
    EXPECT_EQ(f.dialogs.messages,
              QStringList(f.log.filePath() + " is now " + QString::number(after)
                          + "bytes.  Please review and delete file.  It will automatically be recreated on next "
                            "error. The Program must end now."));
    EXPECT_EQ(f.exits, 1);

    // Samples arriving while the program shuts down still log, but ask no more.
    f.log.LogError("SQLite", "y");
    EXPECT_EQ(QFileInfo(f.log.filePath()).size(), after + 10);
    EXPECT_EQ(f.dialogs.messages.size(), 1);
    EXPECT_EQ(f.exits, 1);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ErrorLogLimit,
                         ::testing::Values(std::pair<qint64, bool>{9999990, false},
                                           std::pair<qint64, bool>{9999991, true},
                                           std::pair<qint64, bool>{9999999, true}));

TEST(ErrorLog, AnUnwritableFolderIsIgnored)
{
    QTemporaryDir dir;
    const QString blocker = dir.filePath("not-a-folder");
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    ScriptedDialogs dialogs;
    int exits = 0;
    ErrorLog log(blocker, dialogs, [&] { ++exits; });
    log.LogError("SQLite", "x");
    EXPECT_EQ(QFileInfo(blocker).size(), 0);
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(exits, 0);
}

} // namespace
