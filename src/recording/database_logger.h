#pragma once

#include <QString>
#include <functional>

class Dialogs;
class ErrorLog;
class SampleDispatch;
class StatusList;
struct RealtimeSample;

// The database settings as the options window leaves them; read again for
// every sample so a change takes effect on the next one.
struct DatabaseSettings
{
    QString dbtype = QStringLiteral("none"); // exactly "Access" or "SQlite" selects a database
    QString adbpath;                         // Access kind: file, ODBC connection string or data source name
    QString sqldbpath;                       // SQLite kind: database file, never created here
};

// The database step of the per-sample dispatch: writes the current sample as
// one row of qmn_power. Nothing is held between samples; each insert opens,
// executes and closes, so the user can swap or repair the file at any time.
//
// The "Access" kind goes through ODBC. adbpath is read as:
//  - an ODBC connection string when it contains "=" (used as is), e.g.
//    "DRIVER=/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so;SERVER=...;DATABASE=...;"
//  - a file path when it contains "/" or "\" or ends in ".mdb"/".accdb" (or
//    is empty): the file must exist, and is opened with the MDBTools ODBC
//    driver as "DRIVER={MDBTools};DBQ=<path>;" (registered in odbcinst.ini
//    under that name) by accessConnectionString. No ODBC driver on Linux
//    writes Access files, so an existing file is not tried: the program says
//    once, in the status list and the error log, what to use instead, and
//    stores nothing until the database settings change. A missing file ends
//    the program after a message box, as on Windows.
//  - otherwise a data source name from odbc.ini, as "DSN=<name>;".
class DatabaseLogger
{
public:
    static constexpr int kOdbcTimeoutSeconds = 5;

    DatabaseLogger(std::function<DatabaseSettings()> settings, const RealtimeSample &sample, ErrorLog &errorLog,
                   Dialogs &dialogs, std::function<void()> requestExit, StatusList *status = nullptr);

    // Adds the database step, named "database", to the dispatch.
    void installInto(SampleDispatch &dispatch);

    // The database step: the insert of the kind named by dbtype, if any.
    void insertSample();
    void InsertAccess();
    void InsertSqlite();

    static QString accessConnectionString(const QString &adbpath);
    // What the program says once about an Access file it cannot write.
    static QString accessFileNotice(const QString &adbpath);

private:
    std::function<DatabaseSettings()> m_settings;
    const RealtimeSample &m_sample;
    ErrorLog &m_errorLog;
    Dialogs &m_dialogs;
    std::function<void()> m_requestExit;
    StatusList *m_status;
    bool m_exitRequested = false;
    // The Access file the notice was given for; empty when none was.
    QString m_noticeGivenFor;
};
