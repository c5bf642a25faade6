#include "recording/insert_statement.h"

#include "recording_fixture.h"
#include "stored_rows.h"

#include <QDateTime>
#include <QFileInfo>

namespace {

using SqliteLogging = RecordingFixture;

// Another program holding the file locked makes the commit fail like a
// read-only file would (which root, running these tests, writes anyway).
TEST_F(SqliteLogging, AFailedCommitIsLoggedOnceAndItsRowsAreWrittenWhenTheFileIsFree)
{
    const QString db = useSqlite();
    sqlite3 *holder = nullptr;
    ASSERT_EQ(sqlite3_open(db.toUtf8().constData(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "begin exclusive", nullptr, nullptr, nullptr), SQLITE_OK);
    logSamples(0, 2);
    logger.commitPending();
    logger.commitPending();
    const QString expectedLog = errorLogText();
    ASSERT_FALSE(status.lines().isEmpty());
    EXPECT_TRUE(status.lines().last().startsWith("SQLite: 2 rows could not be written (database is locked)"))
        << status.lines().last().toStdString();
    EXPECT_EQ(logger.pendingRows(), 2);

    sqlite3_exec(holder, "rollback", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    logSamples(2, 3);
    logger.commitPending();
    EXPECT_EQ(storedRows(db, "select p1 from qmn_power order by rowid"),
              QList<QList<double>>({{makeSample(0).p1}, {makeSample(1).p1}, {makeSample(2).p1}}));
    // Each row's failure told once, with the time the row was stored with.
    const auto times = storedTexts(db, "select _time from qmn_power order by rowid");
    ASSERT_EQ(times.size(), 3);
    QString logged;
    for (int i = 0; i < 2; ++i)
        logged += "SQLite, database is locked, " + sqliteInsertStatement(valueLiterals(makeSample(i)), times[i][0]) + "\n";
    EXPECT_EQ(expectedLog.toStdString(), logged.toStdString());
    EXPECT_EQ(errorLogText(), expectedLog);
    EXPECT_EQ(logger.pendingRows(), 0);
}

// The file moved away (a yearly rotation), or deleted, between two commits;
// a new one made at the path before the second commit, or not yet.
struct FileChange
{
    const char *name;
    bool moved;     // to 2025.db, else deleted
    bool createNew; // before the second commit
};

class SqliteFileChange : public RecordingFixture, public ::testing::WithParamInterface<FileChange> {};

TEST_P(SqliteFileChange, EachCommitGoesToTheFileAtThePathAndEarlierRowsStayWholeInTheirs)
{
    const FileChange change = GetParam();
    const QString db = useSqlite();
    const QString old = path("2025.db");
    logSamples(0, 2);
    logger.commitPending();
    ASSERT_TRUE(change.moved ? QFile::rename(db, old) : QFile::remove(db));
    if (change.createNew)
        ASSERT_TRUE(createSqliteDatabase(db, nullptr));
    logSamples(2, 3);
    logger.commitPending();

    // Read without the program's log beside it: the rows are in the file.
    if (change.moved) {
        const auto kept = storedRows(old, "select p1 from qmn_power order by rowid");
        ASSERT_EQ(kept.size(), 2);
        EXPECT_EQ(kept[1][0], makeSample(1).p1);
    }
    if (!change.createNew) {
        // Held and told as for a file that cannot be written, until one is there.
        EXPECT_EQ(logger.pendingRows(), 1);
        EXPECT_TRUE(errorLogText().startsWith("SQLite, unable to open database file: " + db + ", insert "))
            << errorLogText().toStdString();
        EXPECT_EQ(errorLogText().count('\n'), 1);
        ASSERT_TRUE(createSqliteDatabase(db, nullptr));
        logger.commitPending();
    }
    EXPECT_EQ(logger.pendingRows(), 0);
    EXPECT_EQ(storedRows(db, "select p1 from qmn_power"), QList<QList<double>>({{makeSample(2).p1}}));
}

INSTANTIATE_TEST_SUITE_P(Changes, SqliteFileChange,
                         ::testing::Values(FileChange{"Rotated", true, true}, FileChange{"Moved", true, false},
                                           FileChange{"Deleted", false, false}),
                         [](const auto &info) { return std::string(info.param.name); });

// The error log passes its limit in the middle of a failed commit. Its box
// runs an event loop, where samples arrive and the commit timer fires; it
// comes once the commit is done with its rows.
TEST_F(SqliteLogging, AFullErrorLogDuringAFailedCommitAsksToEndOnceTheCommitIsDone)
{
    const QString db = useSqlite();
    sqlite3 *holder = nullptr;
    ASSERT_EQ(sqlite3_open(db.toUtf8().constData(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "begin exclusive", nullptr, nullptr, nullptr), SQLITE_OK);
    {
        QFile log(errorLog.filePath());
        ASSERT_TRUE(log.open(QIODevice::WriteOnly) && log.resize(ErrorLog::kSizeLimit - 10));
    }
    logSamples(0, 3);
    dialogs.onMessage = [&](const QString &) {
        sqlite3_exec(holder, "rollback", nullptr, nullptr, nullptr);
        logSamples(3, 4);
        logger.commitPending();
    };
    logger.commitPending();
    sqlite3_close(holder);
    EXPECT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(exitRequests, 1);
    EXPECT_EQ(logger.pendingRows(), 0);
    EXPECT_EQ(storedRows(db, "select p1 from qmn_power order by rowid"),
              QList<QList<double>>({{makeSample(0).p1}, {makeSample(1).p1}, {makeSample(2).p1}, {makeSample(3).p1}}));
    EXPECT_EQ(errorLogText().count("SQLite, database is locked, insert "), 3);
}

// A database that cannot be written for hours costs the oldest rows, said
// in one line, not the program's memory.
TEST_F(SqliteLogging, RowsWaitingBeyondTheBoundDropTheOldestWithOneLine)
{
    const QString db = useSqlite();
    const int samples = int(DatabaseLogger::kMaxPendingRows) + 5;
    for (int i = 0; i < samples; ++i) {
        sample.p1 = i;
        dispatch.LogSample(sample);
    }
    EXPECT_EQ(logger.pendingRows(), DatabaseLogger::kMaxPendingRows);
    logger.commitPending();
    const auto rows = storedRows(db, "select p1 from qmn_power order by rowid");
    ASSERT_EQ(rows.size(), DatabaseLogger::kMaxPendingRows);
    EXPECT_EQ(rows.front()[0], 5);
    EXPECT_EQ(rows.back()[0], samples - 1);
    const QString line = "5 rows waiting for the database were dropped, the oldest first: it could not be "
                         "written for too long";
    EXPECT_EQ(errorLogText(), "SQLite, " + line + "\n");
    EXPECT_EQ(status.lines(), QStringList{line});
}

// A file without the table, or a path without a database, which is reported,
// not silently created and filled: one line per sample, and the program goes on.
class SqliteMissing : public RecordingFixture, public ::testing::WithParamInterface<bool> {};

TEST_P(SqliteMissing, LogsOneLinePerSampleAndGoesOn)
{
    const bool fileThere = GetParam();
    const QString db = path("other.db");
    if (fileThere)
        ASSERT_TRUE(executeSql(db, "create table something_else (x integer)"));
    settings = {"SQlite", {}, db};
    const QString error = fileThere ? "no such table: qmn_power" : "unable to open database file: " + db;
    QStringList expected;
    for (int i = 0; i < 2; ++i) {
        logSamples(i, i + 1);
        expected << "SQLite, " + error + ", " + sqliteInsertStatement(sample) + "\n";
        EXPECT_EQ(errorLogText(), expected.join(QString()));
    }
    EXPECT_EQ(QFile::exists(db), fileThere);
    EXPECT_EQ(laterSteps, 2);
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(exitRequests, 0);
}

INSTANTIATE_TEST_SUITE_P(FileThere, SqliteMissing, ::testing::Bool());

// Only the exact words "Access" and "SQlite" select a database.
class OtherDatabaseKinds : public RecordingFixture, public ::testing::WithParamInterface<const char *> {};

TEST_P(OtherDatabaseKinds, TouchNoDatabaseAndRunTheLaterSteps)
{
    const QString db = useSqlite();
    const QDateTime modified = QFileInfo(db).lastModified();
    settings = {GetParam(), path("missing.mdb"), db};
    dispatch.LogSample(sample);
    dispatch.LogSample(sample);
    EXPECT_TRUE(storedRows(db, "select * from qmn_power").empty());
    EXPECT_EQ(QFileInfo(db).lastModified(), modified);
    EXPECT_FALSE(errorLogExists());
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(exitRequests, 0);
    EXPECT_EQ(laterSteps, 2);
}

INSTANTIATE_TEST_SUITE_P(Kinds, OtherDatabaseKinds,
                         ::testing::Values("none", "sqlite", "access", ""));

TEST(SampleDispatch, AThrowingStepSkipsTheLaterOnesForThatSampleOnly)
{
    SampleDispatch dispatch;
    QStringList ran;
    bool fail = true;
    const RealtimeSample sample{.p1 = 1500};
    dispatch.addStep("database", [&](const RealtimeSample &s) { ran << QString("database %1").arg(s.p1); });
    dispatch.addStep("DoList", [&](const RealtimeSample &) {
        ran << "DoList";
        if (fail)
            throw std::runtime_error("overflow");
    });
    dispatch.addStep("DoDash", [&](const RealtimeSample &) { ran << "DoDash"; });
    dispatch.addStep("Wpt", [&](const RealtimeSample &) {
        ran << "Wpt";
        throw 6; // not every failure is a std::exception
    });

    dispatch.LogSample(sample);
    EXPECT_EQ(ran, QStringList({"database 1500", "DoList"}));
    ran.clear();
    fail = false;
    dispatch.LogSample(sample);
    EXPECT_EQ(ran, QStringList({"database 1500", "DoList", "DoDash", "Wpt"}));
}

TEST(CreateSqliteDatabase, RefusesAFileThatAlreadyHoldsTheTable)
{
    QTemporaryDir dir;
    const QString db = dir.filePath("kept.db");
    ASSERT_TRUE(createSqliteDatabase(db, nullptr));
    ASSERT_TRUE(executeSql(db, "insert into qmn_power (p1) values (42)"));
    QString error;
    EXPECT_FALSE(createSqliteDatabase(db, &error));
    EXPECT_TRUE(error.contains("already holds a table qmn_power")) << error.toStdString();
    EXPECT_TRUE(error.contains("choose another file name")) << error.toStdString();
    EXPECT_EQ(storedRows(db, "select p1 from qmn_power"), QList<QList<double>>({{42}}));
}

} // namespace
