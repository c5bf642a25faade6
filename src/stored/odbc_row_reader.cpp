#include "stored/odbc_row_reader.h"

#include "stored/local_time_stamp.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <sql.h>
#include <sqlext.h>

namespace {

// The absolute totals' columns in a row: _time, then KWh1 the sixth value.
constexpr int kKWh1 = 6, kKWh2 = 8;

// Dates reach the statement only after they were read as YYYY-MM-DD, so
// they can stand in it as literals, which every driver takes.
QString timeBounds(const QString &from, const QString &until)
{
    QString where;
    if (!from.isEmpty())
        where += QStringLiteral(" WHERE _time >= '%1 00:00:00'").arg(from);
    if (!until.isEmpty())
        where += QStringLiteral("%1 _time < '%2 00:00:00'").arg(where.isEmpty() ? " WHERE" : " AND", until);
    return where;
}

// psqlODBC keeps a whole result in client memory unless it reads through a
// server cursor, a block of rows at a time. A cursor is read in one sort and
// one pass and sees one snapshot, whereas chunks keyed on _time would each
// scan the whole table (it has no index) and could split a run of equal
// times; PostgreSQL's readers never block its writers either way. Drivers
// that do not know the keys ignore them.
QString withCursorReads(const QString &connection)
{
    if (connection.contains(QLatin1String("UseDeclareFetch"), Qt::CaseInsensitive))
        return connection;
    QString text = connection;
    if (!text.isEmpty() && !text.endsWith(QLatin1Char(';')))
        text += QLatin1Char(';');
    return text + QStringLiteral("UseDeclareFetch=1;Fetch=%1;").arg(OdbcRowReader::kFetchRows);
}

bool readNumber(const std::string &text, double *value)
{
    const auto result = std::from_chars(text.data(), text.data() + text.size(), *value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

} // namespace

OdbcRowReader::~OdbcRowReader()
{
    closeCursor();
}

void OdbcRowReader::fail(short handleType, void *handle, const char *call)
{
    SQLCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLCHAR message[1024] = {};
    SQLSMALLINT length = 0;
    if (handle && SQL_SUCCEEDED(SQLGetDiagRec(handleType, handle, 1, state, &native, message, sizeof message, &length)))
        m_error = QString::fromUtf8(reinterpret_cast<const char *>(message)).trimmed();
    else
        m_error = QString::fromLatin1(call) + QStringLiteral(" failed");
}

bool OdbcRowReader::open(const QString &where)
{
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_h.env))
        || !SQL_SUCCEEDED(
            SQLSetEnvAttr(m_h.env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0))
        || !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, m_h.env, &m_h.dbc))) {
        fail(SQL_HANDLE_ENV, m_h.env, "SQLAllocHandle");
        return false;
    }
    const auto seconds = reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(kOdbcTimeoutSeconds));
    SQLSetConnectAttr(m_h.dbc, SQL_ATTR_LOGIN_TIMEOUT, seconds, 0);
    const QByteArray text = withCursorReads(where).toUtf8();
    if (!SQL_SUCCEEDED(SQLDriverConnect(m_h.dbc, nullptr,
                                        reinterpret_cast<SQLCHAR *>(const_cast<char *>(text.constData())), SQL_NTS,
                                        nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT))) {
        fail(SQL_HANDLE_DBC, m_h.dbc, "SQLDriverConnect");
        return false;
    }
    m_h.connected = true;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, m_h.dbc, &m_h.stmt))) {
        fail(SQL_HANDLE_DBC, m_h.dbc, "SQLAllocHandle");
        return false;
    }
    // Shows at once whether the table is there.
    if (!execute(QStringLiteral("SELECT ") + QString::fromLatin1(columnList())
                 + QStringLiteral(" FROM qmn_power WHERE 1=0")))
        return false;
    closeCursor();
    return true;
}

void OdbcRowReader::closeCursor()
{
    if (m_open)
        SQLFreeStmt(m_h.stmt, SQL_CLOSE);
    m_open = false;
}

bool OdbcRowReader::execute(const QString &statement)
{
    closeCursor();
    // Rows held from the last statement (the rest of a repeated hour) are
    // not rows of this one.
    m_rows.clear();
    m_order.clear();
    m_next = 0;
    const QByteArray text = statement.toUtf8();
    if (!SQL_SUCCEEDED(SQLExecDirect(m_h.stmt, reinterpret_cast<SQLCHAR *>(const_cast<char *>(text.constData())),
                                     SQL_NTS))) {
        fail(SQL_HANDLE_STMT, m_h.stmt, "SQLExecDirect");
        return false;
    }
    m_open = true;
    return true;
}

bool OdbcRowReader::select(const QString &from, const QString &until)
{
    m_sortRepeated = true;
    return execute(QStringLiteral("SELECT ") + QString::fromLatin1(columnList()) + QStringLiteral(" FROM qmn_power")
                   + timeBounds(from, until) + QStringLiteral(" ORDER BY _time"));
}

bool OdbcRowReader::selectLastBefore(const QString &from)
{
    m_sortRepeated = false;
    return execute(QStringLiteral("SELECT ") + QString::fromLatin1(columnList()) + QStringLiteral(" FROM qmn_power")
                   + timeBounds({}, from) + QStringLiteral(" ORDER BY _time DESC LIMIT 1"));
}

bool OdbcRowReader::fetchRow()
{
    if (!m_open)
        return false;
    const SQLRETURN rc = SQLFetch(m_h.stmt);
    if (!SQL_SUCCEEDED(rc)) {
        if (rc != SQL_NO_DATA)
            fail(SQL_HANDLE_STMT, m_h.stmt, "SQLFetch");
        closeCursor();
        return false;
    }
    m_rows.addRow();
    for (int c = 0; c <= kValueCount; ++c) {
        m_field.clear();
        bool null = false;
        char buffer[256];
        SQLLEN length = 0;
        SQLRETURN got;
        // Long texts come in pieces.
        while (SQL_SUCCEEDED(got = SQLGetData(m_h.stmt, SQLUSMALLINT(c + 1), SQL_C_CHAR, buffer, sizeof buffer, &length))) {
            null = length == SQL_NULL_DATA;
            if (null)
                break;
            const size_t piece = length == SQL_NO_TOTAL || size_t(length) >= sizeof buffer ? sizeof buffer - 1
                                                                                              : size_t(length);
            m_field.append(buffer, piece);
            if (got == SQL_SUCCESS)
                break;
        }
        if (got == SQL_ERROR) {
            fail(SQL_HANDLE_STMT, m_h.stmt, "SQLGetData");
            closeCursor();
            return false;
        }
        double v = 0;
        if (null)
            m_rows.addNull();
        else if (c > 0 && readNumber(m_field, &v))
            m_rows.addReal(v);
        else
            m_rows.addText(m_field.data(), m_field.size(), 0);
    }
    return true;
}

bool OdbcRowReader::repeated(size_t row)
{
    size_t size = 0;
    const char *time = m_rows.text(row, 0, &size);
    return m_sortRepeated && LocalTimeStamp::readable(time, size) && m_zone.comesTwice(time, size);
}

bool OdbcRowReader::next()
{
    if (m_next < m_order.size()) {
        m_current = m_order[m_next++];
        return true;
    }
    m_rows.clear();
    m_order.clear();
    m_next = 0;
    if (!fetchRow())
        return false;
    size_t sorted = 0;
    if (repeated(0)) {
        // The hour that comes twice when daylight saving ends: sorted by
        // time, its two passes interleave. The absolute totals only grow,
        // so they put the first pass before the second again.
        while (m_rows.rows() < kMaxRepeatedRows && fetchRow() && repeated(m_rows.rows() - 1)) {
        }
        if (!m_error.isEmpty())
            return false;
        sorted = repeated(m_rows.rows() - 1) ? m_rows.rows() : m_rows.rows() - 1;
    }
    for (size_t i = 0; i < m_rows.rows(); ++i)
        m_order.push_back(i);
    const auto total = [this](size_t row) {
        return m_rows.isNull(row, kKWh1) || m_rows.isNull(row, kKWh2)
            ? -std::numeric_limits<double>::infinity()
            : m_rows.number(row, kKWh1) + m_rows.number(row, kKWh2);
    };
    std::stable_sort(m_order.begin(), m_order.begin() + std::ptrdiff_t(sorted),
                     [&](size_t a, size_t b) { return total(a) < total(b); });
    m_current = m_order[m_next++];
    return true;
}

const char *OdbcRowReader::time(size_t *size) const
{
    return m_rows.text(m_current, 0, size);
}

bool OdbcRowReader::isNull(int i) const
{
    return m_rows.isNull(m_current, i + 1);
}

double OdbcRowReader::value(int i) const
{
    return m_rows.number(m_current, i + 1);
}

void OdbcRowReader::appendValue(std::string &line, int i) const
{
    m_rows.appendCsv(line, m_current, i + 1);
}
