#include "stored/odbc_execution.h"

#include <sql.h>
#include <sqlext.h>

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "the wide ODBC calls take UTF-16 text");

namespace {

const SQLWCHAR *wide(const QString &text)
{
    return reinterpret_cast<const SQLWCHAR *>(text.utf16());
}

QList<OdbcDiagnostic> diagnosticsOf(SQLSMALLINT handleType, SQLHANDLE handle)
{
    QList<OdbcDiagnostic> list;
    if (!handle)
        return list;
    for (SQLSMALLINT record = 1;; ++record) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLWCHAR message[1024] = {};
        SQLSMALLINT length = 0;
        const SQLRETURN rc = SQLGetDiagRecW(handleType, handle, record, state, &native, message,
                                            SQLSMALLINT(std::size(message)), &length);
        if (!SQL_SUCCEEDED(rc))
            break;
        const int shown = qMin<int>(length, int(std::size(message)) - 1);
        // Some drivers end their text with a line break; the report adds its own.
        QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(message), shown);
        while (!text.isEmpty() && text.back().isSpace())
            text.chop(1);
        list.append({QString::fromUtf16(reinterpret_cast<const char16_t *>(state), 5), int(native), text});
    }
    return list;
}

OdbcOutcome failure(const char *call, SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle)
{
    OdbcOutcome outcome;
    outcome.failedCall = QString::fromLatin1(call);
    outcome.returnCode = rc;
    outcome.diagnostics = diagnosticsOf(handleType, handle);
    return outcome;
}

} // namespace

OdbcHandles::~OdbcHandles()
{
    if (stmt)
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    if (connected)
        SQLDisconnect(dbc);
    if (dbc)
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    if (env)
        SQLFreeHandle(SQL_HANDLE_ENV, env);
}

OdbcOutcome executeOdbcStatement(const QString &connectionString, const QString &statement, int timeoutSeconds)
{
    OdbcHandles h;
    SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &h.env);
    if (!SQL_SUCCEEDED(rc))
        return failure("SQLAllocHandle", rc, SQL_HANDLE_ENV, h.env);
    rc = SQLSetEnvAttr(h.env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    if (!SQL_SUCCEEDED(rc))
        return failure("SQLSetEnvAttr", rc, SQL_HANDLE_ENV, h.env);
    rc = SQLAllocHandle(SQL_HANDLE_DBC, h.env, &h.dbc);
    if (!SQL_SUCCEEDED(rc))
        return failure("SQLAllocHandle", rc, SQL_HANDLE_ENV, h.env);

    // Not every driver knows these attributes; a refusal only costs the bound.
    const auto seconds = reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(timeoutSeconds));
    SQLSetConnectAttrW(h.dbc, SQL_ATTR_LOGIN_TIMEOUT, seconds, 0);
    SQLSetConnectAttrW(h.dbc, SQL_ATTR_CONNECTION_TIMEOUT, seconds, 0);

    rc = SQLDriverConnectW(h.dbc, nullptr, const_cast<SQLWCHAR *>(wide(connectionString)), SQL_NTS, nullptr, 0,
                           nullptr, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc))
        return failure("SQLDriverConnect", rc, SQL_HANDLE_DBC, h.dbc);
    h.connected = true;

    rc = SQLAllocHandle(SQL_HANDLE_STMT, h.dbc, &h.stmt);
    if (!SQL_SUCCEEDED(rc))
        return failure("SQLAllocHandle", rc, SQL_HANDLE_DBC, h.dbc);
    SQLSetStmtAttrW(h.stmt, SQL_ATTR_QUERY_TIMEOUT, seconds, 0);

    rc = SQLExecDirectW(h.stmt, const_cast<SQLWCHAR *>(wide(statement)), SQL_NTS);
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA)
        return failure("SQLExecDirect", rc, SQL_HANDLE_STMT, h.stmt);

    OdbcOutcome outcome;
    outcome.ok = true;
    return outcome;
}
