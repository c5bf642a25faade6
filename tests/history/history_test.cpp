// The history's table over generated databases, against figures worked out
// by hand, and against the daily export of the same rows.
#include "history_fixture.h"
#include "recording/recording_fixture.h"
#include "pilot_process.h"
#include "text_file.h"

#include "stored/odbc_execution.h"

#include <QRegularExpression>

namespace {

struct Expected
{
    QString row;
    std::string ch1, ch2, note;
};

struct Case
{
    const char *name;
    std::vector<Row> rows;
    PeriodKind kind;
    QDate day;
    int bars;
    std::vector<Expected> expected; // the Total row last
    std::string cost;                // of the Total row, at 0.5 a kWh
    const char *locale = "en_US";
};

const Case kCases[] = {
    // Clocks forward: 01:00 never comes; each step goes to its later row's hour.
    {"ClocksForward",
     {{"2026-03-29 00:56:00", 10, 0, 5, 0},
      {"2026-03-29 00:59:00", 10.5, 0, 5.25, 0.25},
      {"2026-03-29 02:01:00", 11, 0, 5.5, 0.25},
      {"2026-03-29 02:04:00", 11.25, 0, 5.75, 0.5}},
     PeriodKind::Day, QDate(2026, 3, 29), 23,
     {{"00:00", "0.500", "0.250", "incomplete"}, {"02:00", "0.750", "0.500", ""}, {"03:00", "", "", "no data"},
      {"Total", "1.250", "0.750", "incomplete"}},
     "$1.00"},
    // Clocks back: 01:00 comes twice, in summer time then in winter time.
    {"ClocksBack",
     {{"2026-10-25 01:58:00", 1, 0, 0, 0},
      {"2026-10-25 01:59:00", 1.5, 0, 0, 0},
      {"2026-10-25 01:00:00", 2, 0, 0.125, 0},
      {"2026-10-25 01:03:00", 3, 0, 0.25, 0}},
     PeriodKind::Day, QDate(2026, 10, 25), 25,
     {{"01:00 BST", "0.500", "0.000", "incomplete"}, {"01:00 GMT", "1.500", "0.250", ""},
      {"Total", "2.000", "0.250", "incomplete"}},
     "$1.13"},
    // The counters drop inside an hour (a monitor reset): that step adds nothing.
    {"CounterDrop",
     {{"2026-06-10 10:00:00", 100, 0, 7, 1},
      {"2026-06-10 10:02:00", 101, 0, 7.5, 1},
      {"2026-06-10 10:04:00", 0.5, 0, 0.25, 0},
      {"2026-06-10 10:06:00", 0.75, 0, 0.5, 0.125}},
     PeriodKind::Day, QDate(2026, 6, 10), 24,
     {{"10:00", "1.250", "0.750", ""}, {"Total", "1.250", "0.750", ""}},
     "$1.00"},
    // The program was off from 08:03 to 11:30: the step across stays whole in
    // 11:00 and the hours at both edges and between are incomplete.
    {"GapOfHours",
     {{"2026-06-11 08:00:00", 1, 0, 0, 0},
      {"2026-06-11 08:03:00", 2, 0, 0, 0},
      {"2026-06-11 11:30:00", 5, 0, 1, 0},
      {"2026-06-11 11:33:00", 5.5, 0.25, 1, 0}},
     PeriodKind::Day, QDate(2026, 6, 11), 24,
     {{"08:00", "1.000", "0.000", "incomplete"}, {"09:00", "", "", "incomplete"}, {"10:00", "", "", "incomplete"},
      {"11:00", "3.500", "1.000", "incomplete"}, {"12:00", "", "", "no data"}, {"Total", "4.500", "1.000", "incomplete"}},
     // A locale without a currency of its own still shows money as money.
     "$2.75", "C"},
    // A month sums its days; the day of the gap is incomplete.
    {"MonthOfDays",
     {{"2026-06-10 10:00:00", 1, 0, 0, 0},
      {"2026-06-10 10:01:00", 2, 0, 0.5, 0},
      {"2026-06-11 10:00:00", 4, 0, 1, 0}},
     PeriodKind::Month, QDate(2026, 6, 20), 30,
     {{"10", "1.000", "0.500", "incomplete"}, {"11", "2.000", "0.500", "incomplete"}, {"12", "", "", ""} /* still to come */,
      {"Total", "3.000", "1.000", "incomplete"}},
     "€2.00", "en_IE"},
};

void PrintTo(const Case &c, std::ostream *os)
{
    *os << c.name;
}

class HistoryTable : public HistoryFixture, public ::testing::WithParamInterface<Case> {};

// The export's CH1 and CH2 energy (used plus fed back) of one day.
std::pair<double, double> exportedDay(const QString &dirPath, const QString &database, const QDate &day)
{
    const QString config = dirPath + "/QMNpilot.ini";
    writeText(config, "[startup]\ndbtype=SQlite\nsqldbpath=" + database + "\n");
    PilotProcess p;
    const QString date = day.toString(Qt::ISODate);
    p.launch({"--config", config, "--export-daily", "-", "--from", date, "--to", date}, {"TZ=Europe/London"});
    p.waitForFinished(30000);
    const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split("\r\n", Qt::SkipEmptyParts);
    if (lines.size() != 2)
        return {-1, -1};
    const QStringList f = lines[1].split(',');
    return {f[4].toDouble() + f[5].toDouble(), f[6].toDouble() + f[7].toDouble()};
}

// A database of its own on the PostgreSQL test server with the table the
// recording's ODBC kind stores into; its connection string, or nothing
// without a server.
QString pgDatabase(const char *caseName)
{
    QString odbc = qEnvironmentVariable("QMN_TEST_PG_ODBC");
    if (odbc.isEmpty())
        return {};
    const QString name = QString("qmnhistory_%1").arg(caseName).toLower();
    executeOdbcStatement(odbc, "drop database if exists " + name, 5);
    EXPECT_TRUE(executeOdbcStatement(odbc, "create database " + name, 5).ok);
    odbc.replace(QRegularExpression("DATABASE=[^;]*"), "DATABASE=" + name);
    EXPECT_TRUE(executeOdbcStatement(odbc, readText(QMN_PG_TABLE_SQL), 5).ok);
    return odbc;
}

void pgInsert(const QString &odbc, std::vector<Row> rows)
{
    // The recording's NOW() stores fractions of a second there.
    std::vector<std::string> times;
    times.reserve(rows.size());
    for (Row &r : rows)
        r.time = times.emplace_back(std::string(r.time) + ".25").c_str();
    EXPECT_TRUE(executeOdbcStatement(odbc, HistoryFixture::insertSql(rows), 5).ok);
}

} // namespace

TEST_P(HistoryTable, ShowsTheFiguresWorkedOutByHand)
{
    const Case &c = GetParam();
    insert(c.rows);
    logic->table().setLocale(QLocale(c.locale));
    look(c.kind, c.day);
    EXPECT_EQ(logic->table().rowCount(), c.bars + 1);
    for (const Expected &e : c.expected) {
        SCOPED_TRACE(e.row.toStdString());
        EXPECT_EQ(cell(e.row, "CH1 kWh"), e.ch1);
        EXPECT_EQ(cell(e.row, "CH2 kWh"), e.ch2);
        EXPECT_EQ(cell(e.row, "Note"), e.note);
    }
    const double total1 = std::stod(cell("Total", "CH1 kWh")), total2 = std::stod(cell("Total", "CH2 kWh"));
    EXPECT_EQ(cell("Total", "Cost"), c.cost);
    if (c.kind == PeriodKind::Day) {
        const auto [ch1, ch2] = exportedDay(dir.path(), database, c.day);
        EXPECT_DOUBLE_EQ(ch1, total1);
        EXPECT_DOUBLE_EQ(ch2, total2);
    }

    // The same rows on a server, read through ODBC, give the same table,
    // also when the later half arrives after a first look.
    const QString odbc = pgDatabase(c.name);
    if (odbc.isEmpty())
        GTEST_SKIP() << "QMN_TEST_PG_ODBC is not set: start scripts/pg-test-cluster (scripts/test does)";
    Settings server = settings;
    server.dbtype = "Access";
    server.adbpath = odbc;
    QTemporaryDir serverDir;
    HistoryLogic serverLogic({server, serverDir.path(), clock});
    serverLogic.table().setLocale(QLocale(c.locale));
    const auto half = c.rows.begin() + std::ptrdiff_t(c.rows.size() / 2);
    for (const auto &[from, until] : {std::pair{c.rows.begin(), half}, std::pair{half, c.rows.end()}}) {
        pgInsert(odbc, {from, until});
        awaitLook(serverLogic, [&] { serverLogic.show(c.kind, c.day); });
    }
    EXPECT_EQ(serverLogic.problem().toStdString(), "");
    EXPECT_EQ(cells(serverLogic.table()), cells(logic->table()));
    EXPECT_EQ(serverLogic.table().totalsLines().join('\n').toStdString(), logic->table().totalsLines().join('\n').toStdString());
}

INSTANTIATE_TEST_SUITE_P(Days, HistoryTable, ::testing::ValuesIn(kCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(HistoryFixture, RowsArrivingWhileOpenGrowTheCurrentHourAndDay)
{
    insert({{"2026-06-11 11:00:00", 1, 0, 2, 0}, {"2026-06-11 11:01:00", 1.5, 0, 2.5, 0}});
    look(PeriodKind::Day, clock.at.date());
    EXPECT_EQ(cell("11:00", "CH1 kWh"), "0.500");
    insert({{"2026-06-11 11:02:00", 2, 0, 2.75, 0.25}, {"2026-06-11 12:00:30", 2.25, 0, 3, 0.5}});
    refresh();
    EXPECT_EQ(cell("11:00", "CH1 kWh"), "1.000");
    EXPECT_EQ(cell("11:00", "CH2 kWh"), "0.750");
    EXPECT_EQ(cell("12:00", "CH1 kWh"), "0.250");
    EXPECT_EQ(cell("Total", "Total kWh"), "2.250");
    EXPECT_EQ(cell("10:00", "Note"), "no data");
    EXPECT_EQ(cell("23:00", "Note"), "") << "an hour still to come has no data yet";
    // The solar view of the same rows: CH1 generated, CH2 to and from the grid.
    logic->setView(HistoryView::Solar);
    EXPECT_EQ(cell("Total", "Solar used at home kWh"), "0.750");
    EXPECT_EQ(cell("Total", "From grid kWh"), "0.500");
    EXPECT_EQ(cell("Total", "To grid kWh"), "0.500");
    EXPECT_EQ(cell("Total", "Consumption kWh"), "1.250");
    EXPECT_EQ(cell("Total", "Cost"), "$0.25");
}

TEST_F(HistoryFixture, ReadsAFileReplacedAtTheSamePathAfresh)
{
    // A cache file that is no database is made again, as deleting it would.
    ASSERT_TRUE(writeText(logic->cachePath(), "not a database"));
    insert({{"2026-06-11 09:00:00", 1, 0, 0, 0}, {"2026-06-11 09:01:00", 9, 0, 0, 0}});
    look(PeriodKind::Day, clock.at.date());
    EXPECT_EQ(cell("09:00", "CH1 kWh"), "8.000");
    ASSERT_TRUE(QFile::remove(database));
    ASSERT_TRUE(createSqliteDatabase(database, nullptr));
    insert({{"2026-06-11 10:00:00", 4, 0, 0, 0}, {"2026-06-11 10:01:00", 5, 0, 0, 0}});
    refresh();
    EXPECT_EQ(cell("09:00", "Note"), "no data");
    EXPECT_EQ(cell("Total", "CH1 kWh"), "1.000");
}

// The recorder goes on inserting, one row at a time or in commits, while a
// first look reads a large database: not one of its rows is lost.
class HistoryBesideRecorder : public HistoryFixture, public ::testing::WithParamInterface<int> {};

TEST_P(HistoryBesideRecorder, CostsTheRecorderNoRow)
{
    constexpr int kStored = 400000; // eight chunks of reading
    generate(kStored);
    ScriptedDialogs dialogs;
    ErrorLog errorLog(dir.path(), dialogs, {});
    DatabaseLogger recorder([&] { return DatabaseSettings{"SQlite", {}, database, GetParam()}; }, errorLog, dialogs, {});
    // Each chunk read brings a burst of samples, stored while the next is read.
    int inserted = 0;
    QObject::connect(logic.get(), &HistoryLogic::stateChanged, [&] {
        for (int i = 0; i < 20; ++i)
            recorder.insertSample(makeSample(inserted++));
        recorder.commitPending();
    });
    logic->show(PeriodKind::Day, clock.at.date());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !logic->busy(); }, 60000));
    EXPECT_GE(inserted, 7 * 20);
    EXPECT_EQ(logic->problem().toStdString(), "");
    EXPECT_EQ(readText(errorLog.filePath()).toStdString(), "");
    EXPECT_EQ(storedText(database, "select count(*) from qmn_power").toInt(), kStored + inserted);
}

INSTANTIATE_TEST_SUITE_P(CommitSeconds, HistoryBesideRecorder, ::testing::Values(0, 60));
