#pragma once

#include <QString>

struct RealtimeSample;

// The INSERT statement that stores one sample as a row of qmn_power. The
// values are plain decimal literals ("." as decimal point, no exponent, up to
// 15 significant digits, 7 for the two currents) so the text means the same
// to every engine whatever the user's locale.
// The Access statement stores `localTime` ("YYYY-MM-DD HH:MM:SS", the
// program's local wall-clock time) as _time, as SQLite's localtime does: a
// server's NOW() is in the zone of its session, often UTC, and the readers
// take _time as local.
QString accessInsertStatement(const RealtimeSample &sample, const QString &localTime);
QString sqliteInsertStatement(const RealtimeSample &sample);

// The 19 values of the row as the statements write them, joined by ",".
QString valueLiterals(const RealtimeSample &sample);
// The SQLite statement up to and including the opening parenthesis of its
// values, and the whole statement for values given as valueLiterals() text.
QString sqliteInsertHead();
QString sqliteInsertStatement(const QString &literals);
// The same for a row that keeps its own sample time, "yyyy-MM-dd HH:mm:ss":
// replayed later, the statement still dates the row when it was measured.
QString sqliteInsertStatement(const QString &literals, const QString &time);
