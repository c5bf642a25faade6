#include "stored/odbc_row_reader.h"

#include "common/csv_text.h"

#include <charconv>
#include <sql.h>
#include <sqlext.h>

namespace {

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
    return execute(QStringLiteral("SELECT ") + QString::fromLatin1(columnList()) + QStringLiteral(" FROM qmn_power")
                   + timeBounds(from, until) + QStringLiteral(" ORDER BY _time"));
}

bool OdbcRowReader::selectLastBefore(const QString &from)
{
    return execute(QStringLiteral("SELECT ") + QString::fromLatin1(columnList()) + QStringLiteral(" FROM qmn_power")
                   + timeBounds({}, from) + QStringLiteral(" ORDER BY _time DESC LIMIT 1"));
}

bool OdbcRowReader::next()
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
    for (int c = 0; c <= kValueCount; ++c) {
        std::string &field = m_fields[size_t(c)];
        field.clear();
        char buffer[256];
        SQLLEN length = 0;
        SQLRETURN got;
        // Long texts come in pieces.
        while (SQL_SUCCEEDED(got = SQLGetData(m_h.stmt, SQLUSMALLINT(c + 1), SQL_C_CHAR, buffer, sizeof buffer, &length))) {
            m_null[size_t(c)] = length == SQL_NULL_DATA;
            if (length == SQL_NULL_DATA)
                break;
            const size_t piece = length == SQL_NO_TOTAL || size_t(length) >= sizeof buffer ? sizeof buffer - 1
                                                                                              : size_t(length);
            field.append(buffer, piece);
            if (got == SQL_SUCCESS)
                break;
        }
        if (got == SQL_ERROR) {
            fail(SQL_HANDLE_STMT, m_h.stmt, "SQLGetData");
            closeCursor();
            return false;
        }
    }
    return true;
}

const char *OdbcRowReader::time(size_t *size) const
{
    *size = m_fields[0].size();
    return m_fields[0].c_str();
}

bool OdbcRowReader::isNull(int i) const
{
    return m_null[size_t(i + 1)];
}

double OdbcRowReader::value(int i) const
{
    double v = 0;
    return isNull(i) || !readNumber(m_fields[size_t(i + 1)], &v) ? 0 : v;
}

void OdbcRowReader::appendValue(std::string &line, int i) const
{
    if (isNull(i))
        return;
    const std::string &text = m_fields[size_t(i + 1)];
    double v = 0;
    if (readNumber(text, &v))
        appendCsvNumber(line, v);
    else
        appendCsvField(line, text.data(), text.size());
}
