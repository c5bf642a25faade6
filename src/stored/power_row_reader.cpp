#include "stored/power_row_reader.h"

#include <limits>
#include <sqlite3.h>
#include <utility>

const char *const PowerRowReader::kColumns[kValueCount + 1] = {
    "_time", "p1",  "p2",  "PP1",  "PP2",  "Volt", "KWh1", "KWh1P", "KWh2", "KWh2P",
    "Amp1",  "Amp2", "E1A", "E2A", "E1AP", "E2AP", "E1B",  "E2B",   "E1BP", "E2BP"};

namespace {

// A reader waits this long for the recording's commit to finish.
constexpr int kBusyMilliseconds = 5000;

} // namespace

QByteArray PowerRowReader::columnList()
{
    QByteArray list;
    for (const char *name : kColumns)
        list += (list.isEmpty() ? "" : ",") + QByteArray(name);
    return list;
}

SqliteRowReader::~SqliteRowReader()
{
    for (sqlite3_stmt *stmt : {m_forward, m_backwards, m_nextKey, m_previousKey})
        sqlite3_finalize(stmt);
    sqlite3_close(m_db);
}

void SqliteRowReader::fail()
{
    m_error = QString::fromUtf8(sqlite3_errmsg(m_db)) + QStringLiteral(": ") + m_path;
}

bool SqliteRowReader::open(const QString &path)
{
    m_path = path;
    if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        fail();
        return false;
    }
    sqlite3_busy_timeout(m_db, kBusyMilliseconds);
    // Each chunk: the rows of a window of kChunkRows rowids that lie in the
    // dates, a bounded amount of work whatever the dates ask for; a window
    // without rows skips to the next rowid there is. _time is the text
    // "YYYY-MM-DD HH:MM:SS": comparing texts compares times.
    const QByteArray rows = "SELECT " + columnList()
        + " FROM qmn_power WHERE rowid BETWEEN ?1 AND ?4 AND (?2 IS NULL OR _time >= ?2) "
          "AND (?3 IS NULL OR _time < ?3) ORDER BY rowid";
    // Preparing shows whether the file is a database with the table at all.
    const QByteArray nextKey = "SELECT min(rowid) FROM qmn_power WHERE rowid >= ?1";
    const QByteArray previousKey = "SELECT max(rowid) FROM qmn_power WHERE rowid <= ?1";
    for (auto [stmt, sql] : {std::pair{&m_forward, rows}, std::pair{&m_backwards, rows + " DESC"},
                             std::pair{&m_nextKey, nextKey}, std::pair{&m_previousKey, previousKey}}) {
        if (sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), stmt, nullptr) != SQLITE_OK) {
            fail();
            return false;
        }
    }
    return true;
}

bool SqliteRowReader::start(bool backwards, const QString &from, const QString &until)
{
    m_scan = backwards ? m_backwards : m_forward;
    if (!m_scan)
        return false;
    m_key = backwards ? std::numeric_limits<long long>::max() : std::numeric_limits<long long>::min();
    m_scanEnded = false;
    m_firstOnly = backwards;
    m_chunk.clear();
    m_row = 0;
    sqlite3_clear_bindings(m_scan);
    const QByteArray a = from.toUtf8(), b = until.toUtf8();
    if (!from.isEmpty())
        sqlite3_bind_text(m_scan, 2, a.constData(), int(a.size()), SQLITE_TRANSIENT);
    if (!until.isEmpty())
        sqlite3_bind_text(m_scan, 3, b.constData(), int(b.size()), SQLITE_TRANSIENT);
    return true;
}

bool SqliteRowReader::select(const QString &from, const QString &until)
{
    return start(false, from, until);
}

bool SqliteRowReader::selectLastBefore(const QString &from)
{
    return start(true, {}, from);
}

bool SqliteRowReader::step(sqlite3_stmt *stmt, int *rc)
{
    *rc = sqlite3_step(stmt);
    if (*rc == SQLITE_ROW)
        return true;
    if (*rc != SQLITE_DONE)
        fail();
    return false;
}

bool SqliteRowReader::readChunk()
{
    constexpr long long kFirst = std::numeric_limits<long long>::min(), kLast = std::numeric_limits<long long>::max();
    m_chunk.clear();
    m_row = 0;
    const bool backwards = m_scan == m_backwards;
    while (m_chunk.rows() == 0 && !m_scanEnded) {
        const long long span = kChunkRows - 1;
        const long long near = m_key, far = backwards ? (m_key < kFirst + span ? kFirst : m_key - span)
                                                      : (m_key > kLast - span ? kLast : m_key + span);
        sqlite3_bind_int64(m_scan, 1, backwards ? far : near);
        sqlite3_bind_int64(m_scan, 4, backwards ? near : far);
        int rc;
        while (step(m_scan, &rc)) {
            m_chunk.addRow();
            for (int c = 0; c < RowChunk::kColumns; ++c) {
                switch (sqlite3_column_type(m_scan, c)) {
                case SQLITE_NULL:
                    m_chunk.addNull();
                    break;
                case SQLITE_INTEGER:
                    if (c > 0) {
                        m_chunk.addInteger(sqlite3_column_int64(m_scan, c));
                        break;
                    }
                    [[fallthrough]];
                case SQLITE_FLOAT:
                    if (c > 0) {
                        m_chunk.addReal(sqlite3_column_double(m_scan, c));
                        break;
                    }
                    [[fallthrough]];
                default: {
                    const char *text = reinterpret_cast<const char *>(sqlite3_column_text(m_scan, c));
                    m_chunk.addText(text ? text : "", size_t(sqlite3_column_bytes(m_scan, c)),
                                    sqlite3_column_double(m_scan, c));
                }
                }
            }
            if (m_firstOnly) {
                m_scanEnded = true;
                break;
            }
        }
        // Ends the read transaction: the database is free until the next chunk.
        sqlite3_reset(m_scan);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
            m_scanEnded = true;
            m_chunk.clear();
            return false;
        }
        if (far == (backwards ? kFirst : kLast)) {
            m_scanEnded = true;
            break;
        }
        m_key = backwards ? far - 1 : far + 1;
        if (m_chunk.rows() > 0)
            continue;
        // A window without rows: on from the next rowid stored, if any.
        sqlite3_stmt *seek = backwards ? m_previousKey : m_nextKey;
        sqlite3_bind_int64(seek, 1, m_key);
        const bool found = step(seek, &rc) && sqlite3_column_type(seek, 0) != SQLITE_NULL;
        if (found)
            m_key = sqlite3_column_int64(seek, 0);
        sqlite3_reset(seek);
        if (!found)
            m_scanEnded = true;
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            return false;
    }
    return m_chunk.rows() > 0;
}

bool SqliteRowReader::next()
{
    if (m_row < m_chunk.rows()) {
        ++m_row;
        return true;
    }
    if (!m_scan || !readChunk()) {
        m_scan = nullptr;
        return false;
    }
    m_row = 1;
    return true;
}

const char *SqliteRowReader::time(size_t *size) const
{
    return m_chunk.text(m_row - 1, 0, size);
}

bool SqliteRowReader::isNull(int i) const
{
    return m_chunk.isNull(m_row - 1, i + 1);
}

double SqliteRowReader::value(int i) const
{
    return m_chunk.number(m_row - 1, i + 1);
}

void SqliteRowReader::appendValue(std::string &line, int i) const
{
    m_chunk.appendCsv(line, m_row - 1, i + 1);
}
