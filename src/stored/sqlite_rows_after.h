#pragma once

#include "stored/row_energy.h"

#include <QString>

#include <optional>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

// The few values of a stored row that sums of energy and power need.
struct PowerPoint
{
    qint64 rowid = 0;
    std::string time; // the stored local "_time" text
    std::optional<double> p1, p2;
    RowTotals totals;
};

// Reads the rows of an SQLite qmn_power stored after a given rowid, a
// bounded chunk at a time: each chunk is one short read, so the recorder's
// commits never wait behind a long one, and the next chunk starts where the
// last ended, by the rowid index, however large the table is.
class SqliteRowsAfter
{
public:
    SqliteRowsAfter() = default;
    ~SqliteRowsAfter();
    SqliteRowsAfter(const SqliteRowsAfter &) = delete;
    SqliteRowsAfter &operator=(const SqliteRowsAfter &) = delete;

    // Opens the file read-only; false with error() when it cannot be read or
    // has no table qmn_power.
    bool open(const QString &path);
    // Up to `limit` rows after `rowid`, in rowid order, each handed to
    // `take`. Returns the rows read, or -1 with error().
    template<typename Take>
    int readAfter(qint64 rowid, int limit, Take &&take)
    {
        PowerPoint point;
        if (!start(rowid, limit))
            return -1;
        int n = 0;
        while (step(point)) {
            take(static_cast<const PowerPoint &>(point));
            ++n;
        }
        return m_error.isEmpty() ? n : -1;
    }
    // The first row stored and the highest rowid, which tell a replaced or
    // emptied file from the one read before.
    std::optional<PowerPoint> firstRow();
    qint64 lastRowid();
    QString error() const { return m_error; }

private:
    bool start(qint64 rowid, int limit);
    bool step(PowerPoint &point);
    void fail();

    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_stmt = nullptr;
    QString m_path, m_error;
};
