// The command line's exports as a shell runs them: the real program against
// a database whose rows the test made, read back by a CSV parser.
#include "realtime/realtime_sample.h"
#include "recording/database_creator.h"
#include "recording/database_logger.h"
#include "recording/error_log.h"
#include "scripted_dialogs.h"
#include "stored/odbc_execution.h"
#include "pilot_process.h"
#include "stored_rows.h"
#include "text_file.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>
#include <regex>

namespace {

// RFC 4180: fields split at commas, quoted fields with doubled quotes, lines
// ending in CR LF. Anything else in the text fails the test.
std::vector<std::vector<std::string>> parseCsv(const std::string &text)
{
    static const std::regex field(R"(("(?:[^"]|"")*"|[^,"\r\n]*)(,|\r\n))");
    std::vector<std::vector<std::string>> rows(1);
    std::smatch m;
    for (auto at = text.cbegin(); at != text.cend(); at = m[0].second) {
        if (!std::regex_search(at, text.cend(), m, field, std::regex_constants::match_continuous)) {
            ADD_FAILURE() << "not CSV at " << at - text.cbegin();
            break;
        }
        std::string f = m[1];
        if (f.starts_with('"'))
            f = std::regex_replace(f.substr(1, f.size() - 2), std::regex("\"\""), "\"");
        rows.back().push_back(f);
        if (m[2] == "\r\n")
            rows.emplace_back();
    }
    rows.pop_back();
    return rows;
}

double number(const std::string &field)
{
    size_t used = 0;
    const double v = std::stod(field, &used);
    EXPECT_EQ(used, field.size()) << field;
    return v;
}

struct Exported
{
    int status = -1;
    std::string out;
    QString err;
};

struct ExportTest : ::testing::Test
{
    QTemporaryDir dir;
    QString config = dir.filePath("QMNpilot.ini");
    QString database = dir.filePath("qmn4400.db");
    sqlite3 *db = nullptr;

    void SetUp() override
    {
        ASSERT_TRUE(createSqliteDatabase(database, nullptr));
        ASSERT_TRUE(writeText(config, "[startup]\ndbtype=SQlite\nsqldbpath=" + database + "\n"));
        ASSERT_EQ(sqlite3_open(database.toUtf8().constData(), &db), SQLITE_OK);
    }
    void TearDown() override { sqlite3_close(db); }

    // One row as the recording writes it, with the time and values given.
    void insert(const char *time, const std::vector<double> &values)
    {
        std::string sql = std::string("insert into qmn_power values ('") + time + "'";
        for (size_t i = 0; i < 19; ++i)
            sql += i < values.size() ? "," + std::to_string(values[i]) : std::string(",") + std::to_string(i * 1.5);
        ASSERT_EQ(sqlite3_exec(db, (sql + ")").c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    }

    Exported run(const QStringList &arguments, const QString &locale = "C.UTF-8")
    {
        PilotProcess p;
        p.launch(QStringList{"--config", config} + arguments,
                 {"TZ=Europe/London", "LC_ALL=" + locale, "LANG=" + locale, "QT_QPA_PLATFORM=offscreen"});
        if (!p.waitForFinished(60000))
            return {};
        return {p.exitCode(), p.readAllStandardOutput().toStdString(), QString::fromUtf8(p.readAllStandardError())};
    }
};

class RowsExport : public ExportTest, public ::testing::WithParamInterface<const char *> {};

} // namespace

// Around both changes of 2026 in London, under "." and "," locales.
TEST_P(RowsExport, ReadsBackAsTheStoredRowsWithTheirLocalOffsets)
{
    const std::vector<std::pair<const char *, const char *>> times = {
        {"2026-03-29 00:59:59", "2026-03-29T00:59:59+00:00"}, {"2026-03-29 02:00:00", "2026-03-29T02:00:00+01:00"},
        {"2026-10-25 00:59:59", "2026-10-25T00:59:59+01:00"}, {"2026-10-25 01:00:00", "2026-10-25T01:00:00+01:00"},
        {"2026-10-25 01:59:59", "2026-10-25T01:59:59+01:00"}, {"2026-10-25 01:00:00", "2026-10-25T01:00:00+00:00"},
        {"2026-10-25 01:30:00", "2026-10-25T01:30:00+00:00"}, {"2026-10-25 02:00:00", "2026-10-25T02:00:00+00:00"},
    };
    insert("2026-03-28 23:59:59", {}); // the day before --from
    for (size_t i = 0; i < times.size(); ++i)
        insert(times[i].first, {1500.25 + double(i), -0.125, 36000000, 1e-7 * double(i + 1)});
    insert("2026-10-26 00:00:00", {}); // the day after --to

    const Exported e = run({"--export-csv", "-", "--from", "2026-03-29", "--to", "2026-10-25"}, GetParam());
    ASSERT_EQ(e.status, 0) << e.err.toStdString();
    const auto csv = parseCsv(e.out);
    ASSERT_EQ(csv.size(), times.size() + 1);
    EXPECT_EQ(csv[0], (std::vector<std::string>{"_time", "p1",  "p2",  "PP1", "PP2", "Volt", "KWh1",
                                                "KWh1P", "KWh2", "KWh2P", "Amp1", "Amp2", "E1A", "E2A",
                                                "E1AP", "E2AP", "E1B", "E2B", "E1BP", "E2BP"}));
    const auto stored = storedRows(database, "select * from qmn_power order by rowid");
    for (size_t i = 0; i < times.size(); ++i) {
        const auto &line = csv[i + 1];
        ASSERT_EQ(line.size(), 20u);
        EXPECT_EQ(line[0], times[i].second);
        for (size_t c = 0; c < 19; ++c)
            EXPECT_EQ(number(line[c + 1]), stored[i + 1][c + 1]) << "row " << i << " column " << c << ": " << line[c + 1];
    }
}

INSTANTIATE_TEST_SUITE_P(Locales, RowsExport, ::testing::Values("C.UTF-8", "de_DE.UTF-8"));

// The "Access" kind's server database through ODBC, with rows in 2031 that no
// other test touches.
TEST_F(ExportTest, AnOdbcDatabaseReadsBackAsItsRows)
{
    const QString odbc = qEnvironmentVariable("QMN_TEST_PG_ODBC");
    if (odbc.isEmpty())
        GTEST_SKIP() << "QMN_TEST_PG_ODBC is not set: start scripts/pg-test-cluster (scripts/test does)";
    const char *const clear = "delete from qmn_power where _time >= '2031-01-01'";
    ASSERT_TRUE(executeOdbcStatement(odbc, clear, 5).ok);
    // Stored out of order: a server keeps none, and the export gives the rows
    // in _time order, the hour that comes twice in the order of its totals.
    const std::vector<std::pair<const char *, const char *>> times = {
        {"2031-10-26 00:59:59", "2031-10-26T00:59:59+01:00"},
        {"2031-10-26 01:30:00", "2031-10-26T01:30:00+01:00"},
        {"2031-10-26 01:10:00", "2031-10-26T01:10:00+00:00"},
        {"2031-10-26 06:00:00", "2031-10-26T06:00:00+00:00"},
    };
    for (size_t i : {3, 2, 0, 1}) {
        QString sql = QStringLiteral("insert into qmn_power values ('%1'").arg(times[i].first);
        for (int c = 0; c < 19; ++c)
            sql += c == 3 ? QStringLiteral(",NULL") : "," + QString::number(1500.25 * double(c) + double(i) / 8, 'g', 17);
        ASSERT_TRUE(executeOdbcStatement(odbc, sql + ")", 5).ok) << sql.toStdString();
    }
    ASSERT_TRUE(writeText(config, "[startup]\ndbtype=Access\nadbpath=" + odbc + "\n"));

    const Exported e = run({"--export-csv", "-", "--from", "2031-10-26", "--to", "2031-10-26"});
    executeOdbcStatement(odbc, clear, 5);
    ASSERT_EQ(e.status, 0) << e.err.toStdString();
    const auto csv = parseCsv(e.out);
    ASSERT_EQ(csv.size(), times.size() + 1);
    for (size_t i = 0; i < times.size(); ++i) {
        const auto &line = csv[i + 1];
        ASSERT_EQ(line.size(), 20u);
        EXPECT_EQ(line[0], times[i].second);
        EXPECT_EQ(line[4], ""); // NULL stays empty
        for (int c = 0; c < 19; ++c) {
            if (c != 3)
                EXPECT_EQ(number(line[size_t(c) + 1]), 1500.25 * double(c) + double(i) / 8) << i << " " << c;
        }
    }
}

TEST_F(ExportTest, DailyTotalsAreTheSumsOfTheStoredRowsOnShortAndLongDays)
{
    // Totals (KWh1, KWh1P, KWh2, KWh2P) that rise by uneven steps, with a
    // reset of the counters on the 26th.
    const struct
    {
        const char *time;
        double p1, p2, abs1, pol1, abs2, pol2;
    } rows[] = {{"2026-03-27 23:00:00", 100, 10, 5, 1, 3, 0.5},   {"2026-03-29 00:30:00", 200, -20, 6.5, 1.25, 3.5, 0.5},
                {"2026-03-29 03:00:00", 50, 30, 7, 1.5, 4, 1},     {"2026-03-29 23:59:00", 400, 0, 9.75, 2, 4.25, 1.5},
                {"2026-10-25 01:10:00", 1000, 5, 20, 3, 5, 1.5},   {"2026-10-25 01:05:00", 10, 7, 20.5, 3, 5.5, 1.75},
                {"2026-10-25 20:00:00", 20, 9, 22, 3.5, 6, 2},     {"2026-10-26 08:00:00", 300, 1, 23, 4, 6.5, 2},
                {"2026-10-26 09:00:00", 250, 2, 0.5, 0.25, 0.125, 0}, {"2026-10-26 10:00:00", 100, 3, 1, 0.5, 0.25, 0.125}};
    for (const auto &r : rows)
        insert(r.time, {r.p1, r.p2, 0, 0, 230, r.abs1, r.pol1, r.abs2, r.pol2});
    // Rowids far apart, as after rows were deleted: read on across the gap.
    ASSERT_EQ(sqlite3_exec(db, "update qmn_power set rowid = rowid * 1000003", nullptr, nullptr, nullptr), SQLITE_OK);

    const QString file = dir.filePath("daily.csv");
    const Exported e = run({"--export-daily", file, "--from", "2026-03-28", "--to", "2026-10-26"});
    ASSERT_EQ(e.status, 0) << e.err.toStdString();
    const auto csv = parseCsv(readText(file).replace("\n", "\r\n").toStdString());
    ASSERT_EQ(csv.size(), 4u); // the days with samples only
    EXPECT_EQ(csv[0][0], "date");

    // Each day: the sums of the steps from the row before it, used being the
    // absolute step less the fed-back one; a step that goes back counts nothing.
    const struct
    {
        const char *date;
        int hours;
        double used1, fed1, used2, fed2, min1, max1, mean1, mean2;
    } days[] = {{"2026-03-29", 23, 3.75, 1, 0.25, 1, 50, 400, 650 / 3.0, 10 / 3.0},
                {"2026-10-25", 25, 10.75, 1.5, 1.25, 0.5, 10, 1000, 1030 / 3.0, 7},
                {"2026-10-26", 24, 0.75, 0.75, 0.5, 0.125, 100, 300, 650 / 3.0, 2}};
    for (size_t d = 0; d < std::size(days); ++d) {
        const auto &line = csv[d + 1];
        const auto &day = days[d];
        SCOPED_TRACE(day.date);
        ASSERT_EQ(line.size(), 15u);
        EXPECT_EQ(line[0], day.date);
        EXPECT_EQ(line[1], std::to_string(day.hours));
        const double near[] = {day.used1, day.fed1, day.used2, day.fed2, day.min1, day.max1, day.mean1};
        for (size_t c = 0; c < std::size(near); ++c)
            EXPECT_NEAR(number(line[c + 4]), near[c], c < 6 ? 1e-6 : 1e-3) << "column " << c + 4;
        EXPECT_NEAR(number(line[13]), day.mean2, 1e-3);
        EXPECT_EQ(line[14], "3");
    }
    // The day's first and last samples, the repeated hour told apart.
    EXPECT_EQ(csv[2][2], "2026-10-25T01:10:00+01:00");
    EXPECT_EQ(csv[2][3], "2026-10-25T20:00:00+00:00");
}

// A _time that is no time: copied into the rows as one CSV field, and left
// out of the day it would otherwise split, with one line naming it.
TEST_F(ExportTest, RowsWithoutATimeStayWholeAndOutOfTheDailyTotals)
{
    // A number is stored as a number (the column's affinity), and copied as written.
    const std::vector<const char *> unreadable = {"a,b", "say \"when\"", "x\r\ny", nullptr, "17747.5", "2026-03"};
    insert("2026-03-29 10:00:00", {100, 0, 0, 0, 230, 1, 0, 1, 0});
    sqlite3_stmt *bad = nullptr;
    sqlite3_prepare_v2(db, "insert into qmn_power (_time, p1, kwh1, kwh1p, kwh2, kwh2p) values (?, 7, 50, 0, 50, 0)",
                       -1, &bad, nullptr);
    for (const char *time : unreadable) {
        sqlite3_bind_text(bad, 1, time, -1, SQLITE_STATIC);
        ASSERT_EQ(sqlite3_step(bad), SQLITE_DONE);
        sqlite3_reset(bad);
    }
    sqlite3_finalize(bad);
    insert("2026-03-29 11:00:00", {300, 0, 0, 0, 230, 2, 0, 3, 0});

    const auto csv = parseCsv(run({"--export-csv", "-"}).out);
    ASSERT_EQ(csv.size(), unreadable.size() + 3);
    for (size_t i = 0; i < unreadable.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(csv[i + 2].size(), 20u);
        EXPECT_EQ(csv[i + 2][0], unreadable[i] ? unreadable[i] : "");
    }
    const Exported e = run({"--export-daily", "-"});
    EXPECT_EQ(e.status, 0);
    const auto days = parseCsv(e.out);
    ASSERT_EQ(days.size(), 2u);
    // The energy from the one readable row to the next, over the others.
    EXPECT_EQ(std::vector<std::string>(days[1].begin() + 4, days[1].end()),
              (std::vector<std::string>{"1", "0", "2", "0", "100", "300", "200", "0", "0", "0", "2"}));
    EXPECT_EQ(e.err.toStdString(),
              "qmnpilot: 6 rows without a readable _time left out of the daily totals: \"a,b\" after 2026-03-29 "
              "10:00:00, \"say \"\"when\"\"\" after 2026-03-29 10:00:00, \"x\\r\\ny\" after 2026-03-29 10:00:00, "
              "\"\" after 2026-03-29 10:00:00, \"17747.5\" after 2026-03-29 10:00:00 and 1 more\n");
}

namespace {

struct BadRequest
{
    const char *setup; // "" the normal database, else what replaces it
    QStringList arguments;
    const char *message;
};

class BadExport : public ExportTest, public ::testing::WithParamInterface<BadRequest> {};

} // namespace

TEST_P(BadExport, SaysWhatIsWrongAndEndsWithStatusTwo)
{
    const BadRequest &r = GetParam();
    const std::string setup = r.setup;
    // The test's own connection has read nothing yet: the file can go.
    if (setup == "no table")
        ASSERT_EQ(sqlite3_exec(db, "drop table qmn_power", nullptr, nullptr, nullptr), SQLITE_OK);
    if (setup == "not a database")
        ASSERT_TRUE(writeText(database, QString(4096, QLatin1Char('x'))));
    if (setup == "missing")
        ASSERT_TRUE(QFile::remove(database));
    const Exported e = run(r.arguments);
    EXPECT_EQ(e.status, 2) << e.err.toStdString();
    EXPECT_TRUE(e.err.contains(r.message)) << e.err.toStdString();
    EXPECT_TRUE(e.out.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Requests, BadExport,
    ::testing::Values(
        BadRequest{"", {"--export-csv", "-", "--from", "2026-02-30"}, "--from 2026-02-30 is not a date"},
        BadRequest{"", {"--export-csv", "-", "--from", "2026-03-30", "--to", "2026-03-29"}, "is after --to"},
        BadRequest{"", {"--export-csv", "-", "--frm", "2026-03-29"}, "Unknown option 'frm'"},
        BadRequest{"", {"--to", "2026-03-29"}, "--from and --to go with --export-csv or --export-daily"},
        BadRequest{"no table", {"--export-csv", "-"}, "no such table: qmn_power"},
        BadRequest{"not a database", {"--export-daily", "-"}, "file is not a database"},
        BadRequest{"missing", {"--export-csv", "-"}, "unable to open database file"}));

namespace {

class ExportBesideRecorder : public ExportTest, public ::testing::WithParamInterface<int> {};

} // namespace

// The recorder stores every sample while a long export is read through a
// slow pipe, with one insert per sample and with commits every few seconds.
TEST_P(ExportBesideRecorder, CostsTheRecorderNoRow)
{
    constexpr int kStored = 200000;
    const int commitSeconds = GetParam();
    const std::string fill = "with recursive n(i) as (select 0 union all select i + 1 from n where i < "
        + std::to_string(kStored - 1)
        + ") insert into qmn_power select datetime(1772323200 + i, 'unixepoch'), i, 2, 3, 4, 230, 5, 6, 7, 8, 9, "
          "10, 11, 12, 13, 14, 15, 16, 17, 18 from n";
    ASSERT_EQ(sqlite3_exec(db, fill.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);

    ScriptedDialogs dialogs;
    ErrorLog errorLog(dir.path(), dialogs, [] {});
    DatabaseLogger logger([&] { return DatabaseSettings{"SQlite", {}, database, commitSeconds}; }, errorLog,
                          dialogs, [] {});
    const QString command = QStringLiteral("'%1' --config '%2' --export-csv -").arg(QMN_PILOT_BINARY, config);
    FILE *pipe = popen(qPrintable(command), "r");
    ASSERT_NE(pipe, nullptr);
    // A sample for every 64 KiB read: the export waits on the pipe most of
    // the time, as it does behind a slow consumer.
    std::string out;
    char piece[65536];
    int samples = 0;
    for (size_t got = 1; got > 0 && !QFile::exists(errorLog.filePath());) {
        got = fread(piece, 1, sizeof piece, pipe);
        out.append(piece, got);
        logger.insertSample(RealtimeSample{});
        if (++samples % 5 == 0)
            logger.commitPending();
    }
    while (size_t got = fread(piece, 1, sizeof piece, pipe))
        out.append(piece, got);
    EXPECT_EQ(pclose(pipe), 0);
    logger.commitPending();

    EXPECT_FALSE(QFile::exists(errorLog.filePath())) << readText(errorLog.filePath()).left(300).toStdString();
    EXPECT_GT(samples, 100);
    EXPECT_EQ(storedRows(database, "select count(*) from qmn_power").value(0).value(0), kStored + samples);
    // The stored rows come out whole and in order, the recorder's new ones
    // after them.
    size_t line = out.find("\r\n") + 2;
    for (int i = 0; i < kStored; ++i) {
        const size_t end = out.find("\r\n", line);
        ASSERT_NE(end, std::string::npos) << "row " << i;
        const size_t p1 = out.find(',', line) + 1;
        ASSERT_EQ(out.substr(p1, out.find(',', p1) - p1), std::to_string(i)) << "row " << i;
        line = end + 2;
    }
}

INSTANTIATE_TEST_SUITE_P(CommitSeconds, ExportBesideRecorder, ::testing::Values(0, 3));
