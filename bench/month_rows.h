#pragma once

#include "recording/database_creator.h"

#include <QString>
#include <sqlite3.h>

// March 2026 in London, one row a second: a bit over 2.6 million rows.
constexpr int kMonthRows = 30 * 86400 + 3 * 3600;

// Creates `database` and fills it with a month of one-second rows whose
// powers wander and whose totals and counters grow with them, as a monitor
// streaming all month would leave them.
inline bool writeMonthOfRows(const QString &database)
{
    if (!createSqliteDatabase(database, nullptr))
        return false;
    sqlite3 *db = nullptr;
    sqlite3_open(database.toUtf8().constData(), &db);
    sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(db,
                       "insert into qmn_power values (datetime(?1, 'unixepoch', 'localtime'),?2,?3,?2,?3,"
                       "231.4,?4,0.125,?5,1.5,?6,?7,?8,?9,450,5400,?8,?9,450,5400)",
                       -1, &insert, nullptr);
    const qint64 start = 1772323200; // 2026-03-01 00:00 UTC
    double e1 = 36000000, e2 = 7200000;
    for (int i = 0; i < kMonthRows; ++i) {
        const double p1 = 300 + (i % 600), p2 = 120 + (i % 97);
        e1 += p1;
        e2 += p2;
        sqlite3_bind_int64(insert, 1, start + i);
        sqlite3_bind_double(insert, 2, p1);
        sqlite3_bind_double(insert, 3, p2);
        sqlite3_bind_double(insert, 4, e1 / 3600 * 0.001);
        sqlite3_bind_double(insert, 5, e2 / 3600 * 0.001);
        sqlite3_bind_double(insert, 6, p1 / 231.4);
        sqlite3_bind_double(insert, 7, p2 / 231.4);
        sqlite3_bind_double(insert, 8, e1);
        sqlite3_bind_double(insert, 9, e2);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    const bool ok = sqlite3_exec(db, "commit", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}
