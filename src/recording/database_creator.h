#pragma once

#include <QString>

// Creates an SQLite database file with the table qmn_power that the SQLite
// database kind writes to (the schema of sql/qmn_power.sqlite.sql). A new
// file is made when none exists; an existing SQLite file gets the table added.
// An existing qmn_power table is never touched: the call fails instead.
// On failure *error (when given) says what went wrong and what to do.
bool createSqliteDatabase(const QString &file, QString *error);
