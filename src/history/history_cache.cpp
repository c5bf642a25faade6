#include "history/history_cache.h"

#include <sqlite3.h>

namespace {

// Raised whenever the figures of an hour change meaning: an older file is
// then read again from the start.
constexpr const char *kVersion = "1";

constexpr const char *kSchema =
    "CREATE TABLE IF NOT EXISTS hours (start_utc INTEGER PRIMARY KEY, local TEXT, utc_offset INTEGER, "
    "used1 REAL, fed1 REAL, used2 REAL, fed2 REAL, max1 REAL, max1_time TEXT, max2 REAL, max2_time TEXT, "
    "sum1 REAL, count1 INTEGER, sum2 REAL, count2 INTEGER, samples INTEGER, gap INTEGER);"
    "CREATE TABLE IF NOT EXISTS meta (key TEXT PRIMARY KEY, value TEXT);";

struct Statement
{
    sqlite3_stmt *st = nullptr;
    Statement(sqlite3 *db, const char *sql) { sqlite3_prepare_v2(db, sql, -1, &st, nullptr); }
    ~Statement() { sqlite3_finalize(st); }
    void text(int i, const std::string &s) { sqlite3_bind_text(st, i, s.data(), int(s.size()), SQLITE_TRANSIENT); }
    void text(int i, const QString &s) { text(i, s.toStdString()); }
    std::string columnText(int i) const
    {
        const char *t = reinterpret_cast<const char *>(sqlite3_column_text(st, i));
        return t ? std::string(t, size_t(sqlite3_column_bytes(st, i))) : std::string();
    }
};

} // namespace

HistoryCache::~HistoryCache()
{
    sqlite3_close(m_db);
}

void HistoryCache::fail()
{
    m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
}

bool HistoryCache::exec(const char *sql)
{
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK)
        return true;
    fail();
    return false;
}

bool HistoryCache::open(const QString &path)
{
    if (sqlite3_open(path.toUtf8().constData(), &m_db) != SQLITE_OK) {
        fail();
        m_error += QStringLiteral(": ") + path;
        return false;
    }
    sqlite3_busy_timeout(m_db, 2000);
    // Write-ahead: a commit of each chunk costs no sync of the disk.
    if (!exec("PRAGMA journal_mode=WAL") || !exec("PRAGMA synchronous=NORMAL") || !exec(kSchema))
        return false;
    if (meta("version") != QLatin1String(kVersion))
        return reset({});
    return true;
}

QString HistoryCache::meta(const char *key)
{
    Statement s(m_db, "SELECT value FROM meta WHERE key = ?1");
    sqlite3_bind_text(s.st, 1, key, -1, SQLITE_STATIC);
    return sqlite3_step(s.st) == SQLITE_ROW ? QString::fromStdString(s.columnText(0)) : QString();
}

bool HistoryCache::putMeta(const char *key, const QString &value)
{
    Statement s(m_db, "INSERT OR REPLACE INTO meta (key, value) VALUES (?1, ?2)");
    sqlite3_bind_text(s.st, 1, key, -1, SQLITE_STATIC);
    s.text(2, value);
    if (sqlite3_step(s.st) == SQLITE_DONE)
        return true;
    fail();
    return false;
}

HistoryCache::Source HistoryCache::source()
{
    return {meta("source"), meta("file_id"), meta("first_row")};
}

bool HistoryCache::reset(const Source &source)
{
    return exec("BEGIN; DELETE FROM hours; DELETE FROM meta;") && putMeta("version", QLatin1String(kVersion))
           && putMeta("source", source.where) && putMeta("file_id", source.fileId)
           && putMeta("first_row", source.firstRow) && exec("COMMIT");
}

bool HistoryCache::begin()
{
    return exec("BEGIN");
}

bool HistoryCache::commit()
{
    return exec("COMMIT");
}

bool HistoryCache::putHour(const HourFigures &h)
{
    Statement s(m_db, "INSERT OR REPLACE INTO hours VALUES (?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12,?13,?14,?15,?16,?17)");
    sqlite3_bind_int64(s.st, 1, h.startUtc);
    s.text(2, h.local);
    sqlite3_bind_int64(s.st, 3, h.offset);
    const double energies[] = {h.used[0], h.fed[0], h.used[1], h.fed[1]};
    for (int i = 0; i < 4; ++i)
        sqlite3_bind_double(s.st, 4 + i, energies[i]);
    for (int ch = 0; ch < 2; ++ch) {
        sqlite3_bind_double(s.st, 8 + ch * 2, h.maxPower[ch]);
        s.text(9 + ch * 2, h.maxTime[ch]);
        sqlite3_bind_double(s.st, 12 + ch * 2, h.powerSum[ch]);
        sqlite3_bind_int64(s.st, 13 + ch * 2, h.powerCount[ch]);
    }
    sqlite3_bind_int64(s.st, 16, h.samples);
    sqlite3_bind_int(s.st, 17, h.gap ? 1 : 0);
    if (sqlite3_step(s.st) == SQLITE_DONE)
        return true;
    fail();
    return false;
}

std::vector<HourFigures> HistoryCache::hours(qint64 fromUtc, qint64 untilUtc)
{
    std::vector<HourFigures> result;
    Statement s(m_db, "SELECT * FROM hours WHERE start_utc >= ?1 AND start_utc < ?2 ORDER BY start_utc");
    sqlite3_bind_int64(s.st, 1, fromUtc);
    sqlite3_bind_int64(s.st, 2, untilUtc);
    while (sqlite3_step(s.st) == SQLITE_ROW) {
        HourFigures h;
        h.startUtc = sqlite3_column_int64(s.st, 0);
        h.local = s.columnText(1);
        h.offset = long(sqlite3_column_int64(s.st, 2));
        h.used[0] = sqlite3_column_double(s.st, 3);
        h.fed[0] = sqlite3_column_double(s.st, 4);
        h.used[1] = sqlite3_column_double(s.st, 5);
        h.fed[1] = sqlite3_column_double(s.st, 6);
        for (int ch = 0; ch < 2; ++ch) {
            h.maxPower[ch] = sqlite3_column_double(s.st, 7 + ch * 2);
            h.maxTime[ch] = s.columnText(8 + ch * 2);
            h.powerSum[ch] = sqlite3_column_double(s.st, 11 + ch * 2);
            h.powerCount[ch] = sqlite3_column_int64(s.st, 12 + ch * 2);
        }
        h.samples = sqlite3_column_int64(s.st, 15);
        h.gap = sqlite3_column_int(s.st, 16) != 0;
        result.push_back(std::move(h));
    }
    return result;
}

bool HistoryCache::span(qint64 *first, qint64 *last)
{
    Statement s(m_db, "SELECT min(start_utc), max(start_utc) FROM hours");
    if (sqlite3_step(s.st) != SQLITE_ROW || sqlite3_column_type(s.st, 0) == SQLITE_NULL)
        return false;
    *first = sqlite3_column_int64(s.st, 0);
    *last = sqlite3_column_int64(s.st, 1);
    return true;
}

HourAccumulator::State HistoryCache::state()
{
    HourAccumulator::State st;
    const QStringList totals = meta("totals").split(QLatin1Char(','));
    if (totals.size() == 4) {
        st.totals = {totals[0].toDouble(), totals[1].toDouble(), totals[2].toDouble(), totals[3].toDouble(), true};
    }
    const QString last = meta("last_time");
    st.hasLast = !last.isEmpty();
    st.lastTime = last.toStdString();
    st.lastUtc = meta("last_utc").toLongLong();
    st.lastOffset = meta("last_offset").toLong();
    qint64 first = 0, lastHour = 0;
    if (span(&first, &lastHour)) {
        std::vector<HourFigures> open = hours(lastHour, lastHour + 1);
        if (!open.empty())
            st.open = std::move(open.front());
    }
    return st;
}

HistoryCache::Position HistoryCache::position()
{
    return {meta("rowid").toLongLong(), meta("day"), meta("rows_in_day").toLongLong()};
}

bool HistoryCache::putState(const HourAccumulator::State &st, const Position &position)
{
    const QString totals = st.totals.known ? QStringLiteral("%1,%2,%3,%4")
                                                 .arg(st.totals.abs1, 0, 'g', 17)
                                                 .arg(st.totals.pol1, 0, 'g', 17)
                                                 .arg(st.totals.abs2, 0, 'g', 17)
                                                 .arg(st.totals.pol2, 0, 'g', 17)
                                           : QString();
    return putMeta("totals", totals) && putMeta("last_time", QString::fromStdString(st.lastTime))
           && putMeta("last_utc", QString::number(st.lastUtc)) && putMeta("last_offset", QString::number(st.lastOffset))
           && putMeta("rowid", QString::number(position.rowid)) && putMeta("day", position.day)
           && putMeta("rows_in_day", QString::number(position.rowsInDay)) && (!st.open || putHour(*st.open));
}
