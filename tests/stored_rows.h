#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <sqlite3.h>

// Each row an SQLite query gives, with every value converted by `cell`;
// empty when the file cannot be opened or the query fails.
template <typename Cell>
auto storedCells(const QString &db, const char *select, Cell cell)
{
    QList<QList<decltype(cell(nullptr, 0))>> result;
    sqlite3 *h = nullptr;
    if (sqlite3_open_v2(qPrintable(db), &h, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(h, select, -1, &st, nullptr);
        while (st && sqlite3_step(st) == SQLITE_ROW) {
            result.emplaceBack();
            for (int i = 0; i < sqlite3_column_count(st); ++i)
                result.last() << cell(st, i);
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(h);
    return result;
}

inline QList<QList<double>> storedRows(const QString &db, const char *select)
{
    return storedCells(db, select, [](sqlite3_stmt *st, int i) { return sqlite3_column_double(st, i); });
}

inline QList<QList<QString>> storedTexts(const QString &db, const char *select)
{
    return storedCells(db, select, [](sqlite3_stmt *st, int i) {
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, i)));
    });
}

// The first value of the first row as text; empty when there is none.
inline QString storedText(const QString &db, const char *select)
{
    const auto rows = storedTexts(db, select);
    return rows.isEmpty() || rows[0].isEmpty() ? QString() : rows[0][0];
}

inline bool executeSql(const QString &db, const char *sql)
{
    sqlite3 *h = nullptr;
    const bool ok = sqlite3_open(qPrintable(db), &h) == SQLITE_OK
                    && sqlite3_exec(h, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(h);
    return ok;
}

// The stored samples, oldest first: `columns` of qmn_power by name ("p1,volt").
inline QList<QHash<QString, double>> storedSamples(const QString &db, const QString &columns)
{
    const QStringList names = columns.split(',');
    QList<QHash<QString, double>> samples;
    for (const QList<double> &row : storedRows(db, qPrintable("select " + columns + " from qmn_power order by rowid"))) {
        samples.emplaceBack();
        for (qsizetype i = 0; i < names.size(); ++i)
            samples.last()[names[i]] = row.value(i);
    }
    return samples;
}
