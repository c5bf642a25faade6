#include "stored/power_row_reader.h"

#include "common/csv_text.h"

#include <charconv>
#include <sqlite3.h>

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
    sqlite3_finalize(m_stmt);
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
    // Any read shows whether the file is a database with the table at all.
    sqlite3_stmt *probe = nullptr;
    const int rc = sqlite3_prepare_v2(m_db, "SELECT " + columnList() + " FROM qmn_power LIMIT 0", -1, &probe, nullptr);
    sqlite3_finalize(probe);
    if (rc != SQLITE_OK) {
        fail();
        return false;
    }
    return true;
}

bool SqliteRowReader::prepare(const char *sql)
{
    sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, sql, -1, &m_stmt, nullptr) != SQLITE_OK) {
        fail();
        return false;
    }
    return true;
}

bool SqliteRowReader::select(const QString &from, const QString &until)
{
    // _time is the text "YYYY-MM-DD HH:MM:SS": comparing texts compares times.
    const QByteArray sql = "SELECT " + columnList() + " FROM qmn_power WHERE (?1 IS NULL OR _time >= ?1) "
                           "AND (?2 IS NULL OR _time < ?2) ORDER BY rowid";
    if (!prepare(sql.constData()))
        return false;
    const QByteArray a = from.toUtf8(), b = until.toUtf8();
    if (!from.isEmpty())
        sqlite3_bind_text(m_stmt, 1, a.constData(), int(a.size()), SQLITE_TRANSIENT);
    if (!until.isEmpty())
        sqlite3_bind_text(m_stmt, 2, b.constData(), int(b.size()), SQLITE_TRANSIENT);
    return true;
}

bool SqliteRowReader::selectLastBefore(const QString &from)
{
    const QByteArray sql = "SELECT " + columnList() + " FROM qmn_power WHERE _time < ?1 ORDER BY rowid DESC LIMIT 1";
    if (!prepare(sql.constData()))
        return false;
    const QByteArray a = from.toUtf8();
    sqlite3_bind_text(m_stmt, 1, a.constData(), int(a.size()), SQLITE_TRANSIENT);
    return true;
}

bool SqliteRowReader::next()
{
    if (!m_stmt)
        return false;
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        fail();
    sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
    return false;
}

const char *SqliteRowReader::time(size_t *size) const
{
    const char *text = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, 0));
    *size = text ? size_t(sqlite3_column_bytes(m_stmt, 0)) : 0;
    return text ? text : "";
}

bool SqliteRowReader::isNull(int i) const
{
    return sqlite3_column_type(m_stmt, i + 1) == SQLITE_NULL;
}

double SqliteRowReader::value(int i) const
{
    return sqlite3_column_double(m_stmt, i + 1);
}

void SqliteRowReader::appendValue(std::string &line, int i) const
{
    switch (sqlite3_column_type(m_stmt, i + 1)) {
    case SQLITE_NULL:
        return;
    case SQLITE_INTEGER: {
        char buffer[24];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, sqlite3_column_int64(m_stmt, i + 1));
        line.append(buffer, result.ptr);
        return;
    }
    case SQLITE_FLOAT:
        appendCsvNumber(line, sqlite3_column_double(m_stmt, i + 1));
        return;
    default: {
        const char *text = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, i + 1));
        appendCsvField(line, text, size_t(sqlite3_column_bytes(m_stmt, i + 1)));
    }
    }
}
