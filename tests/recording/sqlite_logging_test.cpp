#include "recording/database_creator.h"
#include "recording/insert_statement.h"

#include "recording_fixture.h"
#include "stored_rows.h"

#include <QDateTime>
#include <QFileInfo>

#include <ctime>

namespace {

const char *const kColumns[] = {"p1",  "p2",  "PP1",  "PP2",  "Volt", "KWh1", "KWh1P", "KWh2", "KWh2P", "Amp1",
                                "Amp2", "E1A", "E2A", "E1AP", "E2AP", "E1B", "E2B",   "E1BP", "E2BP"};

std::vector<double> valuesOf(const RealtimeSample &s)
{
    return {s.p1,   s.p2,   s.PP1, s.PP2, s.Volt, s.KWh1, s.KWh1P, s.KWh2, s.KWh2P, s.Amp1,
            s.Amp2, s.E1A, s.E2A, s.E1AP, s.E2AP, s.E1B,  s.E2B,   s.E1BP, s.E2BP};
}

// Moves the process to a time zone far from UTC for one test, so a row
// stamped in UTC cannot pass for local time, and moves it back afterwards.
class PinnedTimeZone
{
public:
    explicit PinnedTimeZone(const char *zone) : m_had(qEnvironmentVariableIsSet("TZ")), m_old(qgetenv("TZ"))
    {
        qputenv("TZ", zone);
        tzset();
    }
    ~PinnedTimeZone()
    {
        if (m_had)
            qputenv("TZ", m_old);
        else
            qunsetenv("TZ");
        tzset();
    }

private:
    bool m_had;
    QByteArray m_old;
};

// The computer's local wall-clock time, read from the C library like the
// database engine reads it; as a plain date and time without a zone.
QDateTime localWallClock()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return QDateTime(QDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday),
                     QTime(local.tm_hour, local.tm_min, local.tm_sec), Qt::UTC);
}

using SqliteLogging = RecordingFixture;

// Seconds between commits: every sample written at once, or kept for one
// commit whose rows must be the same, each with the time of its sample.
class SqliteRows : public RecordingFixture, public ::testing::WithParamInterface<int> {};

TEST_P(SqliteRows, EachSampleBecomesOneRowWithItsValuesAndLocalTime)
{
    const PinnedTimeZone zone("Pacific/Auckland");
    ASSERT_GE(std::abs(localWallClock().secsTo(QDateTime::currentDateTimeUtc())), 3600) << "the zone did not take";

    // The table goes into a file that holds other tables too.
    const QString db = path("qmn4400.db");
    ASSERT_TRUE(executeSql(db, "create table notes (t text); insert into notes values ('keep')"));
    QString error;
    ASSERT_TRUE(createSqliteDatabase(db, &error)) << error.toStdString();
    settings = {"SQlite", {}, db, GetParam()};

    std::vector<RealtimeSample> sent;
    for (int i = 0; i < 3; ++i) {
        sample = makeSample(i * 1000.25);
        sample.Amp1 = 0.1f * float(i + 1);
        sent.push_back(sample);
        if (i == 2 && GetParam() > 0)
            settings.commitSeconds = 5; // a period changed while rows wait holds from the next sample
        dispatch.LogSample(sample);
    }
    if (GetParam() > 0)
        EXPECT_EQ(logger.commitTimer().interval(), 5000);
    logger.commitPending();

    const QDateTime now = localWallClock();
    const auto rows = storedRows(db, "select * from qmn_power order by rowid");
    const auto times = storedTexts(db, "select _time from qmn_power order by rowid");
    ASSERT_EQ(rows.size(), 3u);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const std::vector<double> expected = valuesOf(sent[size_t(i)]);
        ASSERT_EQ(size_t(rows[i].size()), expected.size() + 1);
        for (size_t c = 0; c < expected.size(); ++c) {
            // Written with 15 significant digits, the currents with the 7 a float carries.
            const double tolerance = ((c == 9 || c == 10) ? 1e-6 : 1e-14) * std::abs(expected[c]);
            EXPECT_NEAR(rows[i][qsizetype(c) + 1], expected[c], tolerance) << "row " << i << " column " << kColumns[c];
        }
        const QString &t = times[i][0];
        const QDateTime time(QDate::fromString(t.left(10), "yyyy-MM-dd"), QTime::fromString(t.mid(11), "hh:mm:ss"), Qt::UTC);
        ASSERT_TRUE(time.isValid()) << t.toStdString();
        EXPECT_LE(std::abs(time.secsTo(now)), 60) << t.toStdString(); // local time, not UTC: the zone lies hours away
    }
    EXPECT_EQ(laterSteps, 3);
    EXPECT_FALSE(errorLogExists());
    EXPECT_EQ(storedText(db, "select t from notes"), "keep");
}

INSTANTIATE_TEST_SUITE_P(CommitSeconds, SqliteRows, ::testing::Values(0, 60));

// Another program holding the file locked makes the commit fail like a
// read-only file would (which root, running these tests, writes anyway).
TEST_F(SqliteLogging, AFailedCommitIsLoggedOnceAndItsRowsAreWrittenWhenTheFileIsFree)
{
    const QString db = path("qmn4400.db");
    ASSERT_TRUE(createSqliteDatabase(db, nullptr));
    settings = {"SQlite", {}, db, 60};
    sqlite3 *holder = nullptr;
    ASSERT_EQ(sqlite3_open(db.toUtf8().constData(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "begin exclusive", nullptr, nullptr, nullptr), SQLITE_OK);

    for (int i = 0; i < 2; ++i) {
        sample = makeSample(i);
        dispatch.LogSample(sample);
    }
    logger.commitPending();
    logger.commitPending();
    const QString expectedLog = errorLogText();
    ASSERT_FALSE(status.lines().isEmpty());
    EXPECT_TRUE(status.lines().last().startsWith("SQLite: 2 rows could not be written (database is locked)"))
        << status.lines().last().toStdString();
    EXPECT_EQ(logger.pendingRows(), 2);

    sqlite3_exec(holder, "rollback", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    sample = makeSample(2);
    dispatch.LogSample(sample);
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
    const QString db = path("qmn4400.db");
    const QString old = path("2025.db");
    ASSERT_TRUE(createSqliteDatabase(db, nullptr));
    settings = {"SQlite", {}, db, 60};
    for (int i = 0; i < 2; ++i) {
        sample = makeSample(i);
        dispatch.LogSample(sample);
    }
    logger.commitPending();
    ASSERT_TRUE(change.moved ? QFile::rename(db, old) : QFile::remove(db));
    if (change.createNew)
        ASSERT_TRUE(createSqliteDatabase(db, nullptr));
    sample = makeSample(2);
    dispatch.LogSample(sample);
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
    const QString db = path("qmn4400.db");
    ASSERT_TRUE(createSqliteDatabase(db, nullptr));
    settings = {"SQlite", {}, db, 60};
    sqlite3 *holder = nullptr;
    ASSERT_EQ(sqlite3_open(db.toUtf8().constData(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "begin exclusive", nullptr, nullptr, nullptr), SQLITE_OK);
    {
        QFile log(errorLog.filePath());
        ASSERT_TRUE(log.open(QIODevice::WriteOnly) && log.resize(ErrorLog::kSizeLimit - 10));
    }
    for (int i = 0; i < 3; ++i) {
        sample = makeSample(i);
        dispatch.LogSample(sample);
    }
    dialogs.onMessage = [&](const QString &) {
        sqlite3_exec(holder, "rollback", nullptr, nullptr, nullptr);
        sample = makeSample(3);
        dispatch.LogSample(sample);
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
    const QString db = path("qmn4400.db");
    ASSERT_TRUE(createSqliteDatabase(db, nullptr));
    settings = {"SQlite", {}, db, 60};
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

TEST_F(SqliteLogging, MissingTableLogsOneLinePerSampleAndGoesOn)
{
    const QString db = path("other.db");
    ASSERT_TRUE(executeSql(db, "create table something_else (x integer)"));
    settings = {"SQlite", {}, db};

    QStringList expected;
    for (int i = 0; i < 2; ++i) {
        sample = makeSample(i);
        dispatch.LogSample(sample);
        expected << "SQLite, no such table: qmn_power, " + sqliteInsertStatement(sample) + "\n";
        EXPECT_EQ(errorLogText(), expected.join(QString()));
    }
    EXPECT_EQ(laterSteps, 2);
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(exitRequests, 0);
}

// A path without a database is reported, not silently created and filled.
TEST_F(SqliteLogging, MissingFileIsLoggedAndNotCreated)
{
    const QString db = path("missing.db");
    settings = {"SQlite", {}, db};
    dispatch.LogSample(sample);
    EXPECT_FALSE(QFile::exists(db));
    EXPECT_EQ(errorLogText(),
              "SQLite, unable to open database file: " + db + ", " + sqliteInsertStatement(sample) + "\n");
    EXPECT_EQ(laterSteps, 1);
}

// Only the exact words "Access" and "SQlite" select a database.
class OtherDatabaseKinds : public RecordingFixture, public ::testing::WithParamInterface<const char *> {};

TEST_P(OtherDatabaseKinds, TouchNoDatabaseAndRunTheLaterSteps)
{
    const QString db = path("qmn4400.db");
    ASSERT_TRUE(createSqliteDatabase(db, nullptr));
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
