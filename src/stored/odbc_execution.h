#pragma once

#include <QList>
#include <QString>

// One ODBC diagnostic record as the driver reports it.
struct OdbcDiagnostic
{
    QString sqlState;
    int nativeError = 0;
    QString message;
};

// What became of one statement executed over a fresh ODBC connection.
struct OdbcOutcome
{
    bool ok = false;
    QString failedCall;                // the ODBC function that failed
    int returnCode = 0;                // its return code (SQL_ERROR is -1)
    QList<OdbcDiagnostic> diagnostics; // from the handle that failed
};

// ODBC handles, freed in reverse order of allocation on every way out.
struct OdbcHandles
{
    void *env = nullptr;
    void *dbc = nullptr;
    void *stmt = nullptr;
    bool connected = false;

    OdbcHandles() = default;
    OdbcHandles(const OdbcHandles &) = delete;
    OdbcHandles &operator=(const OdbcHandles &) = delete;
    ~OdbcHandles();
};

// How long a login, a connection or a query may keep the program waiting on
// an unreachable server.
constexpr int kOdbcTimeoutSeconds = 5;

// Connects with the connection string, executes the statement, disconnects.
// Login, connection and query waits are bounded by timeoutSeconds so an
// unreachable server stalls the caller for a few seconds at most.
OdbcOutcome executeOdbcStatement(const QString &connectionString, const QString &statement, int timeoutSeconds);
