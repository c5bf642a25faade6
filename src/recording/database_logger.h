#pragma once

#include "recording/sqlite_batch.h"

#include <QString>
#include <QTimer>
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
    int commitSeconds = 0;                   // SQLite kind: seconds between commits, 0 for none
};

// The database step of the per-sample dispatch: writes the current sample as
// one row of qmn_power. Nothing is held between samples; each insert opens,
// executes and closes, so the user can swap or repair the file at any time.
// With commitSeconds set, SQLite rows wait in memory instead and go to disk
// in one transaction every commitSeconds, and at every commitPending().
//
// The "Access" kind goes through ODBC. adbpath is read as:
//  - an ODBC connection string when it contains "=" (used as is), e.g.
//    "DRIVER=/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so;SERVER=...;DATABASE=...;"
//  - a file path when it contains "/" or "\" or ends in ".mdb"/".accdb" (or
//    is empty): the file must exist, and is opened with the MDBTools ODBC
//    driver as "DRIVER={MDBTools};DBQ=<path>;" (registered in odbcinst.ini
//    under that name) by accessConnectionString(). No ODBC driver on Linux
//    writes Access files, so an existing file is not tried: the program says
//    once, in the status list and the error log, what to use instead, and
//    stores nothing until the database settings change. A missing file ends
//    the program after a message box, as on Windows.
//  - otherwise a data source name from odbc.ini, as "DSN=<name>;".
class DatabaseLogger
{
public:
    // Rows waiting for a commit: an hour of samples at one a second, and
    // never less than two periods.
    static constexpr qsizetype kMaxPendingRows = 3600;
    static constexpr int kMaxCommitSeconds = 86400;

    DatabaseLogger(std::function<DatabaseSettings()> settings, ErrorLog &errorLog,
                   Dialogs &dialogs, std::function<void()> requestExit, StatusList *status = nullptr);
    ~DatabaseLogger();

    // Adds the database step, named "database", to the dispatch.
    void installInto(SampleDispatch &dispatch);

    // The database step: the insert of the kind named by dbtype, if any.
    void insertSample(const RealtimeSample &sample);
    void InsertAccess(const RealtimeSample &sample);
    void InsertSqlite(const RealtimeSample &sample);

    // Writes the rows waiting for a commit now: before the program ends,
    // before a dialogue stops the stream, at each tick of commitTimer().
    void commitPending();
    // Settings read again after an edit: rows waiting for a database that
    // is no longer chosen are written to it first.
    void databaseSettingsChanged();
    QTimer &commitTimer() { return m_commitTimer; }
    qsizetype pendingRows() const { return m_batch.pending(); }

    // What the program says once about an Access file it cannot write.
    static QString accessFileNotice(const QString &adbpath);

private:
    void deferSqlite(const DatabaseSettings &settings, const RealtimeSample &sample);
    void leaveBatch();

    std::function<DatabaseSettings()> m_settings;
    ErrorLog &m_errorLog;
    Dialogs &m_dialogs;
    std::function<void()> m_requestExit;
    StatusList *m_status;
    bool m_exitRequested = false;
    // The Access file the notice was given for; empty when none was.
    QString m_noticeGivenFor;
    SqliteBatch m_batch;
    QTimer m_commitTimer;
};
