#include "stored/sqlite_rows_after.h"

#include <limits>
#include <sqlite3.h>

namespace {

// A reader waits this long for the recording's commit to finish.
constexpr int kBusyMilliseconds = 5000;
constexpr const char *kSelect = "SELECT rowid, _time, p1, p2, KWh1, KWh1P, KWh2, KWh2P FROM qmn_power ";

std::optional<double> column(sqlite3_stmt *st, int i)
{
    if (sqlite3_column_type(st, i) == SQLITE_NULL)
        return std::nullopt;
    return sqlite3_column_double(st, i);
}

} // namespace

SqliteRowsAfter::~SqliteRowsAfter()
{
    sqlite3_finalize(m_stmt);
    sqlite3_close(m_db);
}

void SqliteRowsAfter::fail()
{
    m_error = QString::fromUtf8(sqlite3_errmsg(m_db)) + QStringLiteral(": ") + m_path;
}

bool SqliteRowsAfter::open(const QString &path)
{
    m_path = path;
    m_error.clear();
    if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        fail();
        return false;
    }
    sqlite3_busy_timeout(m_db, kBusyMilliseconds);
    // Pages mapped rather than copied: a first reading of years of rows
    // spends its time in the rows, not in read calls.
    sqlite3_exec(m_db, "PRAGMA mmap_size=1073741824", nullptr, nullptr, nullptr);
    sqlite3_stmt *probe = nullptr;
    const int rc = sqlite3_prepare_v2(m_db, (std::string(kSelect) + "LIMIT 0").c_str(), -1, &probe, nullptr);
    sqlite3_finalize(probe);
    if (rc != SQLITE_OK) {
        fail();
        return false;
    }
    return true;
}

bool SqliteRowsAfter::start(qint64 rowid, int limit)
{
    m_error.clear();
    sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
    const std::string sql = std::string(kSelect) + "WHERE rowid > ?1 ORDER BY rowid LIMIT ?2";
    if (!m_db || sqlite3_prepare_v2(m_db, sql.c_str(), -1, &m_stmt, nullptr) != SQLITE_OK) {
        fail();
        return false;
    }
    sqlite3_bind_int64(m_stmt, 1, rowid);
    sqlite3_bind_int(m_stmt, 2, limit);
    return true;
}

bool SqliteRowsAfter::step(PowerPoint &point)
{
    const int rc = sqlite3_step(m_stmt);
    if (rc != SQLITE_ROW) {
        if (rc != SQLITE_DONE)
            fail();
        // Finishing the statement ends the read transaction at once.
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        return false;
    }
    point.rowid = sqlite3_column_int64(m_stmt, 0);
    const char *text = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, 1));
    point.time.assign(text ? text : "", text ? size_t(sqlite3_column_bytes(m_stmt, 1)) : 0);
    point.p1 = column(m_stmt, 2);
    point.p2 = column(m_stmt, 3);
    const auto a1 = column(m_stmt, 4), b1 = column(m_stmt, 5), a2 = column(m_stmt, 6), b2 = column(m_stmt, 7);
    point.totals.known = a1 && b1 && a2 && b2;
    point.totals.abs1 = a1.value_or(0);
    point.totals.pol1 = b1.value_or(0);
    point.totals.abs2 = a2.value_or(0);
    point.totals.pol2 = b2.value_or(0);
    return true;
}

std::optional<PowerPoint> SqliteRowsAfter::firstRow()
{
    std::optional<PowerPoint> first;
    if (readAfter(std::numeric_limits<qint64>::min(), 1, [&](const PowerPoint &p) { first = p; }) < 0)
        return std::nullopt;
    return first;
}

qint64 SqliteRowsAfter::lastRowid()
{
    sqlite3_stmt *st = nullptr;
    qint64 last = 0;
    if (sqlite3_prepare_v2(m_db, "SELECT max(rowid) FROM qmn_power", -1, &st, nullptr) == SQLITE_OK
        && sqlite3_step(st) == SQLITE_ROW)
        last = sqlite3_column_int64(st, 0);
    else
        fail();
    sqlite3_finalize(st);
    return last;
}
