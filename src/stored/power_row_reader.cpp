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
    sqlite3_finalize(m_forward);
    sqlite3_finalize(m_backwards);
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
    // Each chunk: the next kChunkRows rows in rowid order from ?1 on (or
    // back from it), a bounded amount of work whatever the dates ask for,
    // each with whether it lies in the dates. _time is the text
    // "YYYY-MM-DD HH:MM:SS": comparing texts compares times.
    const QByteArray chunk = "SELECT rowid, (?2 IS NULL OR _time >= ?2) AND (?3 IS NULL OR _time < ?3), "
        + columnList() + " FROM qmn_power WHERE rowid %1 ?1 ORDER BY rowid %2 LIMIT "
        + QByteArray::number(kChunkRows);
    // Preparing shows whether the file is a database with the table at all.
    for (auto [stmt, sql] : {std::pair{&m_forward, QByteArray(chunk).replace("%1", ">=").replace("%2", "")},
                             std::pair{&m_backwards, QByteArray(chunk).replace("%1", "<=").replace("%2", "DESC")}}) {
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

bool SqliteRowReader::readChunk()
{
    m_chunk.clear();
    m_row = 0;
    const bool backwards = m_scan == m_backwards;
    while (m_chunk.rows() == 0 && !m_scanEnded) {
        sqlite3_bind_int64(m_scan, 1, m_key);
        int scanned = 0;
        sqlite3_int64 last = m_key;
        int rc;
        while ((rc = sqlite3_step(m_scan)) == SQLITE_ROW) {
            ++scanned;
            last = sqlite3_column_int64(m_scan, 0);
            if (sqlite3_column_int(m_scan, 1) == 0)
                continue;
            m_chunk.addRow();
            for (int c = 0; c < RowChunk::kColumns; ++c) {
                const int column = c + 2;
                switch (sqlite3_column_type(m_scan, column)) {
                case SQLITE_NULL:
                    m_chunk.addNull();
                    break;
                case SQLITE_INTEGER:
                    if (c > 0) {
                        m_chunk.addInteger(sqlite3_column_int64(m_scan, column));
                        break;
                    }
                    [[fallthrough]];
                case SQLITE_FLOAT:
                    if (c > 0) {
                        m_chunk.addReal(sqlite3_column_double(m_scan, column));
                        break;
                    }
                    [[fallthrough]];
                default: {
                    const char *text = reinterpret_cast<const char *>(sqlite3_column_text(m_scan, column));
                    m_chunk.addText(text ? text : "", size_t(sqlite3_column_bytes(m_scan, column)),
                                    sqlite3_column_double(m_scan, column));
                }
                }
            }
            if (m_firstOnly) {
                m_scanEnded = true;
                break;
            }
        }
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            fail();
        // Ends the read transaction: the database is free until the next chunk.
        sqlite3_reset(m_scan);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
            m_scanEnded = true;
            m_chunk.clear();
            return false;
        }
        const sqlite3_int64 end = backwards ? std::numeric_limits<long long>::min()
                                            : std::numeric_limits<long long>::max();
        if (scanned < kChunkRows || last == end)
            m_scanEnded = true;
        else
            m_key = backwards ? last - 1 : last + 1;
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
