#pragma once

#include <QString>

// One run of the command line's export: the rows of qmn_power, or one line
// per day, as RFC 4180 CSV from the configured database (SQLite, or the
// "Access" kind's ODBC database).
struct ExportRequest
{
    enum class Kind { Rows, Daily };
    Kind kind = Kind::Rows;
    QString output;       // a file, or "-" for standard output
    QString from, to;     // local dates "YYYY-MM-DD", both included; empty for no bound
    QString settingsPath; // where dbtype, sqldbpath and adbpath are read
};

// Runs the export, with its messages on standard error: 0 when every row
// was written, 1 when the output could not be written, 2 when the request
// or the database is wrong (bad dates, no readable database, no table).
int runExport(const ExportRequest &request);
