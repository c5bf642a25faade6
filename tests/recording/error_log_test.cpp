#include "recording/error_log.h"

#include "scripted_dialogs.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Sizes before one append of "SQLite, x\n" (10 bytes): only a file that ends
// up larger than 10000000 bytes stops the program.
class ErrorLogLimit : public ::testing::TestWithParam<std::pair<qint64, bool>> {};

TEST_P(ErrorLogLimit, EndsTheProgramOncePastTheLimit)
{
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    int exits = 0;
    ErrorLog log{dir.path(), dialogs, [&] { ++exits; }};
    const auto [before, stops] = GetParam();
    {
        QFile f(log.filePath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.resize(before));
    }
    log.LogError("SQLite", "x");
    const qint64 after = before + 10;
    EXPECT_EQ(QFileInfo(log.filePath()).size(), after);
    if (!stops) {
        EXPECT_TRUE(dialogs.messages.isEmpty());
        EXPECT_EQ(exits, 0);
        return;
    }
    EXPECT_EQ(dialogs.messages,
              QStringList(log.filePath() + " is now " + QString::number(after)
                          + "bytes.  Please review and delete file.  It will automatically be recreated on next "
                            "error. The Program must end now."));
    EXPECT_EQ(exits, 1);

    // Samples arriving while the program shuts down still log, but ask no more.
    log.LogError("SQLite", "y");
    EXPECT_EQ(QFileInfo(log.filePath()).size(), after + 10);
    EXPECT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(exits, 1);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ErrorLogLimit,
                         ::testing::Values(std::pair<qint64, bool>{9999990, false},
                                           std::pair<qint64, bool>{9999991, true}));

} // namespace
