#pragma once

#include <QList>
#include <QString>

#include <sqlite3.h>

// The rows a SELECT gives on an SQLite file, every column read as a number.
inline QList<QList<double>> sqliteRows(const QString &db, const char *select)
{
    QList<QList<double>> result;
    sqlite3 *h = nullptr;
    if (sqlite3_open_v2(qPrintable(db), &h, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        return result;
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(h, select, -1, &st, nullptr);
    while (st && sqlite3_step(st) == SQLITE_ROW) {
        QList<double> row;
        for (int i = 0; i < sqlite3_column_count(st); ++i)
            row << sqlite3_column_double(st, i);
        result << row;
    }
    sqlite3_finalize(st);
    sqlite3_close(h);
    return result;
}
