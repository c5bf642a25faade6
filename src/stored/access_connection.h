#pragma once

#include <QString>

// How the "Access" kind's adbpath names its database: an ODBC connection
// string (it contains "="), a file (a path, or a name ending in .mdb or
// .accdb, or nothing at all) or else a data source name from odbc.ini.
bool isConnectionString(const QString &adbpath);
bool isFilePath(const QString &adbpath);

// The connection string the recording and the readers of stored rows open:
// adbpath itself, "DRIVER={MDBTools};DBQ=<file>;" or "DSN=<name>;".
QString accessConnectionString(const QString &adbpath);
